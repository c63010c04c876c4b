#include "scene_fixture.h"

namespace {

struct SceneListTest : ::testing::Test {
    fake::FakePlatform platform;
    ~SceneListTest() override { resetSceneGlobals(); }
};

TEST_F(SceneListTest, BuildsTheSixScreensInNumberOrderWithTheTimerStartedAfterTheDiskLoaded)
{
    RenderDevice::instance();
    GuiRenderer::instance();
    FrameTimer::destroy();
    platform.log().clear();
    SceneList scenes = createDiskScenes();
    EXPECT_NE(dynamic_cast<GlobalInitializationScene*>(scenes[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<KavScene*>(scenes[LOGO_SCENE].get()), nullptr);
    EXPECT_NE(dynamic_cast<IntroScene*>(scenes[INTRO_SCENE].get()), nullptr);
    EXPECT_NE(dynamic_cast<MainScene*>(scenes[MAIN_SCENE].get()), nullptr);
    EXPECT_NE(dynamic_cast<AboutScene*>(scenes[ABOUT_SCENE].get()), nullptr);
    EXPECT_NE(dynamic_cast<InfoScene*>(scenes[INFO_SCENE].get()), nullptr);
    for (const auto& scene : scenes)
        EXPECT_FALSE(scene->active);
    EXPECT_TRUE(equalizerOn);
    // The disk start-up (atlas, audio) comes before the first tick is read: the
    // timer's start, then one tick read per bubble value.
    long init = platform.log().find("audio.init");
    long firstTick = platform.log().find("os.tickCount");
    ASSERT_GE(init, 0);
    EXPECT_LT(platform.log().find("gpu.createTextureFromFile data/velta.png"), init);
    EXPECT_GT(firstTick, init);
    EXPECT_EQ(platform.log().count("os.tickCount"), 1u + 4u * 50u);
    EXPECT_EQ(static_cast<MainScene*>(scenes[MAIN_SCENE].get())->bubbles.size(), 50u);
    EXPECT_TRUE(static_cast<AboutScene*>(scenes[ABOUT_SCENE].get())->bubbles.empty());
    // Scene 0 goes first, freeing the disk.
    scenes[0].reset();
    EXPECT_GE(platform.log().find("audio.free"), 0);
}

} // namespace
