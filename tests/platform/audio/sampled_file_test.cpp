// The readers of builds without libsndfile (stb_vorbis for Ogg Vorbis, the WAV
// reader) against libsndfile on the same files: the same frames, the same length,
// the same place after a seek, and bad files refused or read without harm.
#include "audio_test_util.h"
#include "platform/sdl/audio_sampled_file.h"
#include "tests/support/test_media.h"

#include <sndfile.h>

#include <cstdio>
#include <functional>

using namespace audio_engine;

namespace {

using Opener = std::function<bool(SampledFile&, const char*, bool)>;

// Every frame the reader gives from where it stands, read in pieces of `piece` frames.
std::vector<float> readAll(SampledFile& file, long piece = 4096)
{
    std::vector<float> samples;
    std::vector<float> buffer(size_t(piece) * file.channels);
    long got;
    while ((got = readSampledFrames(file, buffer.data(), piece)) > 0)
        samples.insert(samples.end(), buffer.begin(), buffer.begin() + got * file.channels);
    return samples;
}

#if MUSICDISK_SNDFILE
float largestDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    float largest = 0.0f;
    for (size_t i = 0; i < a.size() && i < b.size(); i++)
        largest = std::fmax(largest, std::fabs(a[i] - b[i]));
    return largest;
}

// Opens the same file with both readers and holds the one against the other:
// format, length, every sample, and the frames after a seek into the middle.
void expectSameAsLibsndfile(const Opener& open, const std::string& path, bool integerSamples, float tolerance)
{
    SampledFile ours, reference;
    ASSERT_TRUE(open(ours, path.c_str(), integerSamples)) << path;
    ASSERT_TRUE(openSndfile(reference, path.c_str(), integerSamples)) << path;
    EXPECT_EQ(ours.channels, reference.channels);
    EXPECT_EQ(ours.rate, reference.rate);
    EXPECT_EQ(ours.frames, reference.frames);

    std::vector<float> mine = readAll(ours, 1000);
    std::vector<float> theirs = readAll(reference);
    EXPECT_EQ(mine.size(), theirs.size()) << path;
    EXPECT_LE(largestDifference(mine, theirs), tolerance) << path;

    const uint64_t middle = reference.frames / 2 + 17;
    ASSERT_TRUE(seekSampledFile(ours, middle));
    ASSERT_TRUE(seekSampledFile(reference, middle));
    std::vector<float> after(4096u * ours.channels), expected(4096u * ours.channels);
    EXPECT_EQ(readSampledFrames(ours, after.data(), 4096), readSampledFrames(reference, expected.data(), 4096));
    EXPECT_LE(largestDifference(after, expected), tolerance) << path << " after a seek";
    EXPECT_FALSE(seekSampledFile(ours, reference.frames + 1)) << "past the end";

    closeSampledFile(ours);
    closeSampledFile(reference);
}

// A 997 Hz sine at 0.9 of full scale in any of libsndfile's WAV sample formats.
bool writeWav(const std::string& path, int format, int rate, int channels, double seconds)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* sink = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!sink)
        return false;
    const long frames = long(seconds * rate);
    std::vector<double> samples(size_t(frames) * channels);
    for (long i = 0; i < frames; i++)
        for (int c = 0; c < channels; c++)
            samples[size_t(i) * channels + c] = 0.9 * std::sin(2.0 * M_PI * 997.0 * double(i) / rate + c);
    bool written = sf_writef_double(sink, samples.data(), frames) == frames;
    sf_close(sink);
    return written;
}

#endif

}  // namespace

// Held against libsndfile where the build has it.
#if MUSICDISK_SNDFILE

TEST(SampledFiles, StbVorbisDecodesTheBundledOggAsLibsndfileDoes)
{
    const std::string path = "data/music/afterglow_drive.ogg";
    expectSameAsLibsndfile(openVorbisFile, path, false, 1e-4f);
    // 16-bit reads: libsndfile scales the file's peak to full scale, stb_vorbis
    // does not; both stay within a few steps of a 16-bit sample.
    SampledFile file;
    ASSERT_TRUE(openVorbisFile(file, path.c_str(), true));
    std::vector<float> samples = readAll(file);
    EXPECT_EQ(samples.size(), file.frames * file.channels);
    EXPECT_GT(peakOf(samples), 0.1f);
    closeSampledFile(file);
}

