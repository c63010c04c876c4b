#include "tests/support/test_media.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

static bool writeFile(const char* path, const std::vector<unsigned char>& data)
{
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), file) == data.size();
    return std::fclose(file) == 0 && ok;
}

static bool readFile(const char* path, std::vector<unsigned char>& data)
{
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    data.clear();
    unsigned char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        data.insert(data.end(), chunk, chunk + got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// A small deterministic generator (xorshift32), so broken files are the same on
// every run.
static uint32_t nextRandom(uint32_t& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

static int formatCode(SoundFormat format)
{
    switch (format) {
    case SoundFormat::Wav16:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case SoundFormat::WavFloat:
        return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    case SoundFormat::Aiff16:
        return SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
    case SoundFormat::Flac:
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case SoundFormat::OggVorbis:
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case SoundFormat::Opus:
        return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    case SoundFormat::Mp3:
        return SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    }
    return 0;
}

// Writes `frames` frames produced by sampleAt(frame) into every channel.
template <typename SampleAt>
static bool writeSoundFile(const char* path, int format, int sampleRate, int channels, long frames, SampleAt sampleAt)
{
    if (channels < 1 || sampleRate < 1 || frames < 0)
        return false;
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path, SFM_WRITE, &info);
    if (!file)
        return false;
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS) {
        double quality = 0.4;
        sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    }
    const long chunk = 4096;
    std::vector<float> samples(size_t(chunk) * channels);
    bool ok = true;
    for (long start = 0; start < frames && ok; start += chunk) {
        long count = frames - start < chunk ? frames - start : chunk;
        for (long i = 0; i < count; i++)
            for (int c = 0; c < channels; c++)
                samples[size_t(i * channels + c)] = float(sampleAt(start + i));
        ok = sf_writef_float(file, samples.data(), count) == count;
    }
    return sf_close(file) == 0 && ok;
}

bool writeSineFile(const char* path, SoundFormat format, double frequency, int sampleRate, int channels,
                   double seconds, double amplitude)
{
    long frames = long(std::lround(seconds * sampleRate));
    double step = 2.0 * M_PI * frequency / sampleRate;
    return writeSoundFile(path, formatCode(format), sampleRate, channels, frames,
                          [&](long frame) { return amplitude * std::sin(step * double(frame)); });
}

bool writeRampWav(const char* path, int sampleRate, int channels, double seconds)
{
    long frames = long(std::lround(seconds * sampleRate));
    return writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, sampleRate, channels, frames,
                          [&](long frame) { return -0.5 + double(frame) / double(frames); });
}

// ---- ProTracker module ------------------------------------------------------------

static void putBigEndian16(unsigned char* at, unsigned value)
{
    at[0] = (unsigned char)(value >> 8);
    at[1] = (unsigned char)(value & 0xFF);
}

bool writeTestMod(const char* path, double seconds)
{
    const int ROWS_PER_PATTERN = 64;
    const int CHANNELS = 4;
    const int SAMPLE_BYTES = 32; // one cycle of each looped waveform
    const double SECONDS_PER_ROW = 0.12; // speed 6 at tempo 125: 6 ticks of 20 ms
    int rows = int(std::lround(seconds / SECONDS_PER_ROW));
    if (rows < 1)
        rows = 1;
    int patterns = (rows + ROWS_PER_PATTERN - 1) / ROWS_PER_PATTERN;
    if (patterns > 64)
        return false;

    std::vector<unsigned char> mod(1084 + size_t(patterns) * ROWS_PER_PATTERN * CHANNELS * 4 + 2 * SAMPLE_BYTES, 0);
    std::memcpy(mod.data(), "test module", 11);
    // Sample headers: 22-byte name, length in words, finetune, volume, loop start
    // and loop length in words.
    for (int s = 0; s < 2; s++) {
        unsigned char* header = mod.data() + 20 + s * 30;
        std::memcpy(header, s == 0 ? "square" : "sine", s == 0 ? 6 : 4);
        putBigEndian16(header + 22, SAMPLE_BYTES / 2);
        header[25] = 48;
        putBigEndian16(header + 26, 0);
        putBigEndian16(header + 28, SAMPLE_BYTES / 2);
    }
    for (int s = 2; s < 31; s++)
        putBigEndian16(mod.data() + 20 + s * 30 + 28, 1); // empty slots still loop one word
    mod[950] = (unsigned char)patterns;
    mod[951] = 127;
    for (int p = 0; p < patterns; p++)
        mod[952 + p] = (unsigned char)p;
    std::memcpy(mod.data() + 1080, "M.K.", 4);

    // Amiga periods of a C major scale, octave 2, and an octave lower for the bass.
    const unsigned scale[] = {428, 381, 339, 320, 285, 254, 226};
    for (int row = 0; row < rows; row++) {
        for (int channel = 0; channel < CHANNELS; channel++) {
            unsigned char* cell = mod.data() + 1084 + size_t(row) * CHANNELS * 4 + channel * 4;
            if (row % 8 == 0) {
                unsigned period = scale[(row / 8 + channel * 2) % 7] * (channel == 0 ? 2 : 1);
                unsigned sample = channel % 2 == 0 ? 1 : 2;
                cell[0] = (unsigned char)((sample & 0xF0) | (period >> 8));
                cell[1] = (unsigned char)(period & 0xFF);
                cell[2] = (unsigned char)((sample & 0x0F) << 4);
            }
            // A pattern break on the last row ends the song mid-pattern.
            if (row == rows - 1 && row % ROWS_PER_PATTERN != ROWS_PER_PATTERN - 1 && channel == CHANNELS - 1)
                cell[2] = (unsigned char)(cell[2] | 0x0D);
        }
    }
    unsigned char* samples = mod.data() + 1084 + size_t(patterns) * ROWS_PER_PATTERN * CHANNELS * 4;
    for (int i = 0; i < SAMPLE_BYTES; i++) {
        samples[i] = (unsigned char)(signed char)(i < SAMPLE_BYTES / 2 ? 64 : -64);
        samples[SAMPLE_BYTES + i] = (unsigned char)(signed char)std::lround(64 * std::sin(2 * M_PI * i / SAMPLE_BYTES));
    }
    return writeFile(path, mod);
}

// ---- Broken files -----------------------------------------------------------------

bool writeEmptyFile(const char* path) { return writeFile(path, {}); }

bool writeRandomFile(const char* path, size_t size, uint32_t seed)
{
    std::vector<unsigned char> data(size);
    uint32_t state = seed ? seed : 1;
    for (unsigned char& byte : data)
        byte = (unsigned char)nextRandom(state);
    return writeFile(path, data);
}

bool writeTruncatedCopy(const char* source, const char* path, size_t keepBytes)
{
    std::vector<unsigned char> data;
    if (!readFile(source, data))
        return false;
    if (keepBytes < data.size())
        data.resize(keepBytes);
    return writeFile(path, data);
}

bool writeCorruptedCopy(const char* source, const char* path, size_t offset, size_t count, uint32_t seed)
{
    std::vector<unsigned char> data;
    if (!readFile(source, data))
        return false;
    uint32_t state = seed ? seed : 1;
    for (size_t i = offset; i < offset + count && i < data.size(); i++)
        data[i] = (unsigned char)nextRandom(state);
    return writeFile(path, data);
}
