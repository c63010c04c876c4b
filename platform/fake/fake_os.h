// fake_os: a scripted window system for tests.
//
// Time is simulated: tickCount() returns `ticks`, and sleep(ms) advances it by ms.
// Messages are taken from `queue`; dispatchMessage runs the registered class's
// procedure. onPump runs when a message pump starts (the first peekMessage after a
// tickCount or sleep): the place to queue a frame's input and to let
// simulated time pass. A main loop that pumps more than pumpLimit times aborts
// the test with a message: a fade or quit that never completes then fails in
// seconds instead of spinning until the test runner's timeout. setNowPlaying
// keeps a copy of every state it is given.
#pragma once
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/os.h"

namespace fake {

// A copy of one setNowPlaying state, with the title kept as a string.
struct NowPlayingRecord {
    int32_t trackCount;
    int32_t track;
    std::string title;
    os::PlaybackStatus status;
    int32_t volumeLevel;
    int64_t lengthMicros;
    int64_t positionMicros;
};

struct FakeWindow {
    std::string className;
    std::string title;
    int x, y, width, height;
    bool visible;
    bool minimized;
};

class FakeOs : public os::Os {
public:
    // Script.
    uint32_t ticks = 1000;
    bool sleepAdvancesTicks = true;
    std::function<void(uint32_t milliseconds)> onSleep;
    std::function<void()> onPump;
    std::function<void()> onMoveLoop;  // runs inside the modal move loop
    std::deque<os::Message> queue;
    os::Point cursor = {0, 0};
    bool failRegisterClass = false;
    bool failCreateWindow = false;
    uint32_t pumpLimit = 20000;  // 400 s of 20 ms frames

    // Observations.
    std::vector<std::string> messageBoxes;  // "caption|text"
    std::vector<FakeWindow*> windows;
    os::WindowProcedure procedure = nullptr;
    std::string registeredClass;
    std::vector<NowPlayingRecord> nowPlaying;

private:
    bool pumping = false;  // the latest call was part of a message pump
    uint32_t pumps = 0;

public:

    ~FakeOs() override;
    void post(os::WindowHandle window, uint32_t message, os::WParam wParam = 0, os::LParam lParam = 0);

    uint32_t tickCount() override;
    void sleep(uint32_t milliseconds) override;
    int messageBox(os::WindowHandle owner, const char* text, const char* caption, uint32_t type) override;
    uint16_t registerClass(const os::WindowClass& windowClass) override;
    bool unregisterClass(const char* className) override;
    os::WindowHandle createWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style,
                                  int x, int y, int width, int height) override;
    bool showWindow(os::WindowHandle window, int command) override;
    bool updateWindow(os::WindowHandle window) override;
    bool isIconic(os::WindowHandle window) override;
    bool isWindowVisible(os::WindowHandle window) override;
    bool cursorPosition(os::Point* point) override;
    bool peekMessage(os::Message* message) override;
    bool translateMessage(const os::Message& message) override;
    os::LResult dispatchMessage(const os::Message& message) override;
    os::LResult sendMessage(os::WindowHandle window, uint32_t message, os::WParam wParam,
                            os::LParam lParam) override;
    os::LResult defaultWindowProcedure(os::WindowHandle window, uint32_t message, os::WParam wParam,
                                       os::LParam lParam) override;
    void postQuitMessage(int exitCode) override;
    void setNowPlaying(const os::NowPlaying& state) override;
};

// The FakeWindow behind a handle the fake handed out.
FakeWindow* fakeWindow(os::WindowHandle window);

} // namespace fake
