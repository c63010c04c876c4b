// A channel's length and position in bytes of its own format (as BASS counts
// them), and their conversion to seconds, on the engine without a device.
#include "audio_test_util.h"
#include "tests/support/test_media.h"

namespace {

using namespace audio_engine;

constexpr uint32_t FLOAT_FLAGS = audio::SAMPLE_FLOAT;
constexpr uint32_t MODULE_FLAGS = audio::MUSIC_POSRESET | audio::MUSIC_RAMP | audio::SAMPLE_FLOAT;

struct ChannelPosition : testing::Test {
    TempDir dir;
    HeadlessEngine headless;
    AudioEngine& engine = headless.engine;

    double seconds(audio::Handle handle, uint64_t bytes) { return engine.channelBytes2Seconds(handle, bytes); }
    uint64_t position(audio::Handle handle) { return engine.channelGetPosition(handle, audio::POS_BYTE); }
};

// A 1 s float stereo file at the mix rate: 8 bytes a frame, one file frame per
// mixed frame.
TEST_F(ChannelPosition, FollowsPlayPauseStopAndSetPosition)
{
    std::string path = dir.file("ramp.wav");
    ASSERT_TRUE(writeRampWav(path.c_str(), 44100, 2, 1.0));
    audio::Handle handle = engine.streamCreateFile(false, path.c_str(), 0, 0, FLOAT_FLAGS);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(engine.channelGetLength(handle, audio::POS_BYTE), 44100u * 8);
    EXPECT_DOUBLE_EQ(seconds(handle, 44100 * 8), 1.0);
    EXPECT_EQ(position(handle), 0u);

    engine.channelPlay(handle, false);
    headless.mix(8820);
    EXPECT_EQ(position(handle), 8820u * 8);
    engine.channelPause(handle);
    headless.mix(4410);
    uint64_t paused = position(handle);
    EXPECT_NEAR(double(paused), (8820.0 + PLAY_RAMP_FRAMES) * 8, 16.0) << "only the fade-out moved on";
    headless.mix(4410);
    EXPECT_EQ(position(handle), paused);
    engine.channelPlay(handle, false);
    headless.mix(4410);
    EXPECT_EQ(position(handle), paused + 4410 * 8);

    engine.channelStop(handle);
    engine.channelSetPosition(handle, 0);
    EXPECT_EQ(position(handle), 0u) << "at once, before the mixer has moved there";
    engine.channelSetPosition(handle, 22050 * 8);
    EXPECT_EQ(position(handle), 22050u * 8);
    headless.mix(1024);
    EXPECT_EQ(position(handle), 22050u * 8) << "stopped";

    // Played to its end, it stands at its length.
    engine.channelPlay(handle, false);
    ASSERT_GE(headless.mixUntilStopped(handle, 2.0), 0);
    EXPECT_EQ(position(handle), 44100u * 8);
}

// A 16-bit mono file at half the mix rate: bytes count the file's own frames.
TEST_F(ChannelPosition, CountsTheFilesOwnFramesThroughTheResampler)
{
    std::string path = dir.file("low.wav");
    ASSERT_TRUE(writeSineFile(path.c_str(), SoundFormat::Wav16, 440.0, 22050, 1, 2.0, 0.5));
    audio::Handle handle = engine.streamCreateFile(false, path.c_str(), 0, 0, 0);
    ASSERT_NE(handle, 0u);
    uint64_t length = engine.channelGetLength(handle, audio::POS_BYTE);
    EXPECT_EQ(length, 22050u * 2 * 2);
    EXPECT_DOUBLE_EQ(seconds(handle, length), 2.0);
    engine.channelPlay(handle, false);
    headless.mix(44100);
    EXPECT_NEAR(seconds(handle, position(handle)), 1.0, 0.001);
}

TEST_F(ChannelPosition, ModulesHaveTheirLengthFromLibopenmpt)
{
    std::string path = dir.file("song.mod");
    ASSERT_TRUE(writeTestMod(path.c_str(), 3.0));
    audio::Handle handle = engine.musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS, 0);
    ASSERT_NE(handle, 0u);
    EXPECT_NEAR(seconds(handle, engine.channelGetLength(handle, audio::POS_BYTE)), 3.0, 0.13);
    engine.channelPlay(handle, false);
    headless.mixSeconds(0.5);
    EXPECT_NEAR(seconds(handle, position(handle)), 0.5, 0.03);
}

TEST_F(ChannelPosition, BadHandlesAndModesAreErrors)
{
    std::string path = dir.file("ramp.wav");
    ASSERT_TRUE(writeRampWav(path.c_str(), 44100, 2, 1.0));
    audio::Handle handle = engine.streamCreateFile(false, path.c_str(), 0, 0, FLOAT_FLAGS);
    for (audio::Handle bad : {0u, handle + 1, 0xFFFFFFFFu}) {
        EXPECT_EQ(engine.channelGetLength(bad, audio::POS_BYTE), audio::POSITION_ERROR);
        EXPECT_EQ(engine.channelGetPosition(bad, audio::POS_BYTE), audio::POSITION_ERROR);
        EXPECT_LT(engine.channelBytes2Seconds(bad, 8), 0.0);
    }
    EXPECT_EQ(engine.channelGetLength(handle, 1), audio::POSITION_ERROR) << "only bytes";
    EXPECT_EQ(engine.channelGetPosition(handle, 1), audio::POSITION_ERROR);
    EXPECT_LT(engine.channelBytes2Seconds(handle, audio::POSITION_ERROR), 0.0);
}

} // namespace
