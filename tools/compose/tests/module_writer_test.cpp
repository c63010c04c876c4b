#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include "tools/compose/analyse.h"
#include "tools/compose/module_writer.h"
#include "tools/compose/wave.h"

namespace compose {
namespace {

Instrument toneInstrument(int frames)
{
    Instrument instrument;
    instrument.name = "tone";
    instrument.sample.name = "tone";
    instrument.sample.data = harmonicLoop(frames, 1, {0.5f});
    instrument.sample.loopLength = frames;
    instrument.sample.volume = 48;
    instrument.sample.rootMidi = 60;
    return instrument;
}

Song oneNoteSong(int channels, int rows)
{
    Song song;
    song.title = "test";
    song.channels = channels;
    song.instruments = {toneInstrument(32)};
    song.patterns = {makePattern(rows, channels)};
    cellAt(song.patterns[0], 0, 0) = {60, 1};
    song.orders = {0};
    return song;
}

int countWarnings(const std::vector<uint8_t>& bytes, double* seconds)
{
    std::vector<std::string> warnings;
    std::vector<float> stereo;
    std::string error;
    EXPECT_TRUE(renderModule(bytes, &stereo, &warnings, &error)) << error;
    *seconds = double(stereo.size() / 2) / ANALYSIS_RATE;
    for (const std::string& warning : warnings)
        ADD_FAILURE() << "libopenmpt: " << warning;
    return int(warnings.size());
}

TEST(ModWriter, LayoutFollowsProTracker)
{
    Song song = oneNoteSong(4, 64);
    song.patterns.push_back(makePattern(64, 4));
    song.orders = {1, 0, 1};
    cellAt(song.patterns[0], 1, 2) = {72, 1, 32};
    cellAt(song.patterns[0], 2, 3) = {NOTE_OFF};
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(writeMod(song, &bytes, &error)) << error;

    ASSERT_EQ(bytes.size(), 1084u + 2 * 1024 + 32);
    EXPECT_EQ(std::string(bytes.begin() + 1080, bytes.begin() + 1084), "M.K.");
    EXPECT_EQ(bytes[950], 3);  // song length
    EXPECT_EQ(bytes[952], 1);
    EXPECT_EQ(bytes[953], 0);
    // Sample 1: 16 words long, volume 48, loop over all of it; empty slots loop 1 word.
    EXPECT_EQ(bytes[20 + 22], 0);
    EXPECT_EQ(bytes[20 + 23], 16);
    EXPECT_EQ(bytes[20 + 25], 48);
    EXPECT_EQ(bytes[20 + 29], 16);
    EXPECT_EQ(bytes[20 + 30 + 29], 1);

    const uint8_t* pattern0 = &bytes[1084];
    // C-2 is period 428 (0x1AC), sample 1 in the low nibble of byte 2.
    EXPECT_EQ(pattern0[0], 0x01);
    EXPECT_EQ(pattern0[1], 0xAC);
    EXPECT_EQ(pattern0[2], 0x10);
    // Row 1, channel 2: C-3 (period 214) with its volume as effect C.
    const uint8_t* cell = pattern0 + 16 + 8;
    EXPECT_EQ(cell[1], 214);
    EXPECT_EQ(cell[2], 0x1C);
    EXPECT_EQ(cell[3], 32);
    // Row 2, channel 3: a key off becomes volume 0.
    cell = pattern0 + 32 + 12;
    EXPECT_EQ(cell[2], 0x0C);
    EXPECT_EQ(cell[3], 0);

    double seconds = 0;
    EXPECT_EQ(countWarnings(bytes, &seconds), 0);
    EXPECT_NEAR(seconds, 3 * 64 * 0.12, 0.2);
}

TEST(ModWriter, RejectsWhatTheFormatCannotHold)
{
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(writeMod(oneNoteSong(6, 64), &bytes, &error));
    EXPECT_FALSE(writeMod(oneNoteSong(4, 32), &bytes, &error));

    Song high = oneNoteSong(4, 64);
    cellAt(high.patterns[0], 0, 0).note = 84;  // one above B-3
    EXPECT_FALSE(writeMod(high, &bytes, &error));
    EXPECT_NE(error.find("range"), std::string::npos);

    Song clash = oneNoteSong(4, 64);
    cellAt(clash.patterns[0], 0, 0).volume = 10;
    cellAt(clash.patterns[0], 0, 0).effect = FX_VIBRATO;
    EXPECT_FALSE(writeMod(clash, &bytes, &error));

    Song orphan = oneNoteSong(4, 64);
    cellAt(orphan.patterns[0], 3, 1) = {60, 0};
    EXPECT_FALSE(writeMod(orphan, &bytes, &error));

    Song oddLoop = oneNoteSong(4, 64);
    oddLoop.instruments[0].sample.loopStart = 1;
    oddLoop.instruments[0].sample.loopLength = 30;
    EXPECT_FALSE(writeMod(oddLoop, &bytes, &error));

    Song badOrder = oneNoteSong(4, 64);
    badOrder.orders = {0, 5};
    EXPECT_FALSE(writeMod(badOrder, &bytes, &error));
    EXPECT_TRUE(bytes.empty());
}

TEST(XmWriter, EnvelopesPackingAndLength)
{
    Song song = oneNoteSong(6, 32);
    song.speed = 3;
    song.tempo = 150;
    Instrument& instrument = song.instruments[0];
    instrument.sample.sixteenBit = true;
    instrument.volumeEnvelope.points = {{0, 0}, {4, 64}, {20, 40}, {60, 0}};
    instrument.volumeEnvelope.sustainPoint = 2;
    instrument.fadeout = 800;
    cellAt(song.patterns[0], 8, 5) = {NOTE_OFF};
    cellAt(song.patterns[0], 9, 4) = {67, 1, 40, FX_VIBRATO, 0x44};
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(writeXm(song, &bytes, &error)) << error;
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 17), "Extended Module: ");

    openmpt_module* module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                                nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(openmpt_module_get_num_channels(module), 6);
    EXPECT_EQ(openmpt_module_get_num_instruments(module), 1);
    EXPECT_EQ(openmpt_module_get_pattern_num_rows(module, 0), 32);
    // 32 rows of 3 ticks at 150 BPM (a tick is 2.5 / 150 s).
    EXPECT_NEAR(openmpt_module_get_duration_seconds(module), 32 * 3 * 2.5 / 150, 0.01);
    openmpt_module_destroy(module);

    double seconds = 0;
    EXPECT_EQ(countWarnings(bytes, &seconds), 0);
}

TEST(XmWriter, RejectsWhatTheFormatCannotHold)
{
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(writeXm(oneNoteSong(33, 16), &bytes, &error));

    Song low = oneNoteSong(4, 16);
    cellAt(low.patterns[0], 0, 0).note = 10;  // below FT2's C-0
    EXPECT_FALSE(writeXm(low, &bytes, &error));

    Song longEnvelope = oneNoteSong(4, 16);
    for (int i = 0; i < 13; ++i)
        longEnvelope.instruments[0].volumeEnvelope.points.push_back({i * 4, 32});
    EXPECT_FALSE(writeXm(longEnvelope, &bytes, &error));

    Song backwards = oneNoteSong(4, 16);
    backwards.instruments[0].volumeEnvelope.points = {{0, 64}, {10, 32}, {5, 0}};
    EXPECT_FALSE(writeXm(backwards, &bytes, &error));

    Song badLoop = oneNoteSong(4, 16);
    badLoop.instruments[0].sample.loopStart = 20;
    EXPECT_FALSE(writeXm(badLoop, &bytes, &error));
    EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace compose
