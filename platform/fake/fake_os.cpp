#include "platform/fake/fake_os.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/fake/call_log.h"

namespace fake {

static std::string hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

FakeWindow* fakeWindow(os::WindowHandle window) { return reinterpret_cast<FakeWindow*>(window); }

static os::WindowHandle handleOf(FakeWindow* window) { return reinterpret_cast<os::WindowHandle>(window); }

FakeOs::~FakeOs()
{
    for (FakeWindow* window : windows)
        delete window;
}

void FakeOs::post(os::WindowHandle window, uint32_t message, os::WParam wParam, os::LParam lParam)
{
    queue.push_back({window, message, wParam, lParam});
}

uint32_t FakeOs::tickCount()
{
    pumping = false;
    callLog().add("os.tickCount");
    return ticks;
}

void FakeOs::sleep(uint32_t milliseconds)
{
    pumping = false;
    callLog().add("os.sleep " + std::to_string(milliseconds));
    if (sleepAdvancesTicks)
        ticks += milliseconds;
    if (onSleep)
        onSleep(milliseconds);
}

int FakeOs::messageBox(os::WindowHandle owner, const char* text, const char* caption, uint32_t type)
{
    callLog().add(std::string("os.messageBox ") + (owner ? "owned" : "unowned") + " " + caption + "|" + text +
                  " " + std::to_string(type));
    messageBoxes.push_back(std::string(caption) + "|" + text);
    return os::IDOK;
}

uint16_t FakeOs::registerClass(const os::WindowClass& windowClass)
{
    callLog().add(std::string("os.registerClass ") + windowClass.className + " " + hex(windowClass.style));
    if (failRegisterClass)
        return 0;
    procedure = windowClass.procedure;
    registeredClass = windowClass.className;
    return 1;
}

bool FakeOs::unregisterClass(const char* className)
{
    callLog().add(std::string("os.unregisterClass ") + className);
    if (registeredClass != className)
        return false;
    registeredClass.clear();
    return true;
}

os::WindowHandle FakeOs::createWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style,
                                      int x, int y, int width, int height)
{
    callLog().add(std::string("os.createWindow ") + std::to_string(exStyle) + " " + className + " " + title + " " +
                  hex(style) + " " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(width) +
                  " " + std::to_string(height));
    if (failCreateWindow || registeredClass != className)
        return nullptr;
    windows.push_back(new FakeWindow{className, title, x, y, width, height, false, false});
    return handleOf(windows.back());
}

bool FakeOs::showWindow(os::WindowHandle window, int command)
{
    callLog().add("os.showWindow " + std::to_string(command));
    if (!window)
        return false;
    fakeWindow(window)->visible = true;
    fakeWindow(window)->minimized = command == os::SW_MINIMIZE;
    return true;
}

bool FakeOs::updateWindow(os::WindowHandle window)
{
    callLog().add("os.updateWindow");
    return window != nullptr;
}

bool FakeOs::isIconic(os::WindowHandle window)
{
    callLog().add("os.isIconic");
    return window && fakeWindow(window)->minimized;
}

bool FakeOs::isWindowVisible(os::WindowHandle window)
{
    callLog().add("os.isWindowVisible");
    return window && fakeWindow(window)->visible;
}

bool FakeOs::cursorPosition(os::Point* point)
{
    callLog().add("os.cursorPosition");
    *point = cursor;
    return true;
}

bool FakeOs::peekMessage(os::Message* message)
{
    callLog().add("os.peekMessage");
    if (!pumping) {
        pumping = true;
        if (++pumps > pumpLimit) {
            std::fprintf(stderr, "fake os: the main loop pumped messages %u times without ending\n", pumpLimit);
            std::abort();
        }
        if (onPump)
            onPump();
    }
    if (queue.empty())
        return false;
    *message = queue.front();
    queue.pop_front();
    return true;
}

bool FakeOs::translateMessage(const os::Message& message)
{
    callLog().add("os.translateMessage " + hex(message.message));
    return false;
}

os::LResult FakeOs::dispatchMessage(const os::Message& message)
{
    callLog().add("os.dispatchMessage " + hex(message.message));
    if (!message.window || !procedure)
        return 0;
    return procedure(message.window, message.message, message.wParam, message.lParam);
}

os::LResult FakeOs::sendMessage(os::WindowHandle window, uint32_t message, os::WParam wParam, os::LParam lParam)
{
    callLog().add("os.sendMessage " + hex(message) + " " + std::to_string(wParam));
    if (!window || !procedure)
        return 0;
    return procedure(window, message, wParam, lParam);
}

os::LResult FakeOs::defaultWindowProcedure(os::WindowHandle window, uint32_t message, os::WParam wParam,
                                           os::LParam lParam)
{
    callLog().add("os.defaultWindowProcedure " + hex(message) + " " + std::to_string(wParam));
    if (message == os::WM_NCLBUTTONDOWN && wParam == os::WParam(os::HTCAPTION) && onMoveLoop)
        onMoveLoop();
    if (message == os::WM_SYSKEYDOWN && wParam == os::VK_F4)
        return sendMessage(window, os::WM_CLOSE, 0, 0);
    (void)lParam;
    return 0;
}

void FakeOs::postQuitMessage(int exitCode)
{
    callLog().add("os.postQuitMessage " + std::to_string(exitCode));
    queue.push_back({nullptr, os::WM_QUIT, os::WParam(exitCode), 0});
}

static const char* statusName(os::PlaybackStatus status)
{
    switch (status) {
    case os::PlaybackStatus::Playing: return "playing";
    case os::PlaybackStatus::Paused: return "paused";
    case os::PlaybackStatus::Stopped: break;
    }
    return "stopped";
}

void FakeOs::setNowPlaying(const os::NowPlaying& state)
{
    callLog().add("os.setNowPlaying " + std::to_string(state.track) + "/" + std::to_string(state.trackCount) + " " +
                  statusName(state.status) + " " + std::to_string(state.volumeLevel));
    nowPlaying.push_back({state.trackCount, state.track, state.title ? state.title : "", state.status,
                          state.volumeLevel, state.lengthMicros, state.positionMicros});
}

} // namespace fake
