#include "tests/platform/os/os_test_window.h"

#include <cstdlib>

namespace ostest {

std::vector<Received> received;
bool leftButton = false;
static int depth = 0;

os::LResult recordingProcedure(os::WindowHandle window, uint32_t message, os::WParam wParam, os::LParam lParam)
{
    received.push_back({window, message, wParam, lParam, depth});
    ++depth;
    os::LResult result = 0;
    switch (message) {
    case os::WM_LBUTTONDOWN:
        leftButton = true;
        break;
    case os::WM_LBUTTONUP:
        leftButton = false;
        break;
    case os::WM_NCHITTEST:
        if (leftButton) {
            os::Point cursor = {0, 0};
            os::os().cursorPosition(&cursor);
            os::LParam position = os::makePointParam(cursor.x, cursor.y);
            os::os().sendMessage(window, os::WM_NCLBUTTONDOWN, os::WParam(os::HTCAPTION), position);
            os::os().sendMessage(window, os::WM_LBUTTONUP, os::WParam(os::HTCAPTION), position);
        }
        result = os::HTCLIENT;
        break;
    case WM_USER:
        result = 1 + os::os().sendMessage(window, WM_USER_NESTED, wParam + 1, lParam);
        break;
    case WM_USER_NESTED:
        result = os::LResult(wParam) * 10;
        break;
    default:
        result = os::os().defaultWindowProcedure(window, message, wParam, lParam);
        break;
    }
    --depth;
    return result;
}

void holdVideo()
{
    static bool videoHeld = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 && SDL_GL_LoadLibrary(nullptr) == 0;
    (void)videoHeld;
}

void SdlOsTest::SetUpTestSuite()
{
    // No display at all: a message box must not find one to wait on.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    holdVideo();
}

void SdlOsTest::SetUp()
{
    received.clear();
    leftButton = false;
    service.reset(createSdlOs());
    os::installOs(service.get());
}

void SdlOsTest::TearDown()
{
    os::installOs(nullptr);
    service.reset();
}

os::WindowHandle SdlOsTest::makeWindow(uint32_t style, int x, int y, int width, int height)
{
    os::WindowClass windowClass = {os::CS_CLASSDC, recordingProcedure, "musicdisk", nullptr, 0};
    service->registerClass(windowClass);
    return service->createWindow(0, "musicdisk", "Quorvatelle 3", style, x, y, width, height);
}

std::vector<os::Message> SdlOsTest::takeMessages()
{
    std::vector<os::Message> messages;
    os::Message message;
    while (service->peekMessage(&message))
        messages.push_back(message);
    return messages;
}

void pushKey(uint32_t windowId, bool down, SDL_Scancode scancode, SDL_Keycode symbol, uint16_t modifiers,
             bool repeat)
{
    SDL_Event event = {};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = windowId;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = symbol;
    event.key.keysym.mod = modifiers;
    SDL_PushEvent(&event);
}

void pushMotion(uint32_t windowId, int x, int y, uint32_t buttons)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = windowId;
    event.motion.x = x;
    event.motion.y = y;
    event.motion.state = buttons;
    SDL_PushEvent(&event);
}

void pushButton(uint32_t windowId, bool down, uint8_t button, int x, int y)
{
    SDL_Event event = {};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.windowID = windowId;
    event.button.button = button;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = x;
    event.button.y = y;
    SDL_PushEvent(&event);
}

} // namespace ostest
