// The SDL os service: classes, windows, the message box, and the messages that
// are not input (close, quit, send, dispatch).
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/platform/os/os_test_window.h"

using namespace ostest;

TEST_F(SdlOsTest, ClassNamesAreRegisteredOnce)
{
    os::WindowClass windowClass = {os::CS_CLASSDC, recordingProcedure, "musicdisk", nullptr, 0};
    uint16_t atom = service->registerClass(windowClass);
    EXPECT_NE(atom, 0);
    EXPECT_EQ(service->registerClass(windowClass), 0) << "a second class of the same name";

    os::WindowClass other = {0, recordingProcedure, "other", nullptr, 0};
    uint16_t otherAtom = service->registerClass(other);
    EXPECT_NE(otherAtom, 0);
    EXPECT_NE(otherAtom, atom);

    EXPECT_TRUE(service->unregisterClass("musicdisk"));
    EXPECT_FALSE(service->unregisterClass("musicdisk"));
    EXPECT_NE(service->registerClass(windowClass), 0) << "a name is free again once unregistered";
}

TEST_F(SdlOsTest, ClassesWithoutANameAreRefused)
{
    os::WindowClass unnamed = {0, recordingProcedure, "", nullptr, 0};
    EXPECT_EQ(service->registerClass(unnamed), 0);
    unnamed.className = nullptr;
    EXPECT_EQ(service->registerClass(unnamed), 0);
    EXPECT_FALSE(service->unregisterClass(nullptr));
    EXPECT_FALSE(service->unregisterClass("never registered"));
}

TEST_F(SdlOsTest, WindowsOfUnknownClassesOrNoSizeAreNotMade)
{
    EXPECT_EQ(service->createWindow(0, "musicdisk", "t", os::WS_POPUPWINDOW, 0, 0, 100, 100), nullptr);
    EXPECT_EQ(service->createWindow(0, nullptr, "t", os::WS_POPUPWINDOW, 0, 0, 100, 100), nullptr);
    os::WindowClass windowClass = {0, recordingProcedure, "musicdisk", nullptr, 0};
    ASSERT_NE(service->registerClass(windowClass), 0);
    EXPECT_EQ(service->createWindow(0, "musicdisk", "t", os::WS_POPUPWINDOW, 0, 0, 0, 100), nullptr);
    service->unregisterClass("musicdisk");
    EXPECT_EQ(service->createWindow(0, "musicdisk", "t", os::WS_POPUPWINDOW, 0, 0, 100, 100), nullptr);
}

TEST_F(SdlOsTest, APopupWindowIsHiddenBorderlessWithItsClientAreaInsetByOne)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr) << SDL_GetError();
    SDL_Window* sdlWindow = sdlWindowOf(window);
    uint32_t flags = SDL_GetWindowFlags(sdlWindow);
    EXPECT_TRUE(flags & SDL_WINDOW_HIDDEN);
    EXPECT_TRUE(flags & SDL_WINDOW_BORDERLESS);
    EXPECT_TRUE(flags & SDL_WINDOW_OPENGL);
    EXPECT_STREQ(SDL_GetWindowTitle(sdlWindow), "Quorvatelle 3");
    int width = 0, height = 0;
    SDL_GetWindowSize(sdlWindow, &width, &height);
    EXPECT_EQ(width, 820);
    EXPECT_EQ(height, 320);

    ClientArea client = sdlClientAreaOf(window);
    EXPECT_EQ(client.x, 1);
    EXPECT_EQ(client.y, 1);
    EXPECT_EQ(client.width, 818);
    EXPECT_EQ(client.height, 318);
}

TEST_F(SdlOsTest, AWindowWithoutABorderIsAllClientArea)
{
    os::WindowHandle window = makeWindow(0, 0, 0, 64, 32);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    ClientArea client = sdlClientAreaOf(window);
    EXPECT_EQ(client.x, 0);
    EXPECT_EQ(client.y, 0);
    EXPECT_EQ(client.width, 64);
    EXPECT_EQ(client.height, 32);
    ClientArea none = sdlClientAreaOf(nullptr);
    EXPECT_EQ(none.width, 0);
}

TEST_F(SdlOsTest, AClassIconOfAnySaneSizeIsAccepted)
{
    std::vector<uint8_t> icon(48 * 48 * 4, 0x80);
    os::WindowClass windowClass = {0, recordingProcedure, "musicdisk", icon.data(), 48};
    ASSERT_NE(service->registerClass(windowClass), 0);
    icon.assign(icon.size(), 0);  // the class keeps its own copy
    EXPECT_NE(service->createWindow(0, "musicdisk", "t", os::WS_POPUPWINDOW, 0, 0, 100, 100), nullptr);

    os::WindowClass hugeIcon = {0, recordingProcedure, "huge", icon.data(), 100000};
    ASSERT_NE(service->registerClass(hugeIcon), 0) << "an impossible icon is ignored, not read";
    EXPECT_NE(service->createWindow(0, "huge", "t", os::WS_POPUPWINDOW, 0, 0, 100, 100), nullptr);
}

