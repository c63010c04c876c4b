// The SDL os service: keyboard and mouse events as window messages, Alt+F4, and
// the move loop's handling of what arrives while it runs.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "tests/platform/os/os_test_window.h"

using namespace ostest;

namespace {

struct KeyCase {
    const char* name;
    SDL_Scancode scancode;
    SDL_Keycode symbol;
    uint32_t virtualKey;
};

const KeyCase KEY_CASES[] = {
    {"Escape", SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 0x1B},
    {"Enter", SDL_SCANCODE_RETURN, SDLK_RETURN, 0x0D},
    {"keypad Enter", SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, 0x0D},
    {"A", SDL_SCANCODE_A, SDLK_a, 0x41},
    {"P", SDL_SCANCODE_P, SDLK_p, 0x50},
    {"Z", SDL_SCANCODE_Z, SDLK_z, 0x5A},
    {"0", SDL_SCANCODE_0, SDLK_0, 0x30},
    {"1", SDL_SCANCODE_1, SDLK_1, 0x31},
    {"9", SDL_SCANCODE_9, SDLK_9, 0x39},
    {"left", SDL_SCANCODE_LEFT, SDLK_LEFT, 0x25},
    {"up", SDL_SCANCODE_UP, SDLK_UP, 0x26},
    {"right", SDL_SCANCODE_RIGHT, SDLK_RIGHT, 0x27},
    {"down", SDL_SCANCODE_DOWN, SDLK_DOWN, 0x28},
    {"keypad +", SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS, 0x6B},
    {"keypad -", SDL_SCANCODE_KP_MINUS, SDLK_KP_MINUS, 0x6D},
    {"space", SDL_SCANCODE_SPACE, SDLK_SPACE, 0x20},
    {"F1", SDL_SCANCODE_F1, SDLK_F1, 0x70},
    {"F4", SDL_SCANCODE_F4, SDLK_F4, 0x73},
    {"F12", SDL_SCANCODE_F12, SDLK_F12, 0x7B},
    {"keypad 0", SDL_SCANCODE_KP_0, SDLK_KP_0, 0x60},
    {"keypad 7", SDL_SCANCODE_KP_7, SDLK_KP_7, 0x67},
    {"shift", SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, 0x10},
    {"comma", SDL_SCANCODE_COMMA, SDLK_COMMA, 0xBC},
    // A French keyboard: the key where US has Q prints A, the one where US has M
    // prints a comma, and the top row still gives digits.
    {"AZERTY A", SDL_SCANCODE_Q, SDLK_a, 0x41},
    {"AZERTY comma", SDL_SCANCODE_M, SDLK_COMMA, 0xBC},
    {"AZERTY 1", SDL_SCANCODE_1, SDLK_AMPERSAND, 0x31},
    // A Russian keyboard prints Cyrillic on letter keys: the position names them.
    {"Cyrillic on E", SDL_SCANCODE_E, 0x0443, 0x45},
};

} // namespace

TEST_F(SdlOsTest, KeysBecomeKeyMessagesWithVirtualKeyCodes)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr);
    for (const KeyCase& key : KEY_CASES) {
        pushKey(windowId(window), true, key.scancode, key.symbol);
        pushKey(windowId(window), false, key.scancode, key.symbol);
        std::vector<os::Message> messages = takeMessages();
        ASSERT_EQ(messages.size(), 2u) << key.name;
        EXPECT_EQ(messages[0].message, os::WM_KEYDOWN) << key.name;
        EXPECT_EQ(messages[0].wParam, key.virtualKey) << key.name;
        EXPECT_EQ(messages[0].window, window) << key.name;
        EXPECT_EQ(messages[1].message, os::WM_KEYUP) << key.name;
        EXPECT_EQ(messages[1].wParam, key.virtualKey) << key.name;
    }
}

TEST_F(SdlOsTest, AltAndF10MakeSystemKeysButAltGrDoesNot)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr);
    uint32_t id = windowId(window);
    pushKey(id, true, SDL_SCANCODE_X, SDLK_x, KMOD_LALT);
    pushKey(id, false, SDL_SCANCODE_X, SDLK_x, KMOD_LALT);
    pushKey(id, true, SDL_SCANCODE_F10, SDLK_F10);
    pushKey(id, false, SDL_SCANCODE_F10, SDLK_F10);
    pushKey(id, true, SDL_SCANCODE_E, SDLK_e, KMOD_RALT | KMOD_LCTRL);
    std::vector<os::Message> messages = takeMessages();
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0].message, os::WM_SYSKEYDOWN);
    EXPECT_EQ(messages[0].wParam, 0x58u);
    EXPECT_EQ(messages[1].message, os::WM_SYSKEYUP);
    EXPECT_EQ(messages[2].message, os::WM_SYSKEYDOWN);
    EXPECT_EQ(messages[2].wParam, 0x79u);
    EXPECT_EQ(messages[3].message, os::WM_SYSKEYUP);
    EXPECT_EQ(messages[4].message, os::WM_KEYDOWN);
}

