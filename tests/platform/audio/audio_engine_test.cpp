// The audio engine without a device: decoding, positions, ramps, volume and the
// spectrum, sample-exact and faster than real time.
//
// Sections: spectrum scaling; streams of every format, rate and channel count;
// modules; play, pause, stop and positions read off a ramp; volume; the spectrum of
// a playing channel; bad files, handles and limits.
#include "audio_test_util.h"
#include "platform/sdl/audio_spectrum.h"
#include "tests/support/test_media.h"
#include "tests/support/unprivileged_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <tuple>

using namespace audio_engine;

constexpr uint32_t MODULE_FLAGS = audio::MUSIC_POSRESET | audio::MUSIC_FT2MOD | audio::MUSIC_RAMP | audio::SAMPLE_FLOAT;
constexpr uint32_t STREAM_FLAGS = audio::SAMPLE_FLOAT;

// Frames a play, stop or pause ramp takes, and a little slack.
constexpr uint32_t RAMP = PLAY_RAMP_FRAMES + 2;

// ---- Spectrum scaling ---------------------------------------------------------------

TEST(AudioSpectrum, FullScaleSineOnABinReadsHalf)
{
    Spectrum spectrum{};
    ASSERT_TRUE(createSpectrum(spectrum));
    for (int bin : {1, 12, 100}) {
        float samples[FFT_SIZE];
        for (int n = 0; n < FFT_SIZE; n++)
            samples[n] = float(std::sin(2.0 * M_PI * bin * n / FFT_SIZE));
        float magnitudes[FFT_BINS];
        computeSpectrum(spectrum, samples, magnitudes);
        EXPECT_NEAR(magnitudes[bin], 0.5f, 1e-4f) << "bin " << bin;
        EXPECT_NEAR(magnitudes[bin + 1], 0.25f, 1e-4f) << "Hann leaks a quarter into each neighbour";
        for (int k = bin + 3; k < FFT_BINS; k++)
            ASSERT_LT(magnitudes[k], 1e-4f) << "bin " << k;
    }
    destroySpectrum(spectrum);
}

TEST(AudioSpectrum, AmplitudeScalesLinearly)
{
    Spectrum spectrum{};
    ASSERT_TRUE(createSpectrum(spectrum));
    float samples[FFT_SIZE];
    for (int n = 0; n < FFT_SIZE; n++)
        samples[n] = float(0.2 * std::cos(2.0 * M_PI * 5 * n / FFT_SIZE));
    float magnitudes[FFT_BINS];
    computeSpectrum(spectrum, samples, magnitudes);
    EXPECT_NEAR(magnitudes[5], 0.1f, 1e-4f);
    destroySpectrum(spectrum);
}

// ---- Streams of every format, rate and channel count --------------------------------

struct StreamCase {
    SoundFormat format;
    int rate;
    int channels;
    const char* name;
    float tolerance; // lossy codecs move the peak a little
};

class StreamFormats : public testing::TestWithParam<StreamCase> {};

// A 0.6 s sine on bin 12 at the file's own rate must come out at 44100 Hz still on
// bin 12 (so the resampling ratio is right), last as long, then report stopped.
TEST_P(StreamFormats, PlaysAtTheRightPitchAndLengthThenStops)
{
    const StreamCase& param = GetParam();
    TempDir dir;
    std::string path = dir.file(param.name);
    ASSERT_TRUE(writeSineFile(path.c_str(), param.format, BIN12_HZ, param.rate, param.channels, 0.6));

    HeadlessEngine headless;
    audio::Handle handle = headless.engine.streamCreateFile(false, path.c_str(), 0, 0, STREAM_FLAGS);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(headless.engine.channelIsActive(handle), audio::ACTIVE_STOPPED) << "loading does not start it";
    ASSERT_TRUE(headless.engine.channelPlay(handle, false));
    EXPECT_EQ(headless.engine.channelIsActive(handle), audio::ACTIVE_PLAYING);

    std::vector<float> out = headless.mixSeconds(0.3);
    std::vector<float> bins = headless.spectrum(handle);
    EXPECT_NEAR(bins[12], 0.5f, param.tolerance);
    EXPECT_LT(largestBinFrom(bins, 15), 2 * param.tolerance);
    EXPECT_NEAR(peakOf(out, out.size() / 2), 1.0f, 0.1f);

    long rest = headless.mixUntilStopped(handle, 2.0);
    ASSERT_GE(rest, 0) << "never reported stopped";
    double seconds = 0.3 + rest / 44100.0;
    EXPECT_NEAR(seconds, 0.6, 0.1);
    EXPECT_EQ(headless.engine.channelIsActive(handle), audio::ACTIVE_STOPPED);
    bins = headless.spectrum(handle);
    EXPECT_EQ(largestBinFrom(bins, 0), 0.0f) << "a stopped channel gives zeros";
}

