// os_test_window: a real SDL os service on the offscreen video driver, one window
// of class "musicdisk", and a window procedure that records what reaches it and
// drags the window the way the disk's own procedure does.
#pragma once
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/os.h"
#include "platform/sdl/sdl_os.h"

namespace ostest {

constexpr uint32_t WM_USER = 0x0400;           // the procedure answers it with a sendMessage
constexpr uint32_t WM_USER_NESTED = WM_USER + 1;

struct Received {
    os::WindowHandle window;
    uint32_t message;
    os::WParam wParam;
    os::LParam lParam;
    int depth;  // how many procedure calls were open around this one
};

extern std::vector<Received> received;
extern bool leftButton;

os::LResult recordingProcedure(os::WindowHandle window, uint32_t message, os::WParam wParam, os::LParam lParam);

// Keeps SDL video and the GL library loaded for the rest of the run: Mesa unloads
// its driver when the last GL window goes, and LeakSanitizer then reports the
// unloaded driver's globals as leaks.
void holdVideo();

class SdlOsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Registers "musicdisk" with the recording procedure and makes a window of it.
    os::WindowHandle makeWindow(uint32_t style = os::WS_POPUPWINDOW, int x = 10, int y = 100, int width = 820,
                                int height = 320);
    uint32_t windowId(os::WindowHandle window) const { return SDL_GetWindowID(sdlWindowOf(window)); }
    std::vector<os::Message> takeMessages();

    std::unique_ptr<os::Os> service;
};

void pushKey(uint32_t windowId, bool down, SDL_Scancode scancode, SDL_Keycode symbol, uint16_t modifiers = 0,
             bool repeat = false);
void pushMotion(uint32_t windowId, int x, int y, uint32_t buttons);
void pushButton(uint32_t windowId, bool down, uint8_t button, int x, int y);

} // namespace ostest
