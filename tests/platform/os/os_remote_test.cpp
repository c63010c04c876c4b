// Remote control in the SDL os service: the keyboard's media keys, titles made fit
// for the bus, and a session without a bus.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/session_bus/mpris.h"
#include "tests/platform/os/os_test_window.h"

using namespace ostest;

TEST_F(SdlOsTest, MediaKeysBecomeAppCommandsOncePerPress)
{
    os::WindowHandle window = makeWindow();
    ASSERT_NE(window, nullptr) << SDL_GetError();
    takeMessages();
    const struct {
        SDL_Scancode scancode;
        SDL_Keycode symbol;
        int command;
    } keys[] = {
        {SDL_SCANCODE_AUDIOPLAY, SDLK_AUDIOPLAY, os::APPCOMMAND_MEDIA_PLAY_PAUSE},
        {SDL_SCANCODE_AUDIOSTOP, SDLK_AUDIOSTOP, os::APPCOMMAND_MEDIA_STOP},
        {SDL_SCANCODE_AUDIONEXT, SDLK_AUDIONEXT, os::APPCOMMAND_MEDIA_NEXTTRACK},
        {SDL_SCANCODE_AUDIOPREV, SDLK_AUDIOPREV, os::APPCOMMAND_MEDIA_PREVIOUSTRACK},
    };
    for (const auto& key : keys) {
        SCOPED_TRACE(SDL_GetScancodeName(key.scancode));
        pushKey(windowId(window), true, key.scancode, key.symbol);
        pushKey(windowId(window), true, key.scancode, key.symbol, 0, true);  // held: no second command
        pushKey(windowId(window), false, key.scancode, key.symbol);
        std::vector<os::Message> messages = takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].window, window);
        EXPECT_EQ(messages[0].message, os::WM_APPCOMMAND);
        EXPECT_EQ(os::appCommandOf(messages[0].lParam), key.command);
        EXPECT_EQ(uint32_t(messages[0].lParam >> 16) & os::FAPPCOMMAND_MASK, os::FAPPCOMMAND_KEY);
    }
}

TEST(BusText, Utf8PassesAndAnythingElseIsReadAsLatin1)
{
    EXPECT_EQ(busText(nullptr), "");
    EXPECT_EQ(busText("Plain ASCII"), "Plain ASCII");
    EXPECT_EQ(busText("Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5"), "Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5");
    EXPECT_EQ(busText("Caf\xe9"), "Caf\xc3\xa9");
    EXPECT_EQ(busText("\xff\x80"), "\xc3\xbf\xc2\x80");
    // A title with one sequence that is not UTF-8 (tests/unit/platform/utf8_test.cpp
    // has them all) is Latin-1 throughout.
    const char* bad = "\xc3\xa9t\xc3\xa9 \xed\xa0\x80";
    std::string converted = busText(bad);
    EXPECT_EQ(converted, "\xc3\x83\xc2\xa9t\xc3\x83\xc2\xa9 \xc3\xad\xc2\xa0\xc2\x80");
    EXPECT_EQ(busText(converted.c_str()), converted) << "the result is UTF-8";
}

// Without a session bus the service says so once and works as before.
TEST(NoSessionBus, OneLineOnStderrAndTheWindowWorks)
{
    const char* saved = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    std::string savedAddress = saved ? saved : "";
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    holdVideo();
    testing::internal::CaptureStderr();
    {
        std::unique_ptr<os::Os> service(createSdlOs());
        os::installOs(service.get());
        os::WindowClass windowClass = {os::CS_CLASSDC, recordingProcedure, "musicdisk", nullptr, 0};
        ASSERT_NE(service->registerClass(windowClass), 0);
        os::WindowHandle window =
            service->createWindow(0, "musicdisk", "Quorvatelle 3", os::WS_POPUPWINDOW, 10, 100, 820, 320);
        ASSERT_NE(window, nullptr);
        service->setNowPlaying({3, 1, "Title", os::PlaybackStatus::Playing, 5, 1000000, 0});
        received.clear();
        service->sendMessage(window, os::WM_CLOSE, 0, 0);
        os::Message message;
        while (service->peekMessage(&message))
            service->dispatchMessage(message);
        EXPECT_EQ(received.size(), 1u);
        os::installOs(nullptr);
    }
    std::string errors = testing::internal::GetCapturedStderr();
    if (saved)
        setenv("DBUS_SESSION_BUS_ADDRESS", savedAddress.c_str(), 1);
    else
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    EXPECT_NE(errors.find("no session bus"), std::string::npos) << errors;
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
}