INSTANTIATE_TEST_SUITE_P(
    AudioEngine, StreamFormats,
    testing::Values(StreamCase{SoundFormat::Wav16, 22050, 1, "mono22.wav", 0.02f},
                    StreamCase{SoundFormat::Wav16, 48000, 2, "stereo48.wav", 0.02f},
                    StreamCase{SoundFormat::Wav16, 44100, 2, "stereo44.wav", 0.02f},
                    StreamCase{SoundFormat::WavFloat, 44100, 1, "float.wav", 0.02f},
                    StreamCase{SoundFormat::Aiff16, 32000, 2, "stereo32.aiff", 0.02f},
                    StreamCase{SoundFormat::Flac, 22050, 2, "stereo22.flac", 0.02f},
                    StreamCase{SoundFormat::Flac, 48000, 1, "mono48.flac", 0.02f},
                    StreamCase{SoundFormat::OggVorbis, 22050, 1, "mono22.ogg", 0.03f},
                    StreamCase{SoundFormat::OggVorbis, 48000, 2, "stereo48.ogg", 0.03f},
                    StreamCase{SoundFormat::Opus, 48000, 2, "stereo48.opus", 0.03f},
                    StreamCase{SoundFormat::Mp3, 44100, 2, "stereo44.mp3", 0.03f}),
    [](const testing::TestParamInfo<StreamCase>& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (c == '.')
                c = '_';
        return name;
    });

// ---- Modules --------------------------------------------------------------------------

TEST(AudioEngineModule, PlaysOnceToItsEndThenRestarts)
{
    TempDir dir;
    std::string path = dir.file("song.mod");
    ASSERT_TRUE(writeTestMod(path.c_str(), 1.0));
    HeadlessEngine headless;
    audio::Handle handle = headless.engine.musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS, 0);
    ASSERT_NE(handle, 0u);
    ASSERT_TRUE(headless.engine.channelPlay(handle, false));

    std::vector<float> first;
    long frames = headless.mixUntilStopped(handle, 5.0, &first);
    ASSERT_GE(frames, 0) << "the module must not loop";
    EXPECT_GT(frames, long(0.9 * 44100));
    EXPECT_LT(frames, long(1.5 * 44100));
    EXPECT_GT(peakOf(first), 0.05f);
    EXPECT_EQ(peakOf(headless.mix(4096)), 0.0f) << "silent once ended";

    // A restart after the end plays the whole song again.
    ASSERT_TRUE(headless.engine.channelPlay(handle, true));
    std::vector<float> second;
    long again = headless.mixUntilStopped(handle, 5.0, &second);
    EXPECT_NEAR(double(again), double(frames), 2048.0);
    EXPECT_GT(peakOf(second), 0.05f);

    // Play without restart on an ended channel also starts over (it stands at its end).
    ASSERT_TRUE(headless.engine.channelPlay(handle, false));
    EXPECT_NEAR(double(headless.mixUntilStopped(handle, 5.0)), double(frames), 2048.0);
}

TEST(AudioEngineModule, BytePositionsCountStereoFramesOfTheMix)
{
    TempDir dir;
    std::string path = dir.file("song.mod");
    ASSERT_TRUE(writeTestMod(path.c_str(), 2.0));
    HeadlessEngine headless;
    audio::Handle handle = headless.engine.musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS, 0);
    ASSERT_NE(handle, 0u);
    headless.engine.channelPlay(handle, false);
    long whole = headless.mixUntilStopped(handle, 5.0);
    // Float stereo at 44100 Hz: 8 bytes a frame. The module moves to the row at
    // that time (rows are 0.12 s long).
    ASSERT_TRUE(headless.engine.channelSetPosition(handle, uint64_t(1.2 * 44100) * 8));
    headless.engine.channelPlay(handle, false);
    long rest = headless.mixUntilStopped(handle, 5.0);
    EXPECT_NEAR((whole - rest) / 44100.0, 1.2, 0.13);
}

