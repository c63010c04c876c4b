#include "app/window.h"
#include "scene_fixture.h"

namespace {

using LogoScenes = SceneFixture;

TEST_F(LogoScenes, LogoDrawsItsPictureWithTheFadeAlpha)
{
    show(LOGO_SCENE);
    frame(0.25f);
    ASSERT_EQ(items().size(), 1u);
    expectQuad(items()[0], {-0.35f, -0.35f, 0.7f, 0.7f, 0.7f, 0.646484375f, 0.9989f, 0.771484375f, 1.0f}, "logo");
    EXPECT_EQ(items()[0].texture, skinTexture);
    EXPECT_FLOAT_EQ(items()[0].a, 0.25f);
    EXPECT_FLOAT_EQ(items()[0].r, 1.0f);
}

TEST_F(LogoScenes, IntroDrawsBackgroundThenPicture)
{
    show(INTRO_SCENE);
    frame(0.5f);
    ASSERT_EQ(items().size(), 2u);
    expectQuad(items()[0], {-1.0f, -1.0f, 2.0f, 2.0f, 0.0f, 0.0f, 0.7979f, 0.3105f, 1.0f}, "background");
    expectQuad(items()[1], {-0.35f, -0.5f, 1.3f, 1.1f, 0.453f, 0.484f, 0.955f, 0.64f, 1.0f}, "picture");
    EXPECT_FLOAT_EQ(items()[1].a, 0.5f);
}

TEST_F(LogoScenes, EscapeDuringTheFadeInCrossFadesFromFullOpacity)
{
    show(LOGO_SCENE);
    frame(0.1f);
    tap(os::VK_ESCAPE, 0.1f);
    EXPECT_EQ(app.requestedScene, INTRO_SCENE);
    EXPECT_TRUE(logo->fade.fadingOut);
    EXPECT_FLOAT_EQ(logo->fade.alpha, 1.0f);
    // Next frame: the logo fades out, the intro fades in, logo submitted first.
    frame(0.25f);
    EXPECT_EQ(app.currentScene, INTRO_SCENE);
    ASSERT_EQ(items().size(), 3u);
    EXPECT_FLOAT_EQ(items()[0].u0, 0.7f);
    EXPECT_FLOAT_EQ(items()[0].a, 0.75f);
    EXPECT_FLOAT_EQ(items()[1].u1, 0.7979f);
    EXPECT_FLOAT_EQ(items()[2].u0, 0.453f);
    EXPECT_FLOAT_EQ(items()[2].a, 0.25f);
    // The logo does not ask again while it fades out, and still draws (at alpha 0)
    // in the update that deactivates it.
    frames(2, 0.5f);
    EXPECT_FALSE(isActive(LOGO_SCENE));
    EXPECT_EQ(items().size(), 3u);
    EXPECT_FLOAT_EQ(items()[0].a, 0.0f);
    EXPECT_EQ(app.currentScene, INTRO_SCENE);
}

TEST_F(LogoScenes, HandOverTimesAreStrict)
{
    show(LOGO_SCENE);
    FrameTimer::instance().elapsed = 3.0f;
    frame(0.0f);
    EXPECT_EQ(app.requestedScene, LOGO_SCENE);
    FrameTimer::instance().elapsed = 3.001f;
    frame(0.0f);
    EXPECT_EQ(app.requestedScene, INTRO_SCENE);
    frame(0.0f);
    EXPECT_EQ(app.currentScene, INTRO_SCENE);
    FrameTimer::instance().elapsed = 6.0f;
    frame(0.0f);
    EXPECT_EQ(app.requestedScene, INTRO_SCENE);
    FrameTimer::instance().elapsed = 6.001f;
    frame(0.0f);
    EXPECT_EQ(app.requestedScene, MAIN_SCENE);
}

TEST_F(LogoScenes, IntroEnteredAfterItsDeadlineHandsOverInItsFirstUpdate)
{
    FrameTimer::instance().elapsed = 6.5f;
    show(INTRO_SCENE);
    frame(0.0f);
    EXPECT_EQ(app.requestedScene, MAIN_SCENE);
    EXPECT_FLOAT_EQ(intro->fade.alpha, 1.0f);
    EXPECT_TRUE(intro->fade.fadingOut);
}

// The whole run through the main loop: 20 ms frames of simulated time.
struct LogoHandOver : SceneFixture {
    struct Pump {
        uint32_t current, requested;
        float elapsedNext;  // what the next frame's updates see
    };
    std::vector<Pump> pumps;
    std::function<void(int frame)> eachFrame;

    LogoHandOver()
    {
        app.createScenes = scenesWithoutDisk;
        platform.os.onPump = [this] {
            platform.os.ticks += 20;
            pumps.push_back({app.currentScene, app.requestedScene, FrameTimer::instance().elapsed});
            if (eachFrame)
                eachFrame(int(pumps.size()));
            if (pumps.size() == 500)
                platform.os.post(mainWindow, os::WM_CLOSE);
        };
    }

    // The first frame whose updates asked for scene n; -1 if none did.
    int frameRequesting(uint32_t n) const
    {
        for (size_t i = 0; i < pumps.size(); ++i)
            if (pumps[i].requested == n)
                return int(i);
        return -1;
    }
    float elapsedSeenBy(int frame) const { return frame == 0 ? 0.0f : pumps[size_t(frame - 1)].elapsedNext; }
};

TEST_F(LogoHandOver, OneEscapeSkipsExactlyOneScreen)
{
    // Escape goes down in the pump of frame 50 (1 s in) and up in the next pump.
    eachFrame = [this](int frame) {
        if (frame == 50)
            platform.os.post(mainWindow, os::WM_KEYDOWN, os::VK_ESCAPE);
        if (frame == 51)
            platform.os.post(mainWindow, os::WM_KEYUP, os::VK_ESCAPE);
    };
    app.run();
    int toIntro = frameRequesting(INTRO_SCENE);
    ASSERT_GT(toIntro, 0);
    EXPECT_LT(elapsedSeenBy(toIntro), 1.1f);
    // The intro keeps its own deadline, counted from start-up.
    int toMain = frameRequesting(MAIN_SCENE);
    EXPECT_LE(elapsedSeenBy(toMain - 1), 6.0f);
    EXPECT_GT(elapsedSeenBy(toMain), 6.0f);
}

TEST_F(LogoHandOver, EscapeOnThePlayerEndsTheRunOnceMusicAndPictureHaveFaded)
{
    eachFrame = [this](int frame) {
        if (frame == 420)
            platform.os.post(mainWindow, os::WM_KEYDOWN, os::VK_ESCAPE);
        if (frame == 421)
            platform.os.post(mainWindow, os::WM_KEYUP, os::VK_ESCAPE);
    };
    app.run();
    ASSERT_LT(pumps.size(), 500u) << "ended without a close message";
    EXPECT_GT(pumps.size(), 470u) << "after a one-second fade";
    EXPECT_EQ(platform.audio.volume, 40u);
    EXPECT_EQ(platform.audio.channel(musicLibrary.channels[0])->state, audio::ACTIVE_STOPPED);
    long stop = platform.log().find("audio.channelStop 1");
    ASSERT_GE(stop, 0);
    EXPECT_EQ(platform.log().calls[size_t(stop + 1)], "os.sleep 10");
}

} // namespace