TEST_F(SdlOsTest, AutoRepeatDeliversFurtherKeyDowns)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr);
    pushKey(windowId(window), true, SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS);
    pushKey(windowId(window), true, SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS, 0, true);
    pushKey(windowId(window), true, SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS, 0, true);
    std::vector<os::Message> messages = takeMessages();
    ASSERT_EQ(messages.size(), 3u);
    for (const os::Message& message : messages) {
        EXPECT_EQ(message.message, os::WM_KEYDOWN);
        EXPECT_EQ(message.wParam, os::VK_ADD);
    }
    EXPECT_FALSE(messages[0].lParam & (1 << 30)) << "first press: the key was up before";
    EXPECT_TRUE(messages[1].lParam & (1 << 30)) << "repeat: the key was already down";
}

// Losing the keyboard, SDL reports the keys still down as released just before
// the focus loss: those releases are not the user's and do not reach the window.
TEST_F(SdlOsTest, FocusLossIsAKillFocusWithoutTheReleasesSdlMakesUp)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr);
    uint32_t id = windowId(window);
    pushKey(id, true, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    pushKey(id, true, SDL_SCANCODE_RETURN, SDLK_RETURN);
    pushKey(id, false, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    pushKey(id, false, SDL_SCANCODE_RETURN, SDLK_RETURN);
    SDL_Event focus = {};
    focus.type = SDL_WINDOWEVENT;
    focus.window.windowID = id;
    focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&focus);
    // A release after the focus came back is a real one.
    pushKey(id, false, SDL_SCANCODE_P, SDLK_p);
    std::vector<os::Message> messages = takeMessages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0].message, os::WM_KEYDOWN);
    EXPECT_EQ(messages[1].message, os::WM_KEYDOWN);
    EXPECT_EQ(messages[2].message, os::WM_KILLFOCUS);
    EXPECT_EQ(messages[2].window, window);
    EXPECT_EQ(messages[3].message, os::WM_KEYUP);
    EXPECT_EQ(messages[3].wParam, os::WParam('P'));
}

// The window never captures the mouse: with a button held, moves outside it are
// not delivered to it (the drag follows the pointer through the move loop).
TEST_F(SdlOsTest, TheMouseIsNeverCaptured)
{
    EXPECT_FALSE(SDL_GetHintBoolean(SDL_HINT_MOUSE_AUTO_CAPTURE, SDL_TRUE));
}

TEST_F(SdlOsTest, KeysWithoutACodeOrAWindowOfOursAreDropped)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr);
    pushKey(windowId(window), true, SDL_SCANCODE_VOLUMEUP, SDLK_VOLUMEUP);
    pushKey(0, true, SDL_SCANCODE_A, SDLK_a);
    pushMotion(0, 5, 5, 0);
    EXPECT_TRUE(takeMessages().empty());
}

TEST_F(SdlOsTest, MotionIsAHitTestInScreenPixelsThenAMoveInClientPixels)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr);
    int windowX = 0, windowY = 0;
    SDL_GetWindowPosition(sdlWindowOf(window), &windowX, &windowY);
    pushMotion(windowId(window), 101, 51, 0);
    pushMotion(windowId(window), 0, 0, SDL_BUTTON_LMASK | SDL_BUTTON_RMASK);

    std::vector<os::Message> messages = takeMessages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0].message, os::WM_NCHITTEST);
    EXPECT_EQ(messages[0].window, window);
    EXPECT_EQ(os::pointParamX(messages[0].lParam), windowX + 101);
    EXPECT_EQ(os::pointParamY(messages[0].lParam), windowY + 51);
    EXPECT_EQ(messages[1].message, os::WM_MOUSEMOVE);
    EXPECT_EQ(messages[1].wParam, 0u);
    EXPECT_EQ(os::pointParamX(messages[1].lParam), 100);
    EXPECT_EQ(os::pointParamY(messages[1].lParam), 50);
    // The border pixel lies outside the client area.
    EXPECT_EQ(messages[3].message, os::WM_MOUSEMOVE);
    EXPECT_EQ(messages[3].wParam, 0x01u | 0x02u);
    EXPECT_EQ(os::pointParamX(messages[3].lParam), -1);
    EXPECT_EQ(os::pointParamY(messages[3].lParam), -1);
}