TEST(AudioEngineModule, FlagsReachLibopenmpt)
{
    TempDir dir;
    std::string path = dir.file("song.mod");
    ASSERT_TRUE(writeTestMod(path.c_str(), 0.5));
    HeadlessEngine headless;
    audio::Handle ft2 = headless.engine.musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS, 0);
    audio::Handle amiga = headless.engine.musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS & ~audio::MUSIC_FT2MOD, 0);
    audio::Handle shorts = headless.engine.musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS & ~audio::SAMPLE_FLOAT, 0);
    ASSERT_TRUE(ft2 && amiga && shorts);

    std::vector<float> ft2Out = headless.playFromStart(ft2);
    std::vector<float> amigaOut = headless.playFromStart(amiga);
    std::vector<float> shortOut = headless.playFromStart(shorts);
    EXPECT_GT(peakOf(ft2Out), 0.05f);
    EXPECT_NE(ft2Out, amigaOut) << "the Amiga resampler is used without MUSIC_FT2MOD";

    // Without SAMPLE_FLOAT the module is rendered in 16 bits.
    bool sixteenBit = true;
    for (size_t i = RAMP * 2; i < shortOut.size(); i++)
        sixteenBit = sixteenBit && shortOut[i] * 32768.0f == std::round(shortOut[i] * 32768.0f);
    EXPECT_TRUE(sixteenBit);
    EXPECT_GT(peakOf(shortOut), 0.05f);
}

TEST(AudioEngineModule, LoadsFromMemoryAndFilePart)
{
    TempDir dir;
    std::string path = dir.file("song.mod");
    ASSERT_TRUE(writeTestMod(path.c_str(), 0.5));
    std::vector<unsigned char> data;
    {
        FILE* file = std::fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        data.resize(1 << 16);
        data.resize(std::fread(data.data(), 1, data.size(), file));
        std::fclose(file);
    }
    HeadlessEngine headless;
    EXPECT_NE(headless.engine.musicLoad(true, data.data(), 0, uint32_t(data.size()), MODULE_FLAGS, 0), 0u);

    // The same module stored after 100 bytes of something else.
    std::string padded = dir.file("padded.bin");
    FILE* file = std::fopen(padded.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::vector<unsigned char> junk(100, 0xAB);
    std::fwrite(junk.data(), 1, junk.size(), file);
    std::fwrite(data.data(), 1, data.size(), file);
    std::fclose(file);
    EXPECT_NE(headless.engine.musicLoad(false, padded.c_str(), 100, uint32_t(data.size()), MODULE_FLAGS, 0), 0u);
    EXPECT_EQ(headless.engine.musicLoad(false, padded.c_str(), 0, 0, MODULE_FLAGS, 0), 0u);
}

// Modules loaded on a worker before they are asked for: handed out once, for the
// same path and flags, while the file holds the bytes loaded; otherwise the caller
// loads the file as it is now.
TEST(AudioEngineModule, ModulesLoadedAheadAreHandedOutOnlyWhileTheirFilesAreUnchanged)
{
    if (!MUSICDISK_AUDIO_THREADS)
        GTEST_SKIP() << "without threads nothing is loaded ahead";
    TempDir dir;
    const std::string a = dir.file("a.mod"), b = dir.file("b.mod"), gone = dir.file("gone.mod");
    const std::string notModule = dir.file("text.mod");
    ASSERT_TRUE(writeTestMod(a.c_str(), 1.0) && writeTestMod(b.c_str(), 1.0) && writeTestMod(gone.c_str(), 1.0));
    ASSERT_TRUE(writeRandomFile(notModule.c_str(), 4096, 7));
    ModulesAhead ahead;
    ahead.start({{gone, MODULE_FLAGS}, {b, MODULE_FLAGS}, {notModule, MODULE_FLAGS}, {a, MODULE_FLAGS}});
    // The worker loads in order: once a is handed out, all were loaded.
    Channel* first = ahead.take(a, MODULE_FLAGS);
    ASSERT_NE(first, nullptr);
    destroyChannel(first);
    ASSERT_TRUE(writeTestMod(b.c_str(), 2.0));
    ASSERT_EQ(unlink(gone.c_str()), 0);
    EXPECT_EQ(ahead.take(b, MODULE_FLAGS), nullptr) << "b holds another module now";
    EXPECT_EQ(ahead.take(gone, MODULE_FLAGS), nullptr);
    EXPECT_EQ(ahead.take(notModule, MODULE_FLAGS), nullptr);
    EXPECT_EQ(ahead.take(a, MODULE_FLAGS), nullptr) << "handed out once";
    EXPECT_EQ(ahead.take(dir.file("never.mod"), MODULE_FLAGS), nullptr);

    // Through the engine: a module loaded ahead plays as the same file loaded when
    // asked for; other flags get a load of their own; the rewritten file is what plays.
    HeadlessEngine headless;
    headless.engine.loadAhead({{a, MODULE_FLAGS}, {b, MODULE_FLAGS}});
    const audio::Handle early = headless.engine.musicLoad(false, a.c_str(), 0, 0, MODULE_FLAGS, 0);
    const audio::Handle late = headless.engine.musicLoad(false, a.c_str(), 0, 0, MODULE_FLAGS, 0);
    const audio::Handle amiga =
        headless.engine.musicLoad(false, b.c_str(), 0, 0, MODULE_FLAGS & ~audio::MUSIC_FT2MOD, 0);
    ASSERT_TRUE(early && late && amiga);
    EXPECT_EQ(headless.playFromStart(early), headless.playFromStart(late));
    EXPECT_GT(peakOf(headless.playFromStart(early)), 0.05f);
    const audio::Handle rewritten = headless.engine.musicLoad(false, b.c_str(), 0, 0, MODULE_FLAGS, 0);
    EXPECT_EQ(headless.engine.channelGetLength(rewritten, audio::POS_BYTE),
              headless.engine.channelGetLength(amiga, audio::POS_BYTE));
    EXPECT_NEAR(headless.engine.channelBytes2Seconds(
                    rewritten, headless.engine.channelGetLength(rewritten, audio::POS_BYTE)),
                2.0, 0.2);
}

// ---- Play, pause, stop and positions, read off a ramp -------------------------------

// A 1 s ramp from -0.5 to 0.5: at full gain each output sample says which frame of
// the file it is (value + 0.5) * 44100.
class RampChannel : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(writeRampWav(path.c_str(), 44100, 2, 1.0));
        handle = headless.engine.streamCreateFile(false, path.c_str(), 0, 0, STREAM_FLAGS);
        ASSERT_NE(handle, 0u);
    }
    // The file frame the last mixed sample came from.
    static double frameAtEnd(const std::vector<float>& out) { return (out[out.size() - 2] + 0.5) * 44100.0; }
    static double frameAtStart(const std::vector<float>& out) { return (out[0] + 0.5) * 44100.0; }

    TempDir dir;
    std::string path = dir.file("ramp.wav");
    HeadlessEngine headless;
    audio::Handle handle = 0;
};

