// The audio engine counts the gaps a playing channel suffers when its decoder
// falls behind (the soak test reads the count the program prints at exit), apart
// from a restart that starts late, and nothing else: a track that ends, stops or
// pauses is no gap.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/sdl/audio_engine.h"
#include "platform/sdl/audio_mixer.h"
#include "tests/support/test_media.h"

namespace {

constexpr uint32_t STREAM_FLAGS = audio::SAMPLE_FLOAT;

struct Stream {
    std::string path;
    Stream(const char* name, double seconds)
        : path(std::string("/tmp/underrun_test_") + name + ".wav")
    {
        EXPECT_TRUE(writeSineFile(path.c_str(), SoundFormat::Wav16, 440, 44100, 2, seconds, 0.5));
    }
    ~Stream() { std::remove(path.c_str()); }
};

void mix(audio_engine::AudioEngine& engine, uint32_t pieces, bool decode)
{
    std::vector<float> out(audio_engine::MAX_MIX_FRAMES * 2);
    for (uint32_t i = 0; i < pieces; ++i) {
        if (decode)
            engine.decodeAll();
        audio_engine::mixInto(engine, out.data(), audio_engine::MAX_MIX_FRAMES);
    }
}

TEST(Underruns, OnlyARingRunDryWhilePlayingCounts)
{
    Stream longStream("long", 3.0), shortStream("short", 0.2);
    audio_engine::AudioEngine engine;
    ASSERT_TRUE(engine.initHeadless());
    audio::Handle channel = engine.streamCreateFile(false, longStream.path.c_str(), 0, 0, STREAM_FLAGS);
    audio::Handle ending = engine.streamCreateFile(false, shortStream.path.c_str(), 0, 0, STREAM_FLAGS);
    ASSERT_NE(channel, 0u);
    ASSERT_NE(ending, 0u);

    // Decoded ahead all along, played to its end, paused, stopped: no gap.
    engine.channelPlay(ending, false);
    engine.channelPlay(channel, false);
    mix(engine, 40, true);
    EXPECT_EQ(engine.channelIsActive(ending), audio::ACTIVE_STOPPED);
    engine.channelPause(channel);
    mix(engine, 5, true);
    engine.channelStop(channel);
    mix(engine, 5, false);
    EXPECT_EQ(engine.mixer.underruns, 0u);

    // Restarted without the decoder: the play itself decodes the new position's
    // first block, so the first piece after it sounds at once, neither late nor
    // a gap.
    engine.channelPlay(channel, true);
    mix(engine, 1, false);
    EXPECT_EQ(engine.mixer.underruns, 0u);
    EXPECT_EQ(engine.mixer.lateStarts, 0u);

    // Decoded, played, then left without the decoder: the ring runs dry in the
    // middle of the sound, and each piece after that is a gap.
    mix(engine, 1, true);
    mix(engine, audio_engine::RING_BLOCKS + 10, false);
    EXPECT_GE(engine.mixer.underruns, 5u);
    EXPECT_EQ(engine.mixer.lateStarts, 0u);
    engine.free();
}

} // namespace
