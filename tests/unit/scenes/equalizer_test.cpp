#include <cmath>
#include <cstring>
#include <limits>

#include "scene_fixture.h"

namespace {

struct EqualizerTest : SceneFixture {
    EqualizerLevels levels = {};

    int litCount(int column) const
    {
        int n = 0;
        for (float level : levels.cells[column])
            n += level == 1.0f ? 1 : 0;
        return n;
    }
};

TEST_F(EqualizerTest, EachBinLightsItsColumnFromTheBottom)
{
    spectrum[0] = 0.1f;           // 7 cells
    spectrum[1] = 0.0142f;        // 0.994: none
    spectrum[2] = 12.0f / 70.0f;  // the whole column
    spectrum[3] = 50.0f;
    spectrum[4] = -1.0f;
    spectrum[5] = std::numeric_limits<float>::quiet_NaN();
    spectrum[6] = std::numeric_limits<float>::infinity();
    spectrum[16] = 1.0f;  // beyond the 16 columns shown
    levels.cells[1][0] = 0.5f;    // a column with nothing to light keeps its levels
    lightEqualizer(levels);
    EXPECT_EQ(litCount(0), 7);
    EXPECT_EQ(levels.cells[0][6], 1.0f);
    EXPECT_EQ(levels.cells[0][7], 0.0f);
    EXPECT_EQ(litCount(1), 0);
    EXPECT_EQ(levels.cells[1][0], 0.5f);
    EXPECT_EQ(litCount(2), 12);
    EXPECT_EQ(litCount(3), 12);
    EXPECT_EQ(litCount(4), 0);
    EXPECT_EQ(litCount(5), 0);
    EXPECT_EQ(litCount(6), 12);
    EXPECT_EQ(litCount(15), 0);
}

TEST_F(EqualizerTest, CellsFadeToDarkInAQuarterSecond)
{
    spectrum[0] = 1.0f;
    lightEqualizer(levels);
    spectrum[0] = 0.0f;
    decayEqualizer(levels, 0.1f);
    lightEqualizer(levels);
    for (float level : levels.cells[0])
        EXPECT_FLOAT_EQ(level, 0.6f);
    // Dark 0.25 s after the fall, and never below zero.
    spectrum[0] = 1.0f;
    lightEqualizer(levels);
    decayEqualizer(levels, 0.125f);
    EXPECT_EQ(levels.cells[0][0], 0.5f);
    decayEqualizer(levels, 0.125f);
    EXPECT_EQ(levels.cells[0][0], 0.0f);
    decayEqualizer(levels, 0.125f);
    for (float level : levels.cells[0])
        EXPECT_EQ(level, 0.0f);
}

TEST_F(EqualizerTest, CellAlphaIsTheSmallerOfSceneAlphaAndLevel)
{
    levels.cells[0][0] = 1.0f;
    levels.cells[0][1] = 0.3f;
    drawEqualizer(levels, 0.5f);
    ASSERT_EQ(items().size(), 192u);
    EXPECT_FLOAT_EQ(items()[0].a, 0.5f);
    EXPECT_FLOAT_EQ(items()[1].a, 0.3f);
    EXPECT_EQ(items()[2].a, 0.0f) << "dark cells are submitted too";
    // Column-major: item 12 is column 1, row 0.
    EXPECT_FLOAT_EQ(items()[12].x, -0.412f);
    EXPECT_FLOAT_EQ(items()[12].y, -0.32f);
    EXPECT_FLOAT_EQ(items()[1].y, -0.27f);
}

TEST_F(EqualizerTest, SpectrumIsFetchedAtMostEveryFortyMilliseconds)
{
    platform.audio.spectrum[0] = 0.1f;
    fetchSpectrum(musicLibrary.channels[0], 0.03f);
    EXPECT_EQ(platform.log().count("audio.channelGetData"), 0u);
    fetchSpectrum(musicLibrary.channels[0], 0.04f);
    EXPECT_EQ(platform.log().calls, (std::vector<std::string>{"audio.channelGetData 1 2147483648"}));
    EXPECT_FLOAT_EQ(spectrum[0], 0.1f);
    EXPECT_FLOAT_EQ(lastSpectrumTime, 0.04f);
    fetchSpectrum(musicLibrary.channels[0], 0.07f);
    EXPECT_EQ(platform.log().count("audio.channelGetData"), 1u);
    fetchSpectrum(musicLibrary.channels[0], 0.09f);
    EXPECT_EQ(platform.log().count("audio.channelGetData"), 2u);
}

TEST_F(EqualizerTest, LitCellsStayLitBetweenFetches)
{
    show(MAIN_SCENE);
    platform.audio.spectrum[0] = 0.1f;
    frame(0.05f);
    platform.audio.spectrum[0] = 0.0f;  // not fetched in the next frames
    frame(0.01f);
    frame(0.01f);
    EXPECT_EQ(platform.log().count("audio.channelGetData"), 1u);
    for (int r = 0; r < 7; ++r)
        EXPECT_EQ(player->equalizerLevels.cells[0][r], 1.0f);
}

TEST_F(EqualizerTest, FrozenWhileSwitchedOffOrNotPlaying)
{
    show(MAIN_SCENE);
    platform.audio.spectrum.fill(0.1f);
    frame(0.1f);
    EXPECT_EQ(player->equalizerLevels.cells[3][6], 1.0f);
    platform.audio.spectrum.fill(0.0f);
    tap('E');
    EqualizerLevels frozen = player->equalizerLevels;
    size_t fetches = platform.log().count("audio.channelGetData");
    frames(10, 0.1f);
    EXPECT_EQ(std::memcmp(&frozen, &player->equalizerLevels, sizeof frozen), 0);
    EXPECT_EQ(platform.log().count("audio.channelGetData"), fetches);
    for (const DrawItem& item : items())
        EXPECT_FALSE(item.width == 0.04f && item.height == 0.04f) << "no cell drawn";
    // On again: the levels decay from where they were.
    tap('E', 0.0f);
    frame(0.1f);
    EXPECT_FLOAT_EQ(player->equalizerLevels.cells[3][6], 0.6f);
    // Stopped: frozen again.
    tap(os::VK_RETURN, 0.0f);
    frozen = player->equalizerLevels;
    frames(3, 0.1f);
    EXPECT_EQ(std::memcmp(&frozen, &player->equalizerLevels, sizeof frozen), 0);
}

} // namespace