TEST_F(RampChannel, PlayStartsAtTheBeginningWithAFadeIn)
{
    headless.engine.channelPlay(handle, false);
    std::vector<float> out = headless.mix(4410);
    // Frame i is the file's frame i at gain (i + 1) / ramp, full gain from then on.
    for (uint32_t i = 0; i < PLAY_RAMP_FRAMES; i++) {
        float fileValue = -0.5f + float(i) / 44100.0f;
        ASSERT_NEAR(out[i * 2], fileValue * float(i + 1) / PLAY_RAMP_FRAMES, 1e-4f) << "frame " << i;
    }
    EXPECT_NEAR(frameAtEnd(out), 4409.0, 0.5);
}

TEST_F(RampChannel, PauseThenPlayResumesWhereItStood)
{
    headless.engine.channelPlay(handle, false);
    double before = frameAtEnd(headless.mix(8820));
    ASSERT_TRUE(headless.engine.channelPause(handle));
    EXPECT_EQ(headless.engine.channelIsActive(handle), audio::ACTIVE_PAUSED);
    std::vector<float> paused = headless.mix(8820);
    EXPECT_EQ(peakOf(paused, RAMP * 2), 0.0f) << "silent after the fade-out";
    EXPECT_EQ(largestBinFrom(headless.spectrum(handle), 0), 0.0f);
    EXPECT_FALSE(headless.engine.channelPause(handle)) << "already paused";

    ASSERT_TRUE(headless.engine.channelPlay(handle, false));
    EXPECT_EQ(headless.engine.channelIsActive(handle), audio::ACTIVE_PLAYING);
    std::vector<float> resumed = headless.mix(RAMP);
    // The fade-out consumed a ramp's worth of frames, nothing else was skipped.
    EXPECT_NEAR(frameAtEnd(resumed), before + 2 * RAMP, 8.0);
}

TEST_F(RampChannel, StopRewindThenPlayStartsOver)
{
    headless.engine.channelPlay(handle, false);
    headless.mix(8820);
    ASSERT_TRUE(headless.engine.channelStop(handle));
    EXPECT_EQ(headless.engine.channelIsActive(handle), audio::ACTIVE_STOPPED);
    ASSERT_TRUE(headless.engine.channelSetPosition(handle, 0));
    EXPECT_EQ(peakOf(headless.mix(4410), RAMP * 2), 0.0f);
    ASSERT_TRUE(headless.engine.channelPlay(handle, false));
    EXPECT_NEAR(frameAtEnd(headless.mix(2000)), 1999.0, 0.5);
}

TEST_F(RampChannel, StopThenPlayWithoutRewindResumes)
{
    headless.engine.channelPlay(handle, false);
    double before = frameAtEnd(headless.mix(8820));
    headless.engine.channelStop(handle);
    headless.mix(2000);
    headless.engine.channelPlay(handle, false);
    EXPECT_NEAR(frameAtEnd(headless.mix(RAMP)), before + 2 * RAMP, 8.0);
}

