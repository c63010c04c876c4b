// Every tonal instrument of a piece must sound the same pitch for the same note,
// or its harmony falls apart: each one plays A4 alone and its pitch is measured.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/compose/analyse.h"
#include "tools/compose/module_writer.h"
#include "tools/compose/songs.h"
#include "tools/compose/wave.h"

namespace compose {
namespace {

constexpr int A4 = 69;

// The frequency between `low` and `high` Hz where a Hann-windowed DTFT of half
// a second of the mono mix (from 50 ms in) peaks.
double strongestFrequency(const std::vector<float>& stereo, double low, double high)
{
    const size_t first = ANALYSIS_RATE / 20, count = ANALYSIS_RATE / 2;
    if (stereo.size() < 2 * (first + count))
        return 0;
    std::vector<double> mono(count);
    for (size_t i = 0; i < count; ++i) {
        double hann = 0.5 - 0.5 * std::cos(2 * PI * double(i) / double(count));
        mono[i] = hann * 0.5 * (stereo[2 * (first + i)] + stereo[2 * (first + i) + 1]);
    }
    double best = 0, bestPower = -1;
    for (double hz = low; hz <= high; hz += 0.05) {
        // A rotating phasor instead of a sine and cosine per sample.
        const double step = 2 * PI * hz / ANALYSIS_RATE;
        const double stepRe = std::cos(step), stepIm = std::sin(step);
        double re = 0, im = 0, phasorRe = 1, phasorIm = 0;
        for (size_t i = 0; i < count; ++i) {
            re += mono[i] * phasorRe;
            im += mono[i] * phasorIm;
            double nextRe = phasorRe * stepRe - phasorIm * stepIm;
            phasorIm = phasorRe * stepIm + phasorIm * stepRe;
            phasorRe = nextRe;
        }
        if (re * re + im * im > bestPower) {
            bestPower = re * re + im * im;
            best = hz;
        }
    }
    return best;
}

double cents(double hz, double reference) { return 1200.0 * std::log2(hz / reference); }

struct Pitch {
    std::string instrument;
    double hz;
};

std::vector<Pitch> pitchesOfTonalInstruments(const Song& piece, bool mod)
{
    std::vector<Pitch> pitches;
    for (size_t i = 0; i < piece.instruments.size(); ++i) {
        if (piece.instruments[i].sample.loopLength == 0)
            continue;  // drums
        Song solo = piece;
        solo.patterns = {makePattern(64, piece.channels)};
        cellAt(solo.patterns[0], 0, 0) = {A4, uint8_t(i + 1)};
        cellAt(solo.patterns[0], 7, 1).effect = FX_PATTERN_BREAK;  // about a second is enough
        solo.orders = {0};
        std::vector<uint8_t> bytes;
        std::string error;
        EXPECT_TRUE(mod ? writeMod(solo, &bytes, &error) : writeXm(solo, &bytes, &error)) << error;
        std::vector<float> stereo;
        EXPECT_TRUE(renderModule(bytes, &stereo, nullptr, &error)) << error;
        pitches.push_back({piece.instruments[i].name, strongestFrequency(stereo, 400, 480)});
    }
    return pitches;
}

TEST(Tuning, ProTrackerInstrumentsAgree)
{
    std::vector<Pitch> pitches = pitchesOfTonalInstruments(composeChipSong(false), true);
    ASSERT_GE(pitches.size(), 3u);
    for (const Pitch& pitch : pitches) {
        EXPECT_NEAR(cents(pitch.hz, pitches[0].hz), 0.0, 5.0) << pitch.instrument;
        // Paula's PAL clock puts ProTracker a little under concert pitch.
        EXPECT_NEAR(cents(pitch.hz, 440.0), -14.0, 10.0) << pitch.instrument;
    }
}

TEST(Tuning, XmInstrumentsSitOnConcertPitch)
{
    std::vector<Pitch> pitches = pitchesOfTonalInstruments(composeHarbourSong(false), false);
    ASSERT_GE(pitches.size(), 4u);
    for (const Pitch& pitch : pitches)
        EXPECT_NEAR(cents(pitch.hz, 440.0), 0.0, 5.0) << pitch.instrument;
}

}  // namespace
}  // namespace compose
