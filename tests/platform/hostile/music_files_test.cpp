// Broken music files on a disk, loaded by the real audio engine at start-up and
// then played, skipped, stopped and paused from the player screen: each is either
// refused with the track message or plays what it holds; nothing crashes, hangs
// or keeps the program from quitting.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "disk/global_initialization.h"
#include "platform/sdl/audio_engine.h"
#include "platform/sdl/audio_mixer.h"
#include "tests/platform/hostile/hostile_disk.h"
#include "tests/support/test_media.h"
#include "tests/support/unprivileged_reader.h"

namespace hostile {
namespace {

const std::string TRACK_FAILED = "Failed to load music file. Sorry.";

struct Track {
    const char* type;
    std::string file;
    bool mustFail;  // false: loading it is fine too
};

// Logo and intro skipped, then on the player: every track in turn, play/stop,
// pause/resume, and Escape.
std::vector<ScriptedKey> skipThroughTheTracks(size_t tracks)
{
    std::vector<ScriptedKey> keys = {{5, os::VK_ESCAPE}, {25, os::VK_ESCAPE}};
    uint32_t frame = 50;
    for (size_t i = 0; i <= tracks; ++i, frame += 5)
        keys.push_back({frame, os::VK_RIGHT});
    for (uint32_t key : {uint32_t(os::VK_LEFT), uint32_t(os::VK_RETURN), uint32_t(os::VK_RETURN), uint32_t('P'),
                         uint32_t('P'), uint32_t(os::VK_RETURN)}) {
        keys.push_back({frame, key});
        frame += 5;
    }
    keys.push_back({frame + 10, os::VK_ESCAPE});
    return keys;
}

void putBytes(const std::string& path, long offset, const std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr) << path;
    std::fseek(file, offset, SEEK_SET);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// A float sample as the bytes a little-endian WAV holds.
std::string floatBytes(float value)
{
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

class MusicFiles : public HostileDisk {
protected:
    // Writes a content file for the tracks, runs the disk through them and checks
    // what loaded and what was reported.
    void playDisk(const std::vector<Track>& tracks)
    {
        std::string config = std::to_string(tracks.size()) + "\n";
        for (const Track& track : tracks)
            config += std::string(track.type) + "\n" + track.file + "\nTitle of " + track.file + "\n";
        writeFile("data/disk.cfg", config);
        const std::vector<ScriptedKey> keys = skipThroughTheTracks(tracks.size());
        const RunResult run = runDisk(keys);

        EXPECT_FALSE(run.hung);
        EXPECT_FALSE(run.quitRequested);
        EXPECT_GT(run.frames, keys.back().frame);
        ASSERT_EQ(run.disk.loaded.size(), tracks.size());
        size_t failed = 0;
        for (size_t i = 0; i < tracks.size(); ++i) {
            if (tracks[i].mustFail) {
                EXPECT_FALSE(run.disk.loaded[i]) << tracks[i].file;
            }
            failed += run.disk.loaded[i] ? 0 : 1;
        }
        const size_t reported = std::min(failed, size_t(MAX_REPORTED_TRACK_FAILURES));
        EXPECT_EQ(run.messages, std::vector<std::string>(reported, TRACK_FAILED));
    }

    std::string music(const std::string& name) { return "data/music/" + name; }
};

TEST_F(MusicFiles, EmptyFilesFoldersAndRandomBytesAreRefused)
{
    ASSERT_TRUE(writeEmptyFile(music("empty.mod").c_str()));
    ASSERT_TRUE(writeEmptyFile(music("empty.ogg").c_str()));
    std::filesystem::create_directory(music("folder.xm"));
    writeRandomBytes(music("noise.mod"), 70000, 5);
    playDisk({{"mod", "empty.mod", true},
              {"stream", "empty.ogg", true},
              {"mod", "folder.xm", true},
              {"stream", "folder.xm", true},
              {"mod", "noise.mod", true}});
}

TEST_F(MusicFiles, TruncatedModulesLoadWhatTheyHoldOrAreRefused)
{
    ASSERT_TRUE(writeTestMod(music("whole.mod").c_str(), 6.0));
    ASSERT_TRUE(writeTruncatedCopy(music("whole.mod").c_str(), music("header.mod").c_str(), 700));
    ASSERT_TRUE(writeTruncatedCopy(music("whole.mod").c_str(), music("patterns.mod").c_str(), 1084 + 1500));
    const std::string xm = readFile(music("glass_harbour.xm"));
    writeFile(music("half.xm"), xm.substr(0, xm.size() / 2));
    writeFile(music("xmheader.xm"), xm.substr(0, 100));
    playDisk({{"mod", "header.mod", true},
              {"mod", "patterns.mod", false},
              {"mod", "half.xm", false},
              {"mod", "xmheader.xm", true},
              {"mod", "whole.mod", false}});
}

// Header fields that claim far more than the file holds.
TEST_F(MusicFiles, AbsurdPatternAndSampleCountsDoNotHurt)
{
    // ProTracker: 128 orders naming pattern 127 (128 patterns of 1 KB that are not
    // there), and 31 samples of the greatest length (128 KB each) that are not
    // there either.
    ASSERT_TRUE(writeTestMod(music("patterns.mod").c_str(), 1.0));
    putBytes(music("patterns.mod"), 950, std::string(1, char(128)) + char(127) + std::string(128, char(127)));
    ASSERT_TRUE(writeTestMod(music("samples.mod").c_str(), 1.0));
    for (int sample = 0; sample < 31; ++sample)
        putBytes(music("samples.mod"), 20 + sample * 30 + 22, std::string("\xFF\xFF\x00\x40\x00\x00\xFF\xFF", 8));
    // FastTracker 2: song length, channels, patterns and instruments all 0xFFFF.
    const std::string xm = readFile(music("glass_harbour.xm"));
    writeFile(music("counts.xm"), xm);
    putBytes(music("counts.xm"), 64, std::string("\xFF\xFF\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF", 10));
    writeFile(music("instruments.xm"), xm);
    putBytes(music("instruments.xm"), 72, "\xFF\xFF");
    playDisk({{"mod", "patterns.mod", false},
              {"mod", "samples.mod", false},
              {"mod", "counts.xm", false},
              {"mod", "instruments.xm", false}});
}

TEST_F(MusicFiles, StreamsWithBrokenHeadersAreRefused)
{
    // A WAV of 0 channels, one at 0 Hz, one of 0-bit samples; an Ogg whose
    // header pages are scrambled; a WAV whose sizes claim 4 GB.
    for (const char* name : {"channels.wav", "rate.wav", "bits.wav", "sizes.wav"})
        ASSERT_TRUE(writeSineFile(music(name).c_str(), SoundFormat::Wav16, 440, 22050, 1, 0.5));
    putBytes(music("channels.wav"), 22, std::string("\x00\x00", 2));
    putBytes(music("rate.wav"), 24, std::string("\x00\x00\x00\x00", 4));
    putBytes(music("bits.wav"), 34, std::string("\x00\x00", 2));
    putBytes(music("sizes.wav"), 4, "\xFF\xFF\xFF\xFF");
    putBytes(music("sizes.wav"), 40, "\xFF\xFF\xFF\xFF");
    ASSERT_TRUE(writeSineFile(music("scrambled.ogg").c_str(), SoundFormat::OggVorbis, 440, 22050, 1, 0.5));
    ASSERT_TRUE(writeCorruptedCopy(music("scrambled.ogg").c_str(), music("scrambled.ogg").c_str(), 28, 60, 9));
    playDisk({{"stream", "channels.wav", true},
              {"stream", "rate.wav", true},
              {"stream", "bits.wav", false},
              {"stream", "scrambled.ogg", true},
              {"stream", "sizes.wav", false}});
}

// A float file may hold not-a-number and infinities; they must not reach the mix
// or the equalizer (the player draws the equalizer from this track's spectrum).
TEST_F(MusicFiles, FloatStreamWithNonFiniteSamplesPlays)
{
    ASSERT_TRUE(writeSineFile(music("nan.wav").c_str(), SoundFormat::WavFloat, 440, 44100, 1, 2.0));
    std::string bad;
    for (int i = 0; i < 4096; ++i)
        bad += floatBytes(i % 3 == 0 ? NAN : i % 3 == 1 ? INFINITY : FLT_MAX);
    putBytes(music("nan.wav"), long(readFile(music("nan.wav")).find("data") + 8 + 4000), bad);
    playDisk({{"stream", "nan.wav", false}});
}

// The same file straight through the engine: the mix stays music (not a
// full-scale offset) and the spectrum stays finite.
TEST_F(MusicFiles, NonFiniteSamplesNeverReachTheMixOrTheSpectrum)
{
    ASSERT_TRUE(writeSineFile(music("nan.wav").c_str(), SoundFormat::WavFloat, 440, 44100, 2, 1.0, 0.5));
    std::string bad;
    for (int i = 0; i < 44100; ++i)
        bad += floatBytes(i % 2 ? NAN : -INFINITY);
    putBytes(music("nan.wav"), long(readFile(music("nan.wav")).find("data") + 8), bad);

    audio_engine::AudioEngine engine;
    ASSERT_TRUE(engine.initHeadless());
    audio::Handle channel = engine.streamCreateFile(false, music("nan.wav").c_str(), 0, 0, audio::SAMPLE_FLOAT);
    ASSERT_NE(channel, 0u);
    ASSERT_TRUE(engine.channelPlay(channel, false));
    std::vector<float> out(2048 * 2);
    size_t pinned = 0;
    for (int piece = 0; piece < 16; ++piece) {
        engine.decodeAll();
        audio_engine::mixInto(engine, out.data(), 2048);
        for (float sample : out)
            pinned += std::fabs(sample) >= 1.0f ? 1 : 0;
        float bins[256];
        ASSERT_EQ(engine.channelGetData(channel, bins, audio::DATA_FFT512), sizeof bins);
        for (float bin : bins)
            ASSERT_TRUE(std::isfinite(bin));
    }
    EXPECT_EQ(pinned, 0u) << "samples stuck at full scale";
    engine.free();
}

TEST_F(MusicFiles, UnreadableFileIsRefused)
{
    UnprivilegedReader reader;
    if (!reader.active())
        GTEST_SKIP() << "cannot take away root's file permission override";
    ASSERT_TRUE(writeTestMod(music("locked.mod").c_str(), 1.0));
    chmod(music("locked.mod").c_str(), 0);
    playDisk({{"mod", "locked.mod", true}});
}

} // namespace
} // namespace hostile