TEST_F(RampChannel, RestartWhilePlayingFadesOverToTheBeginning)
{
    headless.engine.channelPlay(handle, false);
    headless.mix(22050);
    ASSERT_TRUE(headless.engine.channelPlay(handle, true));
    std::vector<float> out = headless.mix(4410);
    // Fade out, then fade in from the top: never a jump between samples.
    for (size_t i = 2; i < out.size(); i += 2)
        ASSERT_LT(std::fabs(out[i] - out[i - 2]), 0.01f) << "click at frame " << i / 2;
    EXPECT_NEAR(frameAtEnd(out), 4410.0 - 2 * RAMP, 2.0 * RAMP);
}

// When play returns, the ring holds the first block of the position it starts
// from: the very next mix sounds it, without the decoding side having run.
TEST_F(RampChannel, APlayHasItsFirstBlockDecodedWhenItReturns)
{
    AudioEngine& engine = headless.engine;
    engine.channelPlay(handle, false);
    headless.mix(22050);
    std::vector<float> out(1024 * 2);
    for (bool rewindFirst : {false, true}) {
        SCOPED_TRACE(rewindFirst ? "stop, rewind, play" : "restart while playing");
        if (rewindFirst) {
            engine.channelStop(handle);
            headless.mix(4410);
            engine.channelSetPosition(handle, 0);
            ASSERT_TRUE(engine.channelPlay(handle, false));
        } else {
            ASSERT_TRUE(engine.channelPlay(handle, true));
        }
        audio_engine::mixInto(engine, out.data(), 1024);
        EXPECT_EQ(engine.mixer.lateStarts, 0u);
        // Restarted while playing, the old position fades out first.
        EXPECT_NEAR(frameAtEnd(out), rewindFirst ? 1023.0 : 1023.0 - RAMP, rewindFirst ? 0.5 : RAMP);
        headless.mix(4410);
    }
}

TEST_F(RampChannel, SetPositionTakesBytesOfTheFileFormat)
{
    // Float stereo: 8 bytes per frame of the file.
    ASSERT_TRUE(headless.engine.channelSetPosition(handle, 22050 * 8));
    headless.engine.channelPlay(handle, false);
    EXPECT_NEAR(frameAtEnd(headless.mix(1000)), 22050.0 + 999.0, 0.5);
    // Past the end: the channel ends.
    headless.engine.channelSetPosition(handle, 10 * 44100 * 8);
    EXPECT_GE(headless.mixUntilStopped(handle, 1.0), 0);
}

// A byte position counts bytes of the file's channels in the sample format the
// channel reads: 2 or 4 bytes a sample, one or two samples a frame.
TEST(AudioEngineStream, BytePositionsFollowChannelsAndSampleFormat)
{
    struct Case {
        int channels;
        uint32_t flags;
        uint64_t bytesPerFrame;
    };
    for (const Case& c : {Case{1, 0, 2}, Case{2, 0, 4}, Case{1, audio::SAMPLE_FLOAT, 4}}) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels, flags " + std::to_string(c.flags));
        TempDir dir;
        std::string path = dir.file("ramp.wav");
        ASSERT_TRUE(writeRampWav(path.c_str(), 44100, c.channels, 1.0));
        HeadlessEngine headless;
        audio::Handle handle = headless.engine.streamCreateFile(false, path.c_str(), 0, 0, c.flags);
        ASSERT_NE(handle, 0u);
        ASSERT_TRUE(headless.engine.channelSetPosition(handle, 11025 * c.bytesPerFrame));
        headless.engine.channelPlay(handle, false);
        std::vector<float> out = headless.mix(1000);
        // Integer reads of a float file come out scaled to its peak: the ramp's
        // slope over the last 500 frames gives the scale.
        double last = out[out.size() - 2];
        double scale = (last - out[out.size() - 2 - 1000]) / 500.0 * 44100.0;
        EXPECT_NEAR((last / scale + 0.5) * 44100.0, 11025.0 + 999.0, 2.0);
    }
}

TEST_F(RampChannel, StopIsSmooth)
{
    headless.engine.channelPlay(handle, false);
    headless.mix(4410);
    headless.engine.channelStop(handle);
    std::vector<float> out = headless.mix(1024);
    for (size_t i = 2; i < out.size(); i += 2)
        ASSERT_LT(std::fabs(out[i] - out[i - 2]), 0.01f) << "click at frame " << i / 2;
    EXPECT_EQ(peakOf(out, RAMP * 2), 0.0f);
}

// ---- Volume ------------------------------------------------------------------------------