TEST_F(SdlOsTest, ShowingRaisesAndCloseInTheDefaultProcedureHides)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(service->isWindowVisible(window)) << "made hidden";
    EXPECT_TRUE(service->showWindow(window, os::SW_SHOWNORMAL));
    EXPECT_TRUE(service->updateWindow(window));
    EXPECT_TRUE(SDL_GetWindowFlags(sdlWindowOf(window)) & SDL_WINDOW_SHOWN);
    EXPECT_TRUE(service->isWindowVisible(window));
    EXPECT_FALSE(service->isIconic(window));
    // Without a window manager (the offscreen driver) nothing minimises it.
    EXPECT_TRUE(service->showWindow(window, os::SW_MINIMIZE));

    EXPECT_EQ(service->defaultWindowProcedure(window, os::WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(SDL_GetWindowFlags(sdlWindowOf(window)) & SDL_WINDOW_SHOWN);
    EXPECT_FALSE(service->isWindowVisible(window));
}

TEST_F(SdlOsTest, HandlesItDidNotMakeAreRefusedWithoutBeingRead)
{
    int notAWindow = 0;
    auto stranger = reinterpret_cast<os::WindowHandle>(&notAWindow);
    EXPECT_FALSE(service->showWindow(nullptr, os::SW_SHOWNORMAL));
    EXPECT_FALSE(service->showWindow(stranger, os::SW_SHOWNORMAL));
    EXPECT_FALSE(service->updateWindow(stranger));
    EXPECT_FALSE(service->isIconic(stranger));
    EXPECT_FALSE(service->isWindowVisible(stranger));
    EXPECT_EQ(service->sendMessage(stranger, WM_USER, 0, 0), 0);
    EXPECT_EQ(service->dispatchMessage({stranger, WM_USER, 0, 0}), 0);
    EXPECT_EQ(service->defaultWindowProcedure(stranger, os::WM_NCLBUTTONDOWN, os::HTCAPTION, 0), 0);
    EXPECT_FALSE(service->cursorPosition(nullptr));
    EXPECT_TRUE(received.empty());
}

TEST_F(SdlOsTest, AMessageBoxWithoutADisplayPrintsAndReturnsAtOnce)
{
    os::WindowHandle window = makeWindow();
    testing::internal::CaptureStderr();
    uint32_t start = SDL_GetTicks();
    EXPECT_EQ(service->messageBox(window, "Failed to create Direct3D Device", "Quorvatelle", os::MB_OK), os::IDOK);
    EXPECT_EQ(service->messageBox(nullptr, nullptr, nullptr, os::MB_OK), os::IDOK);
    uint32_t took = SDL_GetTicks() - start;
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("Quorvatelle: Failed to create Direct3D Device\n"), std::string::npos) << printed;
    EXPECT_LT(took, 5000u) << "the box waited for someone";
}

TEST_F(SdlOsTest, ACloseRequestBecomesWmCloseForItsWindow)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr);
    SDL_Event close = {};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = windowId(window);
    SDL_PushEvent(&close);
    close.window.windowID = windowId(window) + 1000;  // a window that is not ours
    SDL_PushEvent(&close);
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);

    std::vector<os::Message> messages = takeMessages();
    ASSERT_EQ(messages.size(), 2u);
    for (const os::Message& message : messages) {
        EXPECT_EQ(message.message, os::WM_CLOSE);
        EXPECT_EQ(message.window, window);
        EXPECT_EQ(service->dispatchMessage(message), 0);
    }
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, os::WM_CLOSE);
}

TEST_F(SdlOsTest, AQuitRequestWithNoWindowQuits)
{
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    std::vector<os::Message> messages = takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, os::WM_QUIT);
}

TEST_F(SdlOsTest, PostQuitQueuesWmQuitThatIsNeverDispatched)
{
    os::WindowHandle window = makeWindow();
    service->postQuitMessage(3);
    os::Message message = {};
    ASSERT_TRUE(service->peekMessage(&message));
    EXPECT_EQ(message.message, os::WM_QUIT);
    EXPECT_EQ(message.window, nullptr);
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_EQ(service->dispatchMessage(message), 0);
    EXPECT_EQ(service->dispatchMessage({window, os::WM_QUIT, 0, 0}), 0);
    EXPECT_TRUE(received.empty());
    EXPECT_FALSE(service->peekMessage(&message));
}

TEST_F(SdlOsTest, SendMessageRunsTheProcedureAtOnceAndReentersIt)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(service->sendMessage(window, WM_USER, 4, 77), 1 + 50);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, WM_USER);
    EXPECT_EQ(received[0].depth, 0);
    EXPECT_EQ(received[1].message, WM_USER_NESTED);
    EXPECT_EQ(received[1].depth, 1);
    EXPECT_EQ(received[1].window, window);
    EXPECT_EQ(received[1].lParam, 77);
}

TEST_F(SdlOsTest, TheProcedureIsTheClassesAtCreation)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr);
    service->unregisterClass("musicdisk");
    EXPECT_EQ(service->dispatchMessage({window, WM_USER, 0, 0}), 11);
}
