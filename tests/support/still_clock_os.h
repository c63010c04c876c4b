// still_clock_os: the real window system with a clock that stands still, so the
// frame timer and everything seeded from it (bubbles) draw the same picture on
// every run. Everything else goes to the wrapped service.
#pragma once
#include "platform/os.h"

class StillClockOs : public os::Os {
public:
    static constexpr uint32_t FIXED_TICKS = 100000;

    explicit StillClockOs(os::Os* real) : real(real) {}
    uint32_t tickCount() override { return FIXED_TICKS; }
    void sleep(uint32_t) override {}
    int messageBox(os::WindowHandle owner, const char* text, const char* caption, uint32_t type) override
    {
        return real->messageBox(owner, text, caption, type);
    }
    uint16_t registerClass(const os::WindowClass& windowClass) override { return real->registerClass(windowClass); }
    bool unregisterClass(const char* className) override { return real->unregisterClass(className); }
    os::WindowHandle createWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style, int x,
                                  int y, int width, int height) override
    {
        return real->createWindow(exStyle, className, title, style, x, y, width, height);
    }
    bool showWindow(os::WindowHandle window, int command) override { return real->showWindow(window, command); }
    bool updateWindow(os::WindowHandle window) override { return real->updateWindow(window); }
    bool isIconic(os::WindowHandle window) override { return real->isIconic(window); }
    bool isWindowVisible(os::WindowHandle window) override { return real->isWindowVisible(window); }
    bool cursorPosition(os::Point* point) override { return real->cursorPosition(point); }
    bool peekMessage(os::Message* message) override { return real->peekMessage(message); }
    bool translateMessage(const os::Message& message) override { return real->translateMessage(message); }
    os::LResult dispatchMessage(const os::Message& message) override { return real->dispatchMessage(message); }
    os::LResult sendMessage(os::WindowHandle window, uint32_t message, os::WParam wParam,
                            os::LParam lParam) override
    {
        return real->sendMessage(window, message, wParam, lParam);
    }
    os::LResult defaultWindowProcedure(os::WindowHandle window, uint32_t message, os::WParam wParam,
                                       os::LParam lParam) override
    {
        return real->defaultWindowProcedure(window, message, wParam, lParam);
    }
    void postQuitMessage(int exitCode) override { real->postQuitMessage(exitCode); }
    void setNowPlaying(const os::NowPlaying& state) override { real->setNowPlaying(state); }

private:
    os::Os* real;
};