TEST(AudioEngineVolume, CurveRunsFromSilenceToUnity)
{
    EXPECT_EQ(volumeToGain(0), 0.0f);
    EXPECT_EQ(volumeToGain(100), 1.0f);
    EXPECT_NEAR(20 * std::log10(volumeToGain(90)), -4.0, 0.01);
    EXPECT_NEAR(20 * std::log10(volumeToGain(50)), -20.0, 0.01);
    EXPECT_NEAR(20 * std::log10(volumeToGain(10)), -36.0, 0.01);
    for (uint32_t v = 1; v <= 100; v++)
        EXPECT_GT(volumeToGain(v), volumeToGain(v - 1)) << v;
}

TEST(AudioEngineVolume, GetReturnsWhatWasSet)
{
    audio_engine::AudioEngine engine;
    EXPECT_EQ(engine.getVolume(), 100u);
    for (uint32_t v : {0u, 37u, 40u, 100u}) {
        EXPECT_TRUE(engine.setVolume(v));
        EXPECT_EQ(engine.getVolume(), v);
    }
    EXPECT_FALSE(engine.setVolume(101));
    EXPECT_EQ(engine.getVolume(), 100u);
}

TEST_F(RampChannel, VolumeChangesGlideAndZeroIsSilent)
{
    headless.engine.channelPlay(handle, false);
    std::vector<float> full = headless.mix(4410);
    ASSERT_GT(peakOf(full, 4000), 0.3f);
    headless.engine.setVolume(0);
    std::vector<float> out = headless.mix(4410);
    for (size_t i = 2; i < out.size(); i += 2)
        ASSERT_LT(std::fabs(out[i] - out[i - 2]), 0.002f) << "zipper at frame " << i / 2;
    EXPECT_EQ(peakOf(out, VOLUME_RAMP_FRAMES * 2 + 2), 0.0f);
    // The spectrum is taken before the volume: it still shows the channel.
    EXPECT_GT(largestBinFrom(headless.spectrum(handle), 0), 0.0f);
    headless.engine.setVolume(50);
    out = headless.mix(4410);
    // 3 * 4410 frames played since the start of the file.
    double fileValue = -0.5 + (3 * 4410 - 1) / 44100.0;
    EXPECT_NEAR(out[out.size() - 2], fileValue * volumeToGain(50), 1e-5) << "-20 dB at 50";
}

// ---- Spectrum of a playing channel ---------------------------------------------------------

TEST(AudioEngineSpectrum, SineOnBin12ReadsHalfThroughTheMixer)
{
    TempDir dir;
    std::string path = dir.file("sine.wav");
    ASSERT_TRUE(writeSineFile(path.c_str(), SoundFormat::WavFloat, BIN12_HZ, 44100, 2, 1.0));
    HeadlessEngine headless;
    audio::Handle handle = headless.engine.streamCreateFile(false, path.c_str(), 0, 0, STREAM_FLAGS);
    ASSERT_NE(handle, 0u);
    headless.engine.channelPlay(handle, false);
    // Any position, not only whole blocks: the window is taken where the mix stands.
    for (uint32_t frames : {2048u, 1000u, 333u, 4096u}) {
        headless.mix(frames);
        std::vector<float> bins = headless.spectrum(handle);
        EXPECT_NEAR(bins[12], 0.5f, 0.02f);
        EXPECT_NEAR(bins[11], 0.25f, 0.02f);
        EXPECT_LT(largestBinFrom(bins, 15), 0.01f);
        EXPECT_LT(bins[5], 0.01f);
    }
    headless.engine.setVolume(0);
    headless.mix(4096);
    EXPECT_NEAR(headless.spectrum(handle)[12], 0.5f, 0.02f) << "before the master volume";
}

// ---- Bad files, handles, limits ---------------------------------------------------------------

class BadFiles : public testing::Test {
protected:
    void expectRefused(const std::string& path)
    {
        EXPECT_EQ(headless.engine.musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS, 0), 0u) << path;
        EXPECT_EQ(headless.engine.streamCreateFile(false, path.c_str(), 0, 0, STREAM_FLAGS), 0u) << path;
    }
    TempDir dir;
    HeadlessEngine headless;
};