TEST(SampledFiles, WavReaderReadsEverySampleFormatAsLibsndfileDoes)
{
    TempDir dir;
    struct Case {
        int format;
        int rate;
        int channels;
    };
    for (Case c : {Case{SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2}, Case{SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1},
                   Case{SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1}, Case{SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 2},
                   Case{SF_FORMAT_WAV | SF_FORMAT_PCM_32, 44100, 2}, Case{SF_FORMAT_WAV | SF_FORMAT_FLOAT, 32000, 1},
                   Case{SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 44100, 2}, Case{SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 96000, 2},
                   Case{SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 44100, 2}}) {
        std::string path = dir.file("sine" + std::to_string(c.format) + "_" + std::to_string(c.rate) + ".wav");
        ASSERT_TRUE(writeWav(path, c.format, c.rate, c.channels, 0.5));
        SCOPED_TRACE(path);
        expectSameAsLibsndfile(openWavFile, path, false, 1e-6f);
        if ((c.format & SF_FORMAT_SUBMASK) != SF_FORMAT_FLOAT && (c.format & SF_FORMAT_SUBMASK) != SF_FORMAT_DOUBLE)
            expectSameAsLibsndfile(openWavFile, path, true, 1e-6f);
    }
}

#endif

TEST(SampledFiles, EachReaderRefusesWhatIsNotItsFormat)
{
    TempDir dir;
    std::string wav = dir.file("tone.wav"), ogg = dir.file("tone.ogg"), flac = dir.file("tone.flac");
    ASSERT_TRUE(writeSineFile(wav.c_str(), SoundFormat::Wav16, 440.0, 44100, 2, 0.2));
    ASSERT_TRUE(writeSineFile(ogg.c_str(), SoundFormat::OggVorbis, 440.0, 44100, 2, 0.2));
    ASSERT_TRUE(writeSineFile(flac.c_str(), SoundFormat::Flac, 440.0, 44100, 2, 0.2));
    SampledFile file;
    EXPECT_FALSE(openVorbisFile(file, wav.c_str(), false));
    EXPECT_FALSE(openWavFile(file, ogg.c_str(), false));
    EXPECT_FALSE(openVorbisFile(file, flac.c_str(), false));
    EXPECT_FALSE(openWavFile(file, flac.c_str(), false));
    EXPECT_FALSE(openWavFile(file, dir.path.c_str(), false)) << "a folder";
    EXPECT_FALSE(openVorbisFile(file, dir.file("missing.ogg").c_str(), false));
    EXPECT_EQ(file.reader, nullptr);
}

// Broken files either fail to open or read a finite number of frames in range.
TEST(SampledFiles, BrokenFilesAreRefusedOrReadWithoutHarm)
{
    TempDir dir;
    std::string wav = dir.file("tone.wav"), ogg = dir.file("tone.ogg");
    ASSERT_TRUE(writeSineFile(wav.c_str(), SoundFormat::Wav16, 440.0, 44100, 2, 0.5));
    ASSERT_TRUE(writeSineFile(ogg.c_str(), SoundFormat::OggVorbis, 440.0, 44100, 2, 0.5));
    std::vector<std::string> broken;
    for (const std::string& source : {wav, ogg}) {
        for (size_t keep : {0, 12, 20, 44, 100, 3000}) {
            broken.push_back(dir.file("cut" + std::to_string(broken.size())));
            ASSERT_TRUE(writeTruncatedCopy(source.c_str(), broken.back().c_str(), keep));
        }
        for (uint32_t seed : {1u, 2u, 3u, 4u}) {
            broken.push_back(dir.file("scrambled" + std::to_string(broken.size())));
            ASSERT_TRUE(writeCorruptedCopy(source.c_str(), broken.back().c_str(), 8 * seed, 40, seed));
            broken.push_back(dir.file("damaged" + std::to_string(broken.size())));
            ASSERT_TRUE(writeCorruptedCopy(source.c_str(), broken.back().c_str(), 2000 * seed, 200, seed));
        }
    }
    for (uint32_t seed : {5u, 6u}) {
        broken.push_back(dir.file("random" + std::to_string(seed)));
        ASSERT_TRUE(writeRandomFile(broken.back().c_str(), 8192, seed));
    }
    for (const std::string& path : broken) {
        for (const Opener& open : {Opener(openVorbisFile), Opener(openWavFile)}) {
            SampledFile file;
            if (!open(file, path.c_str(), false))
                continue;
            std::vector<float> samples = readAll(file);
            EXPECT_LE(samples.size(), size_t(44100) * 2 * 2) << path;
            closeSampledFile(file);
        }
    }
}

// A WAV header may promise more than the file holds: the length is what is there.
TEST(SampledFiles, WavLengthIsWhatTheFileHolds)
{
    TempDir dir;
    std::string path = dir.file("liar.wav");
    ASSERT_TRUE(writeSineFile(path.c_str(), SoundFormat::Wav16, 440.0, 44100, 2, 0.1));
    FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    const unsigned char size[4] = {0xF0, 0xFF, 0xFF, 0x7F};
    std::fseek(file, 40, SEEK_SET);
    std::fwrite(size, 1, 4, file);
    std::fclose(file);
    SampledFile wav;
    ASSERT_TRUE(openWavFile(wav, path.c_str(), false));
    EXPECT_EQ(wav.frames, 4410u);
    EXPECT_EQ(readAll(wav).size(), 4410u * 2);
    closeSampledFile(wav);
}
