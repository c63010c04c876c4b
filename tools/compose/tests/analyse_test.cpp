#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "tools/compose/analyse.h"
#include "tools/compose/wave.h"

namespace compose {
namespace {

std::vector<float> sineFrames(double hz, float amplitude, size_t frames)
{
    std::vector<float> stereo(frames * 2);
    for (size_t i = 0; i < frames; ++i)
        stereo[2 * i] = stereo[2 * i + 1] = amplitude * float(std::sin(2.0 * PI * hz * double(i) / ANALYSIS_RATE));
    return stereo;
}

std::string writeTemp(const char* name, const std::vector<uint8_t>& bytes)
{
    std::string path = ::testing::TempDir() + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file) {
        if (!bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    return path;
}

TEST(Analyse, FullScaleSineOnABinReadsHalf)
{
    std::vector<float> mono(512);
    for (int i = 0; i < 512; ++i)
        mono[size_t(i)] = float(std::sin(2.0 * PI * 10 * i / 512));
    std::vector<float> magnitudes = spectrum512(mono.data());
    ASSERT_EQ(magnitudes.size(), 256u);
    EXPECT_NEAR(magnitudes[10], 0.5f, 1e-3);
    // The Hann window spreads a quarter into each neighbour and nothing further.
    EXPECT_NEAR(magnitudes[9], 0.25f, 1e-3);
    EXPECT_NEAR(magnitudes[11], 0.25f, 1e-3);
    EXPECT_LT(magnitudes[5], 1e-3f);
    EXPECT_LT(magnitudes[40], 1e-3f);
}

TEST(Analyse, TrackStatsOfASteadyTone)
{
    const double binHz = double(ANALYSIS_RATE) / 512;
    TrackStats stats = measureTrack(sineFrames(6 * binHz, 0.5f, ANALYSIS_RATE * 2), ANALYSIS_RATE);
    EXPECT_NEAR(stats.seconds, 2.0, 1e-9);
    EXPECT_NEAR(stats.peak, 0.5f, 1e-3);
    EXPECT_NEAR(stats.rms, 0.5f / std::sqrt(2.0f), 1e-3);
    EXPECT_NEAR(stats.binMedian[6], 0.25f, 0.01);
    EXPECT_NEAR(stats.binP90[6], 0.25f, 0.01);
    EXPECT_LT(stats.binP90[0], 0.01f);
    EXPECT_LT(stats.binP90[15], 0.01f);

    TrackStats silent = measureTrack({}, ANALYSIS_RATE);
    EXPECT_EQ(silent.seconds, 0.0);
    EXPECT_EQ(silent.binP90[3], 0.0f);
}

TEST(Analyse, BadFilesFailWithAReason)
{
    TrackStats stats;
    std::string error;
    EXPECT_FALSE(analyseFile(::testing::TempDir() + "no_such_track.mod", &stats, &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);

    std::vector<uint8_t> noise(3000);
    Noise generator;
    for (uint8_t& byte : noise)
        byte = uint8_t(nextNoise(generator) * 127 + 128);
    error.clear();
    EXPECT_FALSE(analyseFile(writeTemp("noise.xm", noise), &stats, &error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(analyseFile(writeTemp("noise.ogg", noise), &stats, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(analyseFile(writeTemp("empty.mod", {}), &stats, &error));
}

TEST(Analyse, TruncatedModuleDoesNotHang)
{
    // A MOD header whose patterns and samples are missing: libopenmpt may refuse
    // it or play what is there, but the analysis must come back either way.
    std::vector<uint8_t> header(1084, 0);
    header[950] = 1;
    header[1080] = 'M', header[1081] = '.', header[1082] = 'K', header[1083] = '.';
    TrackStats stats;
    std::string error;
    if (analyseFile(writeTemp("cut.mod", header), &stats, &error)) {
        EXPECT_LT(stats.seconds, 60.0);
    }
}

}  // namespace
}  // namespace compose
