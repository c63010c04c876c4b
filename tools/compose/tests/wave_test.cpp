#include <gtest/gtest.h>

#include <cmath>

#include "tools/compose/module_writer.h"
#include "tools/compose/tracker.h"
#include "tools/compose/wave.h"

namespace compose {
namespace {

TEST(Wave, HarmonicLoopsRepeatWithoutASeam)
{
    std::vector<float> one = harmonicLoop(64, 1, sawHarmonics(20));
    std::vector<float> two = harmonicLoop(128, 2, sawHarmonics(20));
    for (size_t i = 0; i < 64; ++i) {
        EXPECT_NEAR(two[i], one[i], 1e-5f);
        EXPECT_NEAR(two[i + 64], one[i], 1e-5f);
    }
    // A square's odd harmonics only; a 25% pulse has no 4th.
    std::vector<float> square = squareHarmonics(4);
    EXPECT_NEAR(square[1], 0.0f, 1e-6f);
    EXPECT_NEAR(square[0], 4.0f / float(PI) / 2.0f, 1e-5f);
    EXPECT_NEAR(pulseHarmonics(4, 0.25f)[3], 0.0f, 1e-6f);
    EXPECT_EQ(harmonicsBelowNyquist(1000, 44100), 19);
    EXPECT_EQ(harmonicsBelowNyquist(30000, 44100), 1);
}

TEST(Wave, NoiseIsRepeatableAndInRange)
{
    Noise a{1234}, b{1234};
    float low = 1, high = -1;
    for (int i = 0; i < 10000; ++i) {
        float x = nextNoise(a);
        ASSERT_EQ(x, nextNoise(b));
        low = std::min(low, x);
        high = std::max(high, x);
    }
    EXPECT_GE(low, -1.0f);
    EXPECT_LT(high, 1.0f);
    EXPECT_LT(low, -0.99f);
    EXPECT_GT(high, 0.99f);
}

TEST(Wave, DarkeningCyclesFadeAndEndOnALoopableCycle)
{
    std::vector<float> pluck = darkeningCycles(32, 20, sawHarmonics(15), 14.0f, 3.0f, 0.4f);
    ASSERT_EQ(pluck.size(), 640u);
    auto peakOfCycle = [&](int k) {
        return peakOf(std::vector<float>(pluck.begin() + k * 32, pluck.begin() + (k + 1) * 32));
    };
    EXPECT_GT(peakOfCycle(0), 1.5f * peakOfCycle(19));
    // Every cycle starts at the wave's zero phase, so looping the last is seamless.
    EXPECT_NEAR(pluck[19 * 32], 0.0f, 1e-6f);
}

TEST(Wave, FilterAndDrumsBehave)
{
    Svf filter;
    float highOut = 0;
    for (int i = 0; i < 4410; ++i) {
        float x = float(std::sin(2 * PI * 8000 * i / 44100.0));
        float y = svfStep(filter, x, 500.0f, 0.7f, 44100.0f).low;
        if (i > 2000)
            highOut = std::max(highOut, std::fabs(y));
    }
    EXPECT_LT(highOut, 0.01f);

    // Percussion starts from and returns to silence (no clicks) and peaks at full scale.
    for (const std::vector<float>& hit : {renderKick(44100, 0.3, 150, 45), renderSnare(44100, 0.2, 7),
                                          renderHat(44100, 0.05, 7), renderClap(44100, 7), renderCrash(22050, 1, 7)}) {
        ASSERT_FALSE(hit.empty());
        EXPECT_NEAR(peakOf(hit), 1.0f, 0.05f);
        EXPECT_LT(std::fabs(hit.front()), 0.05f);
        EXPECT_EQ(hit.back(), 0.0f);
    }
}

TEST(Wave, XmRateBecomesRelativeNoteAndFinetune)
{
    Sample sample;
    setXmRate(sample, 8363);
    EXPECT_EQ(sample.relativeNote, 0);
    EXPECT_EQ(sample.finetune, 0);
    setXmRate(sample, 8363 * 4);
    EXPECT_EQ(sample.relativeNote, 24);
    EXPECT_EQ(sample.finetune, 0);
    setXmRate(sample, 64 * 261.6256);  // 16744 Hz: just above C-5's 16726 Hz
    EXPECT_EQ(sample.relativeNote, 12);
    EXPECT_EQ(sample.finetune, 2);
    setXmRate(sample, 8363 / std::pow(2.0, 0.5 / 12));  // half a semitone down
    EXPECT_EQ(std::abs(sample.relativeNote * 128 + sample.finetune + 64), 0);
}

TEST(Tracker, PhrasesLandInTheirChannel)
{
    Pattern pattern = makePattern(16, 3);
    placePhrase(pattern, 1, 4, phrase("C5:2 r:2 E5:8 G5:4"), 7, -12);
    EXPECT_EQ(cellAt(pattern, 4, 1).note, 60);
    EXPECT_EQ(cellAt(pattern, 4, 1).instrument, 7);
    EXPECT_EQ(cellAt(pattern, 6, 1).note, NOTE_OFF);
    EXPECT_EQ(cellAt(pattern, 6, 1).instrument, 0);
    EXPECT_EQ(cellAt(pattern, 8, 1).note, 64);
    EXPECT_EQ(cellAt(pattern, 4, 0).note, NOTE_NONE);
    EXPECT_EQ(cellAt(pattern, 4, 2).note, NOTE_NONE);
    // G5 would start at row 16, past the pattern: dropped.
    for (int row = 9; row < 16; ++row)
        EXPECT_EQ(cellAt(pattern, row, 1).note, NOTE_NONE);
}

}  // namespace
}  // namespace compose
