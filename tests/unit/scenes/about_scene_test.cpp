#include <cstring>

#include "scene_fixture.h"
#include "scenes/c_random.h"

namespace {

constexpr float ASPECT = 820.0f / 320.0f;

struct AboutSceneTest : SceneFixture {
    AboutSceneTest()
    {
        musicLibrary.scrollText = "A disk of three tunes\nMade for testing\n";
        musicLibrary.scrollTextHeight = measureTextBoxHeight(musicLibrary.scrollText.c_str(), 0.033f, 0.75f);
        show(ABOUT_SCENE);
        platform.log().clear();
    }
};

TEST_F(AboutSceneTest, OneFrameDrawsTheLayoutTextAndBubbles)
{
    aboutScrollOffset = 0.0f;
    aboutScrollSpeed = 0.0f;
    frame(0.5f);
    std::vector<DrawItem>& it = items();
    ASSERT_GT(it.size(), 3u + 50u + 1u);
    expectQuad(it[0], {-1, -1, 2, 2, 0, 0, 0.7979f, 0.3105f, 1.0f}, "background");
    expectQuad(it[1], {-0.3f, -0.2f, 1.2f, 1.0f, 0, 0.488f, 0.449f, 0.625f, 0.2f}, "text frame");
    expectQuad(it[2], {0.46f, -0.95f, 0.43f, 0.177f, 0, 0.361f, 0.146f, 0.381f, 1.0f}, "decoration");
    size_t glyphs = it.size() - 3 - 50 - 1;
    for (size_t i = 3; i < 3 + glyphs; ++i) {
        EXPECT_EQ(it[i].texture, fontTexture);
        EXPECT_FLOAT_EQ(it[i].a, 0.5f);
    }
    // Offset 0: the first line stands on the box's top edge.
    EXPECT_FLOAT_EQ(it[3].x, -0.2f);
    EXPECT_FLOAT_EQ(it[3].y, -0.12f);
    EXPECT_FLOAT_EQ(it[3].height, 0.033f * ASPECT);
    for (size_t b = 0; b < 50; ++b) {
        const AboutBubble& bubble = about->bubbles[b];
        const DrawItem& item = it[3 + glyphs + b];
        expectQuad(item, {bubble.x, bubble.y, bubble.size, ASPECT * bubble.size, 0.083984375f, 0.96875f,
                          0.115257815f, 0.999f, 0.1f},
                   "bubble");
        EXPECT_EQ(item.r, 0.0f);
        EXPECT_FLOAT_EQ(item.g, bubble.size * 4.0f + 0.5f);
        EXPECT_FLOAT_EQ(item.b, bubble.size * 4.0f + 0.5f);
        EXPECT_FLOAT_EQ(item.a, 0.2f);
    }
    expectQuad(it.back(), {-0.23f, -0.698f, 1.0400391f, ASPECT * 0.27462885f, 0.30644f, 0.81445f, 0.72266f,
                           0.920898f, 0.5f},
               "caption");
}

TEST_F(AboutSceneTest, BubblesAreMadeOnTheFirstVisitOnlyAndKept)
{
    ASSERT_EQ(about->bubbles.size(), 50u);
    for (const AboutBubble& b : about->bubbles) {
        EXPECT_GE(b.x, -1.0f);
        EXPECT_LE(b.x, 1.0f);
        EXPECT_GE(b.y, -1.0f);
        EXPECT_LE(b.y, 1.0f);
        EXPECT_GE(b.speed, 0.7f);
        EXPECT_LE(b.speed, 7.7f);
        EXPECT_GE(b.size, 0.02f);
        EXPECT_LE(b.size, 0.1f);
    }
    tap('I');
    frames(60);
    ASSERT_FALSE(isActive(ABOUT_SCENE));
    std::vector<AboutBubble> moved = about->bubbles;
    platform.os.ticks += 12345;
    tap('A');
    frame(0.0f);
    ASSERT_TRUE(isActive(ABOUT_SCENE));
    ASSERT_EQ(about->bubbles.size(), 50u);
    EXPECT_EQ(std::memcmp(moved.data(), about->bubbles.data(), sizeof(AboutBubble) * 50), 0);
}

TEST_F(AboutSceneTest, BubblesArePlacedWithTheClassicGeneratorFromTheTickCountAndTheTimer)
{
    // Seed 1 (tick count 1, bubble 0, timer seed 0) gives the first value 41.
    platform.os.ticks = 1;
    std::vector<AboutBubble> bubbles = makeAboutBubbles(0);
    ASSERT_EQ(bubbles.size(), 50u);
    EXPECT_FLOAT_EQ(bubbles[0].x, 2.0f * 41.0f / 32767.0f - 1.0f);
    // The second value is seeded with 1 + 0 + 41.
    cRandomSeed(42);
    EXPECT_FLOAT_EQ(bubbles[0].y, 2.0f * float(cRandom()) / 32767.0f - 1.0f);
    // The first visit seeds with the timer's elapsed milliseconds.
    resetSceneGlobals();
    RenderDevice::instance();
    FrameTimer::instance().elapsed = 2.5f;
    AboutScene fresh;
    platform.os.ticks = 777;
    fresh.enter();
    std::vector<AboutBubble> expected = makeAboutBubbles(2500);
    ASSERT_EQ(fresh.bubbles.size(), 50u);
    EXPECT_EQ(std::memcmp(expected.data(), fresh.bubbles.data(), sizeof(AboutBubble) * 50), 0);
}

TEST_F(AboutSceneTest, ScrollOffsetAndSpeedAreKeptAcrossVisits)
{
    input.keys[os::VK_SUBTRACT] = 1;
    frames(5, 0.1f);
    input.keys[os::VK_SUBTRACT] = 0;
    tap('I');
    frames(60);
    ASSERT_FALSE(isActive(ABOUT_SCENE));
    float offset = aboutScrollOffset;
    float speed = aboutScrollSpeed;
    EXPECT_NE(speed, -0.08f);
    tap('A', 0.0f);
    frame(0.0f);
    ASSERT_TRUE(isActive(ABOUT_SCENE));
    EXPECT_EQ(aboutScrollOffset, offset);
    EXPECT_EQ(aboutScrollSpeed, speed);
}

// A bubble only comes back at the top once all of it has dropped below the
// bottom edge.
TEST_F(AboutSceneTest, ABubblePartlyBelowTheBottomDoesNotWrap)
{
    AboutBubble& b = about->bubbles[6];
    b.speed = 0.0f;
    b.y = -1.0f - ASPECT * b.size * 0.5f;
    frame(1.0f);
    EXPECT_FLOAT_EQ(b.y, -1.0f - ASPECT * b.size * 0.5f);
}

TEST_F(AboutSceneTest, BubblesFallAndComeBackAboveTheTop)
{
    AboutBubble& b = about->bubbles[3];
    b.y = 0.0f;
    b.speed = 5.0f;
    frame(1.0f);
    EXPECT_FLOAT_EQ(b.y, -0.1f);
    b.y = -1.0f - ASPECT * b.size + 0.001f;
    frame(1.0f);
    EXPECT_FLOAT_EQ(b.y, ASPECT * b.size + 1.0f);
}

TEST_F(AboutSceneTest, TextRisesAtTheDefaultSpeedAndKeypadKeysChangeIt)
{
    frame(1.0f);
    EXPECT_FLOAT_EQ(aboutScrollOffset, 0.3f - 0.08f);
    // + held for one second: -0.28.
    input.keys[os::VK_ADD] = 1;
    frame(0.0f);
    frames(10, 0.1f);
    EXPECT_FLOAT_EQ(aboutScrollSpeed, -0.28f);
    input.keys[os::VK_ADD] = 0;
    // - held long enough: the text moves down.
    input.keys[os::VK_SUBTRACT] = 1;
    frame(0.0f);
    frames(20, 0.1f);
    EXPECT_GT(aboutScrollSpeed, 0.0f);
    float before = aboutScrollOffset;
    frame(0.1f);
    EXPECT_GT(aboutScrollOffset, before);
}

TEST_F(AboutSceneTest, TextComesBackFromBelowOnceItHasPassedTheBox)
{
    float height = musicLibrary.scrollTextHeight;
    ASSERT_LT(height, 0.0f);
    aboutScrollOffset = height + 0.01f;
    frame(0.1f);  // moves 0.008: still on screen
    EXPECT_NEAR(aboutScrollOffset, height + 0.002f, 1e-6f);
    frame(0.1f);
    EXPECT_FLOAT_EQ(aboutScrollOffset, 1.0f);
}

TEST_F(AboutSceneTest, AnEmptyTextKeepsCycling)
{
    musicLibrary.scrollText.clear();
    musicLibrary.scrollTextHeight = 0.0f;
    aboutScrollOffset = 0.001f;
    frame(0.1f);
    EXPECT_FLOAT_EQ(aboutScrollOffset, 1.0f);
}

TEST_F(AboutSceneTest, KeysAndClicks)
{
    tap('A');
    EXPECT_EQ(app.requestedScene, ABOUT_SCENE);
    EXPECT_FALSE(about->fade.fadingOut);
    tap(os::VK_LEFT);
    EXPECT_EQ(musicLibrary.currentTrack, 2);
    moveMouse(0.9f, 0.9f);
    input.leftButton = true;
    frame();
    input.leftButton = false;
    frame();
    EXPECT_EQ(app.requestedScene, MAIN_SCENE);
    tap('I');
    EXPECT_EQ(app.requestedScene, INFO_SCENE);
}

} // namespace
