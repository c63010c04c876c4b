// The engine on an SDL audio device, in real time. SDL's dummy driver plays
// without sound; its disk driver also writes everything it plays to a file, which
// the tests read back.
#include "audio_test_util.h"
#include "platform/sdl/audio_engine.h"
#include "platform/sdl/sdl_audio.h"
#include "tests/support/test_media.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

using namespace audio_engine;
using namespace std::chrono_literals;

constexpr uint32_t MODULE_FLAGS = 0xA300; // position reset, FT2 MOD, ramping, float
constexpr uint32_t STREAM_FLAGS = audio::SAMPLE_FLOAT;

static std::unique_ptr<audio::Audio> startEngine()
{
    std::unique_ptr<audio::Audio> engine(createSdlAudio());
    EXPECT_TRUE(engine->init(-1, 44100, 0, nullptr, nullptr));
    return engine;
}

TEST(AudioDevice, InitAndFreePairUp)
{
    useDummyDriver();
    std::unique_ptr<audio::Audio> engine(createSdlAudio());
    EXPECT_EQ(engine->getVersion() >> 16, audio::VERSION_2_3);
    EXPECT_FALSE(engine->init(0, 44100, 0, nullptr, nullptr)) << "no 'no sound' device";
    EXPECT_FALSE(engine->init(99, 44100, 0, nullptr, nullptr)) << "no such device";
    ASSERT_TRUE(engine->init(-1, 44100, 0, nullptr, nullptr));
    EXPECT_FALSE(engine->init(-1, 44100, 0, nullptr, nullptr)) << "already initialised";
    EXPECT_TRUE(engine->free());
    EXPECT_FALSE(engine->free());
    EXPECT_TRUE(engine->init(-1, 44100, 0, nullptr, nullptr));
    // Deleting an engine that is still running frees it.
}

TEST(AudioDevice, ModulePlaysToItsEndThenReportsStopped)
{
    useDummyDriver();
    TempDir dir;
    std::string path = dir.file("song.mod");
    ASSERT_TRUE(writeTestMod(path.c_str(), 1.0));
    std::unique_ptr<audio::Audio> engine = startEngine();
    audio::Handle handle = engine->musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS, 0);
    ASSERT_NE(handle, 0u);
    ASSERT_TRUE(engine->channelPlay(handle, false));
    EXPECT_EQ(engine->channelIsActive(handle), audio::ACTIVE_PLAYING);
    double seconds = waitUntilStopped(*engine, handle, 5.0);
    EXPECT_GT(seconds, 0.8) << "played in real time";
    EXPECT_GT(seconds, 0.0) << "never reported stopped";
    EXPECT_TRUE(engine->musicFree(handle));
}

// On the running engine, a play returns only once the decoder thread has the
// first block of the position it starts from.
TEST(AudioDevice, RestartsReturnWithTheirFirstBlockDecoded)
{
    useDummyDriver();
    TempDir dir;
    std::string path = dir.file("song.mod");
    ASSERT_TRUE(writeTestMod(path.c_str(), 2.0));
    audio_engine::AudioEngine engine;
    ASSERT_TRUE(engine.init(-1, 44100, 0, nullptr, nullptr));
    audio::Handle handle = engine.musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS, 0);
    ASSERT_NE(handle, 0u);
    const audio_engine::Channel* channel = engine.live.back();
    for (int i = 0; i < 10; i++) {
        ASSERT_TRUE(engine.channelPlay(handle, true));
        EXPECT_EQ(channel->firstBlockGeneration.load(), channel->seekGeneration.load()) << "restart " << i;
        std::this_thread::sleep_for(30ms);
    }
    engine.free();
    EXPECT_EQ(engine.mixer.lateStarts, 0u);
}

TEST(AudioDevice, StreamsPlayToTheirEndThenReportStopped)
{
    useDummyDriver();
    TempDir dir;
    std::string flac = dir.file("tone.flac");
    std::string ogg = dir.file("tone.ogg");
    ASSERT_TRUE(writeSineFile(flac.c_str(), SoundFormat::Flac, 440.0, 48000, 2, 0.4));
    ASSERT_TRUE(writeSineFile(ogg.c_str(), SoundFormat::OggVorbis, 440.0, 22050, 1, 0.4));
    std::unique_ptr<audio::Audio> engine = startEngine();
    audio::Handle first = engine->streamCreateFile(false, flac.c_str(), 0, 0, STREAM_FLAGS);
    audio::Handle second = engine->streamCreateFile(false, ogg.c_str(), 0, 0, STREAM_FLAGS);
    ASSERT_TRUE(first && second);
    engine->channelPlay(first, false);
    engine->channelPlay(second, false);
    EXPECT_GT(waitUntilStopped(*engine, first, 5.0), 0.3);
    EXPECT_GT(waitUntilStopped(*engine, second, 5.0), 0.0);
}

