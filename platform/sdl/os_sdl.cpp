#include <SDL2/SDL.h>

#include <cstdio>

#include "platform/sdl/sdl_os.h"

namespace {

// Kernel services only; the window half is filled in by the window work.
class SdlOs : public os::Os {
public:
    SdlOs() { SDL_InitSubSystem(SDL_INIT_TIMER); }
    uint32_t tickCount() override { return SDL_GetTicks(); }
    void sleep(uint32_t milliseconds) override { SDL_Delay(milliseconds); }
    int messageBox(os::WindowHandle, const char* text, const char* caption, uint32_t) override
    {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return os::IDOK;
    }
    uint16_t registerClass(const os::WindowClass&) override { return 0; }
    bool unregisterClass(const char*) override { return false; }
    os::WindowHandle createWindow(uint32_t, const char*, const char*, uint32_t, int, int, int, int) override
    {
        return nullptr;
    }
    bool showWindow(os::WindowHandle, int) override { return false; }
    bool updateWindow(os::WindowHandle) override { return false; }
    bool cursorPosition(os::Point*) override { return false; }
    bool peekMessage(os::Message*) override { return false; }
    bool translateMessage(const os::Message&) override { return false; }
    os::LResult dispatchMessage(const os::Message&) override { return 0; }
    os::LResult sendMessage(os::WindowHandle, uint32_t, os::WParam, os::LParam) override { return 0; }
    os::LResult defaultWindowProcedure(os::WindowHandle, uint32_t, os::WParam, os::LParam) override { return 0; }
    void postQuitMessage(int) override {}
};

} // namespace

os::Os* createSdlOs() { return new SdlOs(); }

SDL_Window* sdlWindowOf(os::WindowHandle window) { return reinterpret_cast<SDL_Window*>(window); }

ClientArea sdlClientAreaOf(os::WindowHandle) { return {0, 0, 0, 0}; }
