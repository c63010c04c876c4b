#include <cstring>

#include "platform/fake/fake_os.h"
#include "scene_fixture.h"
#include "scenes/c_random.h"

namespace {

constexpr float ASPECT = 820.0f / 320.0f;

struct MainSceneTest : SceneFixture {
    MainSceneTest()
    {
        show(MAIN_SCENE);
        platform.log().clear();
    }

    // Clicks the middle of a button given as the player screen lays it out (the
    // height before the aspect scaling).
    void clickButton(float x, float y, float w, float h) { click(x + w * 0.5f, y + h * ASPECT * 0.5f); }

    std::vector<uint32_t> volumesSet()
    {
        std::vector<uint32_t> volumes;
        for (const std::string& call : platform.log().starting("audio.setVolume "))
            volumes.push_back(uint32_t(std::stoul(call.substr(16))));
        return volumes;
    }
    size_t countAtDepth(float depth)
    {
        return size_t(std::count_if(items().begin(), items().end(), [&](const DrawItem& i) { return i.depth == depth; }));
    }
};

TEST_F(MainSceneTest, OneFrameSubmitsTheWholeLayoutInOrder)
{
    platform.audio.spectrum.fill(1.0f);  // every equalizer cell lit
    std::vector<MainBubble> bubbles = player->bubbles;
    frame(0.5f);
    const float a = 0.5f;
    std::vector<DrawItem>& it = items();
    size_t glyphs = 0;
    for (const DrawItem& i : it)
        glyphs += i.depth == 0.9f ? 1 : 0;
    ASSERT_GT(glyphs, 0u);
    ASSERT_EQ(it.size(), 13 + 1 + glyphs + 1 + 192 + 5 + 50 + 2);
    for (const DrawItem& i : it)
        EXPECT_FLOAT_EQ(i.a, a);
    expectQuad(it[0], {-1, -1, 2, 2, 0, 0, 0.7979f, 0.3105f, 1.0f}, "background");
    expectQuad(it[1], {-0.635f, 0.3f, 1.6f, 0.6f, 0, 0.3906f, 0.6152f, 0.4746f, 1.0f}, "title banner");
    expectQuad(it[2], {0.264f, -0.904f, 0.7f, 1.4f, 0, 0.7129f, 0.2588f, 0.9179f, 0.61f}, "player panel");
    const float k = 1.0f / 1024;
    expectQuad(it[3], {0.6f, -0.18f, 0.09f, 0.08f * ASPECT, 562 * k, 715 * k, 593 * k, 744 * k, 0.1f}, "stop");
    expectQuad(it[4], {0.69f, -0.18f, 0.09f, 0.08f * ASPECT, 593 * k, 715 * k, 0.61105f, 744 * k, 0.1f}, "play");
    expectQuad(it[5], {0.667f, -0.311f, 0.0475f, 0.052f * ASPECT, 585 * k, 744 * k, 602 * k, 762 * k, 0.1f}, "pause");
    expectQuad(it[6], {0.6f, -0.438f, 0.067f, 0.1f * ASPECT, 562 * k, 744 * k, 585 * k, 780 * k, 0.1f}, "previous");
    expectQuad(it[7], {0.7146f, -0.438f, 0.067f, 0.1f * ASPECT, 602 * k, 744 * k, 0.61135f, 780 * k, 0.1f}, "next");
    expectQuad(it[8], {0.667f, -0.4423f, 0.0474f, 0.135f, 585 * k, 762 * k, 602 * k, 0.76202f, 0.59f}, "ornament");
    for (int i = 0; i < 4; ++i)
        expectQuad(it[size_t(9 + i)],
                   {0.276f + 0.015f * float(i), -0.875f, 0.013f, 0.09f, 0.0332f, 0.9863f, 0.03809f, 1.0f, 0.6f},
                   "volume pip");
    expectQuad(it[13], {-0.464f, -0.57f, 0.73f, 0.25f, 0, 0.3145f, 0.32f, 0.3496f, 1.0f}, "title strip");
    // The title (offset -0.4 + 0.5 * 0.07) starts right of the strip's text origin.
    EXPECT_EQ(it[14].texture, fontTexture);
    EXPECT_FLOAT_EQ(it[14].x, -0.435f + 0.365f);
    EXPECT_FLOAT_EQ(it[14].y, -0.495f);
    EXPECT_FLOAT_EQ(it[14].height, 0.03f * ASPECT);
    size_t n = 14 + glyphs;
    expectQuad(it[n], {-0.464f, -0.57f, 0.73f, 0.25f, 0.68f, 0.3145f, 1.0f, 0.3496f, 0.85f}, "title frame");
    ++n;
    expectQuad(it[n], {-0.457f, -0.32f, 0.04f, 0.04f, 6 * k, 983 * k, 69 * k, 1000 * k, 1.0f}, "first cell");
    expectQuad(it[n + 191], {0.218f, 0.23f, 0.04f, 0.04f, 6 * k, 983 * k, 69 * k, 1000 * k, 1.0f}, "last cell");
    n += 192;
    expectQuad(it[n], {0.28f, -0.395f, 0.09f, 0.033f * ASPECT, 0.488f, 0.318f, 0.5195f, 0.329f, 0.1f}, "info");
    expectQuad(it[n + 1], {0.28f, -0.535f, 0.13f, 0.033f * ASPECT, 0.432f, 0.318f, 0.475f, 0.329f, 0.1f}, "about");
    expectQuad(it[n + 2], {0.28f, -0.68f, 0.09f, 0.033f * ASPECT, 0.388f, 0.318f, 0.416f, 0.329f, 0.1f}, "exit");
    expectQuad(it[n + 3], {0.473f, -0.87f, 0.04f, 0.032f * ASPECT, 0.00098f, 0.9863f, 0.0166f, 1.0f, 0.1f}, "up");
    expectQuad(it[n + 4], {0.43f, -0.87f, 0.04f, 0.032f * ASPECT, 0.0176f, 0.9863f, 0.03222f, 1.0f, 0.1f}, "down");
    n += 5;
    for (size_t b = 0; b < 50; ++b) {
        const MainBubble& bubble = bubbles[b];
        expectQuad(it[n + b], {bubble.x + 0.5f * bubble.speed * 0.01f, bubble.y, bubble.size, bubble.size * ASPECT, 0.875f, 0.875f, 0.99f, 0.99f,
                               0.1f},
                   "bubble");
    }
    n += 50;
    expectQuad(it[n], {0.862f, 0.77f, 0.05f, 0.046f * ASPECT, 0.3477f, 0.3164f, 0.366f, 0.331f, 0.1f}, "minimise");
    expectQuad(it[n + 1], {0.912f, 0.77f, 0.05f, 0.046f * ASPECT, 0.366f, 0.3164f, 0.383f, 0.331f, 0.1f}, "close");
    for (const DrawItem& i : it)
        EXPECT_EQ(i.texture, i.depth == 0.9f ? fontTexture : skinTexture);
}

// Notes how many quads had been submitted when each channel call came.
struct ProbeAudio : fake::FakeAudio {
    std::vector<std::pair<std::string, size_t>> calls;
    uint32_t channelIsActive(audio::Handle h) override
    {
        calls.push_back({"isActive", spriteBatch->items.size()});
        return FakeAudio::channelIsActive(h);
    }
    bool channelStop(audio::Handle h) override
    {
        calls.push_back({"stop", spriteBatch->items.size()});
        return FakeAudio::channelStop(h);
    }
};

TEST_F(MainSceneTest, BackgroundIsDrawnBetweenTheTrackEndCheckAndTheKeys)
{
    ProbeAudio probe;
    audio::installAudio(&probe);
    probe.init(-1, 44100, 0, nullptr, nullptr);
    for (size_t i = 0; i < 3; ++i)
        musicLibrary.channels[i] = probe.musicLoad(false, "x.xm", 0, 0, 0, 0);
    probe.channelPlay(musicLibrary.channels[0], false);
    input.keys[os::VK_RIGHT] = 1;
    frame();
    input.keys[os::VK_RIGHT] = 0;
    probe.calls.clear();
    frame();
    audio::installAudio(&platform.audio);
    // The end-of-track check sees an empty list; the key's stop sees the background.
    using Call = std::pair<std::string, size_t>;
    EXPECT_EQ(probe.calls, (std::vector<Call>{{"isActive", 0}, {"stop", 1}}));
    EXPECT_EQ(musicLibrary.currentTrack, 1);
}

TEST_F(MainSceneTest, KeysOpenTheOtherScreensAndSwitchTheEqualizer)
{
    tap('E');
    EXPECT_FALSE(equalizerOn);
    tap('E');
    EXPECT_TRUE(equalizerOn);
    tap('A');
    EXPECT_EQ(app.requestedScene, ABOUT_SCENE);
    EXPECT_TRUE(player->fade.fadingOut);
    frame();
    EXPECT_TRUE(isActive(ABOUT_SCENE));
    EXPECT_TRUE(isActive(MAIN_SCENE));
}

// During a cross-fade both screens handle the playback keys: one release of
// Cursor Right skips twice, the player's skip first (it has the lower number).
TEST_F(MainSceneTest, OneReleaseDuringTheCrossFadeToAboutIsSeenByBothScreensInOrder)
{
    tap('A');
    frame();
    ASSERT_TRUE(isActive(MAIN_SCENE) && isActive(ABOUT_SCENE));
    platform.log().clear();
    tap(os::VK_RIGHT);
    EXPECT_EQ(musicLibrary.currentTrack, 2);
    std::vector<std::string> skips;
    for (const std::string& call : platform.log().calls)
        if (call.starts_with("audio.channelStop") || call.starts_with("audio.channelPlay"))
            skips.push_back(call);
    EXPECT_EQ(skips, (std::vector<std::string>{"audio.channelStop 1", "audio.channelPlay 2 1", "audio.channelStop 2",
                                               "audio.channelPlay 3 1"}));
}

// The bubbles and the equalizer's cells stay as they were while the player is
// away: a visit to another screen neither re-seeds nor clears them.
TEST_F(MainSceneTest, BubblesAndEqualizerLevelsAreKeptAcrossVisits)
{
    tap('I');
    frames(60);
    ASSERT_FALSE(isActive(MAIN_SCENE));
    player->equalizerLevels.cells[3][2] = 0.8f;
    std::vector<MainBubble> left = player->bubbles;
    platform.os.ticks += 4321;
    moveMouse(0.0f, 0.0f);
    input.leftButton = true;
    frame();
    input.leftButton = false;
    frame(0.0f);  // the information screen asks for the player
    frame(0.0f);  // the player enters: nothing moves in a frame of no time
    ASSERT_TRUE(isActive(MAIN_SCENE));
    EXPECT_EQ(std::memcmp(left.data(), player->bubbles.data(), sizeof(MainBubble) * MAIN_BUBBLE_COUNT), 0);
    EXPECT_FLOAT_EQ(player->equalizerLevels.cells[3][2], 0.8f);
}

// A bubble only wraps once all of it has left: past the edge by less than its
// width it keeps drifting.
TEST_F(MainSceneTest, ABubblePartlyPastTheRightEdgeDoesNotWrap)
{
    MainBubble& b = player->bubbles[4];
    b.speed = 0.0f;
    b.x = 1.0f + b.size * 0.5f;
    frame(1.0f);
    EXPECT_FLOAT_EQ(b.x, 1.0f + b.size * 0.5f);
}

TEST_F(MainSceneTest, KeypadPlusAndMinusChangeTheTitleSpeedWhileHeld)
{
    input.keys[os::VK_ADD] = 1;
    frame(0.1f);  // first frame down: not yet held
    EXPECT_FLOAT_EQ(musicLibrary.titleScrollSpeed, 0.07f);
    frames(5, 0.1f);
    EXPECT_FLOAT_EQ(musicLibrary.titleScrollSpeed, 0.07f + 0.1f);
    input.keys[os::VK_ADD] = 0;
    input.keys[os::VK_SUBTRACT] = 1;
    frame(0.1f);
    frames(20, 0.1f);
    // No lower limit: the title runs backwards.
    EXPECT_NEAR(musicLibrary.titleScrollSpeed, 0.17f - 0.4f, 1e-5f);
    float before = musicLibrary.titleScroll[0];
    frame(0.1f);
    EXPECT_LT(musicLibrary.titleScroll[0], before);
}

TEST_F(MainSceneTest, TitleWrapsToTheRightEndOnceScrolledPastItsWidth)
{
    float width = musicLibrary.titleWidths[0];
    musicLibrary.titleScroll[0] = width - 0.001f;
    frame(0.02f);
    EXPECT_FLOAT_EQ(musicLibrary.titleScroll[0], -1.5f);
    // At -1.5 the strip is empty.
    frame(0.0f);
    EXPECT_EQ(countAtDepth(0.9f), 0u);
    // Each track keeps its own position.
    EXPECT_FLOAT_EQ(musicLibrary.titleScroll[1], -0.4f);
    // Running backwards never wraps.
    musicLibrary.titleScrollSpeed = -1.0f;
    frames(100, 0.1f);
    EXPECT_LT(musicLibrary.titleScroll[0], -10.0f);
}

TEST_F(MainSceneTest, TransportButtons)
{
    clickButton(0.6f, -0.18f, 0.09f, 0.08f);  // stop
    EXPECT_FALSE(musicLibrary.isPlaying);
    EXPECT_GE(platform.log().find("audio.channelSetPosition 1 0"), 0);
    clickButton(0.7146f, -0.438f, 0.067f, 0.1f);  // next
    EXPECT_EQ(musicLibrary.currentTrack, 1);
    clickButton(0.69f, -0.18f, 0.09f, 0.08f);  // play
    EXPECT_TRUE(musicLibrary.isPlaying);
    EXPECT_EQ(platform.audio.channel(musicLibrary.channels[1])->state, audio::ACTIVE_PLAYING);
    clickButton(0.667f, -0.311f, 0.0475f, 0.052f);  // pause
    EXPECT_FALSE(musicLibrary.isPlaying);
    EXPECT_EQ(platform.audio.channel(musicLibrary.channels[1])->state, audio::ACTIVE_PAUSED);
    clickButton(0.6f, -0.438f, 0.067f, 0.1f);  // previous
    clickButton(0.6f, -0.438f, 0.067f, 0.1f);
    EXPECT_EQ(musicLibrary.currentTrack, 2);
}

TEST_F(MainSceneTest, VolumeButtonsStepAndShowThePips)
{
    clickButton(0.473f, -0.87f, 0.04f, 0.032f);
    EXPECT_EQ(musicLibrary.volumeLevel, 5);
    EXPECT_EQ(platform.audio.volume, 50u);
    frame();
    EXPECT_EQ(countAtDepth(0.6f), 5u);
    for (int i = 0; i < 6; ++i)
        clickButton(0.43f, -0.87f, 0.04f, 0.032f);
    EXPECT_EQ(musicLibrary.volumeLevel, 0);
    frame();
    EXPECT_EQ(countAtDepth(0.6f), 0u);
    EXPECT_EQ(volumesSet().back(), 0u);
}

TEST_F(MainSceneTest, InfoButtonRequestsTheInformationScreen)
{
    clickButton(0.28f, -0.395f, 0.09f, 0.033f);
    EXPECT_EQ(app.requestedScene, INFO_SCENE);
}

TEST_F(MainSceneTest, AboutButtonRequestsTheAboutScreen)
{
    clickButton(0.28f, -0.535f, 0.13f, 0.033f);
    EXPECT_EQ(app.requestedScene, ABOUT_SCENE);
}

TEST_F(MainSceneTest, MinimiseButtonMinimisesTheWindow)
{
    clickButton(0.862f, 0.77f, 0.05f, 0.046f);
    EXPECT_EQ(platform.log().count("os.showWindow 6"), 1u);
    EXPECT_TRUE(fake::fakeWindow(RenderDevice::instance().windowHandle)->minimized);
    EXPECT_FALSE(player->closingState.closing);
}

TEST_F(MainSceneTest, ALeaveForAnotherScreenDoesNotTouchTheVolume)
{
    tap('A');
    frames(60);
    EXPECT_FALSE(isActive(MAIN_SCENE));
    EXPECT_EQ(platform.log().count("audio.setVolume"), 0u);
    EXPECT_EQ(platform.log().count("audio.channelStop"), 0u);
}

TEST_F(MainSceneTest, BubblesDriftRightAndReEnterAtTheLeftEdge)
{
    MainBubble& b = player->bubbles[7];
    b.x = 0.5f;
    b.speed = 2.0f;
    frame(1.0f);
    EXPECT_FLOAT_EQ(b.x, 0.52f);
    b.x = 1.0f + b.size - 0.001f;
    frame(1.0f);
    EXPECT_FLOAT_EQ(b.x, -1.0f - b.size);
}

TEST_F(MainSceneTest, BubblesArePlacedWithTheClassicGeneratorFromTheTickCount)
{
    // Seed 1 (tick count 1, bubble 0, timer seed 0) gives the first value 41.
    platform.os.ticks = 1;
    std::vector<MainBubble> bubbles = makeMainBubbles(0);
    ASSERT_EQ(bubbles.size(), 50u);
    EXPECT_FLOAT_EQ(bubbles[0].x, 41.0f / 32767.0f * 3.0f - 1.5f);
    // The second value is seeded with 1 + 0 + 41.
    cRandomSeed(42);
    EXPECT_FLOAT_EQ(bubbles[0].y, float(cRandom()) / 32767.0f * 0.4f - 1.5f);
    for (const MainBubble& b : bubbles) {
        EXPECT_GE(b.x, -1.5f);
        EXPECT_LE(b.x, 1.5f);
        EXPECT_GE(b.y, -1.5f);
        EXPECT_LE(b.y, -1.1f);
        EXPECT_GE(b.speed, 0.3f);
        EXPECT_LE(b.speed, 4.3f);
        EXPECT_GE(b.size, 0.3f);
        EXPECT_LE(b.size, 0.45f);
    }
    std::vector<MainBubble> again = makeMainBubbles(0);
    EXPECT_EQ(std::memcmp(again.data(), bubbles.data(), sizeof(MainBubble) * 50), 0);
}

TEST_F(MainSceneTest, WithoutTracksNothingIsIndexedAndNoTitleOrEqualizerIsShown)
{
    musicLibrary = MusicLibrary{};
    musicLibrary.isPlaying = true;
    for (uint32_t key : {uint32_t(os::VK_RETURN), uint32_t('P'), uint32_t(os::VK_LEFT), uint32_t(os::VK_RIGHT)})
        tap(key);
    input.keys[os::VK_ADD] = 1;
    frames(3);
    input.keys[os::VK_ADD] = 0;
    clickButton(0.6f, -0.18f, 0.09f, 0.08f);
    clickButton(0.69f, -0.18f, 0.09f, 0.08f);
    clickButton(0.667f, -0.311f, 0.0475f, 0.052f);
    clickButton(0.6f, -0.438f, 0.067f, 0.1f);
    clickButton(0.7146f, -0.438f, 0.067f, 0.1f);
    clickButton(0.473f, -0.87f, 0.04f, 0.032f);
    frame();
    EXPECT_EQ(countAtDepth(0.9f), 0u);
    EXPECT_EQ(items().size(), 13u - 4u + 2u + 5u + 50u + 2u);
    EXPECT_EQ(platform.log().count("audio.channel"), 0u);
}

} // namespace