TEST_F(SdlOsTest, ButtonsArriveInClientPixelsAndOnlyPressesAreHitTested)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr);
    uint32_t id = windowId(window);
    pushButton(id, true, SDL_BUTTON_LEFT, 11, 21);
    pushButton(id, false, SDL_BUTTON_LEFT, 11, 21);
    pushButton(id, true, SDL_BUTTON_RIGHT, 1, 1);
    pushButton(id, false, SDL_BUTTON_RIGHT, 1, 1);
    pushButton(id, true, SDL_BUTTON_MIDDLE, 1, 1);
    pushButton(id, false, SDL_BUTTON_MIDDLE, 1, 1);
    pushButton(id, true, SDL_BUTTON_X1, 1, 1);

    std::vector<os::Message> messages = takeMessages();
    const uint32_t expected[] = {os::WM_NCHITTEST, os::WM_LBUTTONDOWN,   os::WM_LBUTTONUP,
                                 os::WM_NCHITTEST, os::WM_RBUTTONDOWN,   os::WM_RBUTTONUP,
                                 os::WM_NCHITTEST, os::WM_MBUTTONDOWN,   os::WM_MBUTTONUP};
    ASSERT_EQ(messages.size(), std::size(expected));
    for (size_t i = 0; i < messages.size(); ++i)
        EXPECT_EQ(messages[i].message, expected[i]) << i;
    EXPECT_EQ(messages[1].wParam, 0x01u) << "the left button is down with its press";
    EXPECT_EQ(os::pointParamX(messages[1].lParam), 10);
    EXPECT_EQ(os::pointParamY(messages[1].lParam), 20);
    EXPECT_EQ(messages[2].wParam, 0u);
}

TEST_F(SdlOsTest, AltF4ThroughTheDefaultProcedureSendsWmClose)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr);
    pushKey(windowId(window), true, SDL_SCANCODE_F4, SDLK_F4, KMOD_LALT);
    for (const os::Message& message : takeMessages())
        service->dispatchMessage(message);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, os::WM_SYSKEYDOWN);
    EXPECT_EQ(received[0].wParam, os::VK_F4);
    EXPECT_EQ(received[1].message, os::WM_CLOSE);
    EXPECT_EQ(received[1].window, window);
    EXPECT_EQ(received[1].depth, 1) << "sent from inside the key's handling";

    received.clear();
    service->defaultWindowProcedure(window, os::WM_SYSKEYDOWN, 0x58, 0);
    EXPECT_TRUE(received.empty()) << "Alt+X closes nothing";
}

// With no button held (the offscreen driver has no real mouse) the move loop ends
// at once; what was pending is kept, except the motion and the left release.
TEST_F(SdlOsTest, TheMoveLoopKeepsPendingInputButTheMoveAndTheRelease)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr);
    uint32_t id = windowId(window);
    pushButton(id, true, SDL_BUTTON_LEFT, 50, 50);
    os::Message message = {};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(service->peekMessage(&message));
        service->dispatchMessage(message);
    }
    ASSERT_TRUE(leftButton);

    pushMotion(id, 60, 55, SDL_BUTTON_LMASK);
    ASSERT_TRUE(service->peekMessage(&message));
    ASSERT_EQ(message.message, os::WM_NCHITTEST);
    pushMotion(id, 70, 60, SDL_BUTTON_LMASK);
    pushKey(id, true, SDL_SCANCODE_P, SDLK_p);
    pushButton(id, false, SDL_BUTTON_LEFT, 70, 60);
    pushButton(id, true, SDL_BUTTON_RIGHT, 70, 60);
    received.clear();
    EXPECT_EQ(service->dispatchMessage(message), os::HTCLIENT);

    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[1].message, os::WM_NCLBUTTONDOWN);
    EXPECT_EQ(received[1].wParam, os::WParam(os::HTCAPTION));
    EXPECT_EQ(received[2].message, os::WM_LBUTTONUP);
    EXPECT_FALSE(leftButton);

    std::vector<os::Message> rest = takeMessages();
    ASSERT_EQ(rest.size(), 4u);
    EXPECT_EQ(rest[0].message, os::WM_MOUSEMOVE) << "queued before the loop began";
    EXPECT_EQ(rest[1].message, os::WM_KEYDOWN);
    EXPECT_EQ(rest[1].wParam, 0x50u);
    EXPECT_EQ(rest[2].message, os::WM_NCHITTEST);
    EXPECT_EQ(rest[3].message, os::WM_RBUTTONDOWN);
    EXPECT_EQ(rest[3].wParam, 0x02u) << "the left button counts as released";
}