TEST(AudioDevice, SpectrumShowsWhatIsHeardNow)
{
    useDummyDriver();
    TempDir dir;
    std::string path = dir.file("sine.wav");
    ASSERT_TRUE(writeSineFile(path.c_str(), SoundFormat::Wav16, BIN12_HZ, 44100, 2, 2.0));
    std::unique_ptr<audio::Audio> engine = startEngine();
    audio::Handle handle = engine->streamCreateFile(false, path.c_str(), 0, 0, STREAM_FLAGS);
    ASSERT_NE(handle, 0u);
    engine->channelPlay(handle, false);
    // Wait until the tone has reached the listener (a loaded machine may take a
    // while), then it must read the same in every fetch.
    std::vector<float> first(256);
    for (int wait = 0; wait < 200 && first[12] < 0.25f; wait++) {
        std::this_thread::sleep_for(10ms);
        engine->channelGetData(handle, first.data(), audio::DATA_FFT512);
    }
    std::this_thread::sleep_for(50ms);
    for (int fetch = 0; fetch < 5; fetch++) {
        std::vector<float> bins(256);
        ASSERT_EQ(engine->channelGetData(handle, bins.data(), audio::DATA_FFT512), 1024u);
        EXPECT_NEAR(bins[12], 0.5f, 0.02f);
        EXPECT_LT(largestBinFrom(bins, 15), 0.01f);
        std::this_thread::sleep_for(17ms);
    }
    engine->channelPause(handle);
    std::vector<float> bins(256, 1.0f);
    engine->channelGetData(handle, bins.data(), audio::DATA_FFT512);
    EXPECT_EQ(largestBinFrom(bins, 0), 0.0f) << "nothing is heard while paused";
}

// A 1 s ramp from -0.5 to 0.5 played through the disk driver: each captured sample
// at full gain tells the file position it came from.
class DeviceCapture : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(writeRampWav(ramp.c_str(), 44100, 2, 1.0));
        useDiskDriver(capturePath);
        engine = startEngine();
        handle = engine->streamCreateFile(false, ramp.c_str(), 0, 0, STREAM_FLAGS);
        ASSERT_NE(handle, 0u);
    }
    // Closes the device and returns the left channel of everything it played.
    std::vector<float> finish()
    {
        engine->free();
        std::vector<float> stereo = readCapture(capturePath);
        std::vector<float> left;
        for (size_t i = 0; i < stereo.size(); i += 2)
            left.push_back(stereo[i]);
        return left;
    }
    static double filePosition(float sample) { return (sample + 0.5) * 44100.0; }

    TempDir dir;
    std::string ramp = dir.file("ramp.wav");
    std::string capturePath = dir.file("capture.raw");
    std::unique_ptr<audio::Audio> engine;
    audio::Handle handle = 0;
};

TEST_F(DeviceCapture, VolumeZeroIsSilentAndPauseResumesInPlace)
{
    engine->setVolume(0);
    std::this_thread::sleep_for(100ms);
    engine->channelPlay(handle, false);
    std::this_thread::sleep_for(250ms);
    engine->setVolume(100);
    std::this_thread::sleep_for(250ms);
    engine->channelPause(handle);
    std::this_thread::sleep_for(250ms);
    engine->channelPlay(handle, false);
    ASSERT_GT(waitUntilStopped(*engine, handle, 5.0), 0.0);
    std::vector<float> left = finish();
    ASSERT_GT(left.size(), 44100u);

    // Nothing is heard until the volume comes up, though the channel played on.
    size_t heard = 0;
    while (heard < left.size() && left[heard] == 0.0f)
        heard++;
    ASSERT_LT(heard + VOLUME_RAMP_FRAMES, left.size());
    EXPECT_NEAR(filePosition(left[heard + VOLUME_RAMP_FRAMES]) / 44100.0, 0.25, 0.1);

    // Then a pause: a stretch of silence, after which the ramp goes on where it was.
    // (The ramp itself passes through 0.0 once: a gap is a run of zeros.)
    size_t gapStart = heard + VOLUME_RAMP_FRAMES, gapEnd = gapStart;
    while (gapEnd < left.size() && gapEnd - gapStart < 100) {
        if (left[gapEnd] != 0.0f)
            gapStart = gapEnd + 1;
        gapEnd++;
    }
    while (gapEnd < left.size() && left[gapEnd] == 0.0f)
        gapEnd++;
    ASSERT_LT(gapEnd + PLAY_RAMP_FRAMES, left.size());
    EXPECT_GT(double(gapEnd - gapStart) / 44100.0, 0.15);
    // The last frame at full gain before the fade-out, and the first after the fade-in:
    // only the frames of the two ramps lie between them.
    double before = filePosition(left[gapStart - PLAY_RAMP_FRAMES - 1]);
    double after = filePosition(left[gapEnd + PLAY_RAMP_FRAMES]);
    EXPECT_NEAR(after - before, 2.0 * PLAY_RAMP_FRAMES + 1, 30.0) << "resumed where it stood";

    // It then plays to the end of the file (which stops dead at +0.5), never clicking
    // on the way.
    size_t end = left.size();
    while (end > 0 && left[end - 1] == 0.0f)
        end--;
    EXPECT_NEAR(left[end - 1], 0.5f, 0.001f);
    for (size_t i = 1; i + 1 < end; i++)
        ASSERT_LT(std::fabs(left[i] - left[i - 1]), 0.01f) << "click at frame " << i;
}

TEST_F(DeviceCapture, RestartAndStopRewindPlayStartOver)
{
    engine->channelPlay(handle, false);
    std::this_thread::sleep_for(300ms);
    engine->channelPlay(handle, true);
    std::this_thread::sleep_for(200ms);
    engine->channelStop(handle);
    engine->channelSetPosition(handle, 0);
    std::this_thread::sleep_for(100ms);
    engine->channelPlay(handle, false);
    std::this_thread::sleep_for(100ms);
    std::vector<float> left = finish();

    // The file's first 50 ms (below -0.45) at full gain: once per start from the top.
    int starts = 0;
    bool atStart = false;
    for (float sample : left) {
        bool nearStart = sample < -0.45f;
        if (nearStart && !atStart)
            starts++;
        atStart = nearStart || (atStart && sample < -0.3f);
    }
    EXPECT_EQ(starts, 3);
    for (size_t i = 1; i < left.size(); i++)
        ASSERT_LT(std::fabs(left[i] - left[i - 1]), 0.01f) << "click at frame " << i;
}