TEST_F(BadFiles, AreRefused)
{
    expectRefused(dir.file("missing.mod"));
    expectRefused(dir.path);

    std::string empty = dir.file("empty.wav");
    ASSERT_TRUE(writeEmptyFile(empty.c_str()));
    expectRefused(empty);

    std::string text = dir.file("notes.txt");
    FILE* file = std::fopen(text.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("This is not music.\nNot at all.\n", file);
    std::fclose(file);
    expectRefused(text);

    for (uint32_t seed : {1u, 2u, 3u}) {
        for (const char* name : {"random.mod", "random.mp3", "random.ogg"}) {
            std::string random = dir.file(std::to_string(seed) + name);
            ASSERT_TRUE(writeRandomFile(random.c_str(), 4096u * seed, seed));
            expectRefused(random);
        }
    }

    std::string mod = dir.file("song.mod");
    ASSERT_TRUE(writeTestMod(mod.c_str(), 1.0));
    std::string modHeader = dir.file("header.mod");
    ASSERT_TRUE(writeTruncatedCopy(mod.c_str(), modHeader.c_str(), 600));
    expectRefused(modHeader);

    for (SoundFormat format : {SoundFormat::Wav16, SoundFormat::Flac, SoundFormat::OggVorbis}) {
        std::string sound = dir.file("sound");
        ASSERT_TRUE(writeSineFile(sound.c_str(), format, 440.0, 44100, 2, 0.5));
        std::string cut = dir.file("cut");
        ASSERT_TRUE(writeTruncatedCopy(sound.c_str(), cut.c_str(), 20));
        expectRefused(cut);
        std::string scrambled = dir.file("scrambled");
        ASSERT_TRUE(writeCorruptedCopy(sound.c_str(), scrambled.c_str(), 0, 64, 7));
        expectRefused(scrambled);
    }
}

TEST_F(BadFiles, AbsurdSizesAreRefusedWithoutReadingThem)
{
    // 4 GB of nothing (a sparse file): refused from its size or its header alone.
    std::string huge = dir.file("huge.mod");
    FILE* file = std::fopen(huge.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(ftruncate(fileno(file), off_t(4) << 30), 0);
    std::fclose(file);
    expectRefused(huge);

    // A WAV header that promises 2 GB of samples the file does not hold.
    std::string liar = dir.file("liar.wav");
    ASSERT_TRUE(writeSineFile(liar.c_str(), SoundFormat::Wav16, 440.0, 44100, 2, 0.1));
    file = std::fopen(liar.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    const unsigned char size[4] = {0xF0, 0xFF, 0xFF, 0x7F};
    std::fseek(file, 4, SEEK_SET);
    std::fwrite(size, 1, 4, file);
    std::fseek(file, 40, SEEK_SET);
    std::fwrite(size, 1, 4, file);
    std::fclose(file);
    audio::Handle handle = headless.engine.streamCreateFile(false, liar.c_str(), 0, 0, STREAM_FLAGS);
    if (handle != 0) { // it may load: then it plays what is there and ends
        headless.engine.channelPlay(handle, false);
        EXPECT_GE(headless.mixUntilStopped(handle, 2.0), 0);
    }
}

TEST_F(BadFiles, MoreThanTwoChannelsAreRefused)
{
    std::string surround = dir.file("surround.wav");
    ASSERT_TRUE(writeSineFile(surround.c_str(), SoundFormat::Wav16, 440.0, 44100, 6, 0.2));
    EXPECT_EQ(headless.engine.streamCreateFile(false, surround.c_str(), 0, 0, STREAM_FLAGS), 0u);
}

TEST_F(BadFiles, UnreadableFileIsRefused)
{
    UnprivilegedReader reader;
    if (!reader.active())
        GTEST_SKIP() << "cannot take away root's file permission override";
    std::string locked = dir.file("locked.wav");
    ASSERT_TRUE(writeSineFile(locked.c_str(), SoundFormat::Wav16, 440.0, 44100, 2, 0.2));
    chmod(locked.c_str(), 0);
    expectRefused(locked);
}

// Cut inside its audio data, a file keeps what it holds: it loads, plays it and ends.
TEST_F(BadFiles, CutInsideTheDataPlaysWhatIsThere)
{
    std::string mod = dir.file("song.mod");
    ASSERT_TRUE(writeTestMod(mod.c_str(), 4.0));
    std::string sound = dir.file("sound.flac");
    ASSERT_TRUE(writeSineFile(sound.c_str(), SoundFormat::Flac, 440.0, 44100, 2, 1.0));
    std::string cutMod = dir.file("cut.mod");
    std::string cutSound = dir.file("cut.flac");
    ASSERT_TRUE(writeTruncatedCopy(mod.c_str(), cutMod.c_str(), 1084 + 1024 + 100));
    ASSERT_TRUE(writeTruncatedCopy(sound.c_str(), cutSound.c_str(), 20000));

    audio::Handle handles[] = {headless.engine.musicLoad(false, cutMod.c_str(), 0, 0, MODULE_FLAGS, 0),
                               headless.engine.streamCreateFile(false, cutSound.c_str(), 0, 0, STREAM_FLAGS)};
    for (audio::Handle handle : handles) {
        if (handle == 0)
            continue; // refusing is fine too; crashing or hanging is not
        headless.engine.channelPlay(handle, false);
        EXPECT_GE(headless.mixUntilStopped(handle, 10.0), 0);
    }
}

TEST(AudioEngineHandles, ZeroAndUnknownHandlesAreHarmless)
{
    HeadlessEngine headless;
    audio::Audio& engine = headless.engine;
    float buffer[256];
    for (audio::Handle handle : {0u, 1u, 12345u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(engine.channelPlay(handle, true));
        EXPECT_FALSE(engine.channelPlay(handle, false));
        EXPECT_FALSE(engine.channelStop(handle));
        EXPECT_FALSE(engine.channelPause(handle));
        EXPECT_FALSE(engine.channelSetPosition(handle, 0));
        EXPECT_EQ(engine.channelIsActive(handle), audio::ACTIVE_STOPPED);
        EXPECT_EQ(engine.channelGetData(handle, buffer, audio::DATA_FFT512), audio::DATA_ERROR);
        EXPECT_FALSE(engine.musicFree(handle));
    }
}

TEST(AudioEngineHandles, AHundredChannelsLoadAndAFreedHandleIsUnknown)
{
    TempDir dir;
    std::string path = dir.file("sine.wav");
    ASSERT_TRUE(writeSineFile(path.c_str(), SoundFormat::Wav16, 440.0, 44100, 1, 0.2));
    HeadlessEngine headless;
    std::vector<audio::Handle> handles;
    // A disk holds all its tracks loaded at once, however many it has.
    for (int i = 0; i < 100; i++) {
        handles.push_back(headless.engine.streamCreateFile(false, path.c_str(), 0, 0, STREAM_FLAGS));
        ASSERT_NE(handles.back(), 0u) << "channel " << i;
    }
    headless.engine.channelPlay(handles[99], false);
    EXPECT_GT(peakOf(headless.mix(1024)), 0.1f) << "the hundredth channel plays";
    headless.engine.channelStop(handles[99]);

    headless.engine.channelPlay(handles[0], false);
    headless.mix(1024);
    ASSERT_TRUE(headless.engine.musicFree(handles[0]));
    EXPECT_FALSE(headless.engine.musicFree(handles[0]));
    EXPECT_FALSE(headless.engine.channelPlay(handles[0], false));
    EXPECT_EQ(headless.engine.channelIsActive(handles[0]), audio::ACTIVE_STOPPED);
    EXPECT_EQ(peakOf(headless.mix(1024)), 0.0f) << "a freed channel is not mixed";

    audio::Handle again = headless.engine.streamCreateFile(false, path.c_str(), 0, 0, STREAM_FLAGS);
    EXPECT_NE(again, 0u) << "the mixer handed the freed channel back";
    for (audio::Handle handle : handles)
        EXPECT_NE(again, handle) << "handles are not reused";

    float buffer[256];
    EXPECT_EQ(headless.engine.channelGetData(again, buffer, 0), audio::DATA_ERROR) << "only FFT512 is offered";
    EXPECT_EQ(headless.engine.channelGetData(again, nullptr, audio::DATA_FFT512), audio::DATA_ERROR);
}

TEST(AudioEngineHandles, BackslashPathsOpenTheSameFile)
{
    TempDir dir;
    ASSERT_EQ(mkdir(dir.file("music").c_str(), 0755), 0);
    ASSERT_TRUE(writeTestMod(dir.file("music/song.mod").c_str(), 0.5));
    ASSERT_TRUE(writeSineFile(dir.file("music/tone.ogg").c_str(), SoundFormat::OggVorbis, 440.0, 44100, 2, 0.3));
    HeadlessEngine headless;
    std::string modPath = dir.path + "\\music\\song.mod";
    std::string oggPath = dir.path + "\\music\\tone.ogg";
    EXPECT_NE(headless.engine.musicLoad(false, modPath.c_str(), 0, 0, MODULE_FLAGS, 0), 0u);
    EXPECT_NE(headless.engine.streamCreateFile(false, oggPath.c_str(), 0, 0, STREAM_FLAGS), 0u);
}

TEST(AudioEngineLifetime, LoadsNeedInitAndFreeReleasesEverything)
{
    TempDir dir;
    std::string path = dir.file("song.mod");
    ASSERT_TRUE(writeTestMod(path.c_str(), 0.5));
    audio_engine::AudioEngine engine;
    EXPECT_EQ(engine.getVersion() >> 16, audio::VERSION_2_3);
    EXPECT_EQ(engine.musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS, 0), 0u) << "not initialised";
    EXPECT_FALSE(engine.free());

    ASSERT_TRUE(engine.initHeadless());
    audio::Handle handle = engine.musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS, 0);
    ASSERT_NE(handle, 0u);
    engine.channelPlay(handle, false);
    EXPECT_TRUE(engine.free());
    EXPECT_EQ(engine.channelIsActive(handle), audio::ACTIVE_STOPPED);
    EXPECT_FALSE(engine.channelPlay(handle, false));
    EXPECT_EQ(engine.musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS, 0), 0u);
}
