// The WAV reader of builds without libsndfile: RIFF WAVE files of integer PCM (8,
// 16, 24 or 32 bits) or IEEE float (32 or 64 bits), plain or in the extensible
// format. A header that promises more data than the file holds is believed only as
// far as the file goes.
#include "platform/sdl/audio_sampled_file.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace audio_engine {

constexpr uint16_t FORMAT_PCM = 1;
constexpr uint16_t FORMAT_FLOAT = 3;
constexpr uint16_t FORMAT_EXTENSIBLE = 0xFFFE;

// Frames one read takes from the file into the reader's own buffer.
constexpr long CHUNK_FRAMES = 1024;

struct WavFile {
    FILE* stream;
    uint64_t dataOffset;
    uint64_t position;  // the next frame to read
    uint16_t format;    // FORMAT_PCM or FORMAT_FLOAT
    uint16_t bits;
    uint32_t blockAlign;
    unsigned char* bytes;  // CHUNK_FRAMES frames as the file holds them
};

static uint32_t le16(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
static uint32_t le32(const unsigned char* p) { return le16(p) | le16(p + 2) << 16; }

static float sampleAt(const WavFile& wav, const unsigned char* p)
{
    if (wav.format == FORMAT_FLOAT) {
        if (wav.bits == 32) {
            uint32_t word = le32(p);
            float value;
            std::memcpy(&value, &word, sizeof(value));
            return value;
        }
        uint64_t word = uint64_t(le32(p)) | uint64_t(le32(p + 4)) << 32;
        double value;
        std::memcpy(&value, &word, sizeof(value));
        return float(value);
    }
    switch (wav.bits) {
    case 8: return (int(p[0]) - 128) * (1.0f / 128.0f);
    case 16: return float(int16_t(le16(p))) * (1.0f / 32768.0f);
    case 24:
        return float(int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8) *
            (1.0f / 8388608.0f);
    default: return float(double(int32_t(le32(p))) * (1.0 / 2147483648.0));
    }
}

// What a 16-bit read of the same sample gives: its top 16 bits, or a float
// sample cut down to 16 bits.
static float shortAt(const WavFile& wav, const unsigned char* p)
{
    if (wav.format == FORMAT_PCM && wav.bits > 16)
        return float(int16_t(le16(p + wav.bits / 8 - 2))) * (1.0f / 32768.0f);
    float scaled = std::floor(sampleAt(wav, p) * 32768.0f);
    scaled = scaled < -32768.0f ? -32768.0f : (scaled > 32767.0f ? 32767.0f : scaled);
    return scaled * (1.0f / 32768.0f);
}

static long readWavFrames(SampledFile& file, float* out, long frames)
{
    WavFile& wav = *static_cast<WavFile*>(file.handle);
    const uint32_t bytesPerSample = wav.bits / 8;
    long done = 0;
    while (done < frames && wav.position < file.frames) {
        uint64_t left = file.frames - wav.position;
        long want = frames - done < CHUNK_FRAMES ? frames - done : CHUNK_FRAMES;
        if (uint64_t(want) > left)
            want = long(left);
        long got = long(std::fread(wav.bytes, wav.blockAlign, size_t(want), wav.stream));
        for (long i = 0; i < got * file.channels; i++) {
            const unsigned char* p = wav.bytes + size_t(i) * bytesPerSample;
            out[done * file.channels + i] = file.integerSamples ? shortAt(wav, p) : sampleAt(wav, p);
        }
        wav.position += uint64_t(got);
        done += got;
        if (got < want)
            break;  // the file ended early, or could not be read
    }
    return done;
}

static bool seekWavFile(SampledFile& file, uint64_t frame)
{
    WavFile& wav = *static_cast<WavFile*>(file.handle);
    if (frame > file.frames || fseeko(wav.stream, off_t(wav.dataOffset + frame * wav.blockAlign), SEEK_SET) != 0)
        return false;
    wav.position = frame;
    return true;
}

static void closeWavFile(SampledFile& file)
{
    WavFile* wav = static_cast<WavFile*>(file.handle);
    std::fclose(wav->stream);
    delete[] wav->bytes;
    delete wav;
}

static const SampledReader WAV_READER = {readWavFrames, seekWavFile, closeWavFile};

static bool supported(uint16_t format, uint16_t bits)
{
    if (format == FORMAT_PCM)
        return bits == 8 || bits == 16 || bits == 24 || bits == 32;
    return format == FORMAT_FLOAT && (bits == 32 || bits == 64);
}

// Reads the chunks up to "data": the format from "fmt ", where the samples start
// and how many bytes of them the file holds.
static bool readHeader(FILE* stream, uint64_t fileSize, WavFile& wav, int& channels, int& rate, uint64_t& dataBytes)
{
    unsigned char riff[12];
    if (std::fread(riff, 1, 12, stream) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    uint64_t offset = 12;
    for (;;) {
        unsigned char chunk[8];
        if (std::fread(chunk, 1, 8, stream) != 8)
            return false;
        offset += 8;
        uint64_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char fmt[40] = {};
            if (size < 16 || std::fread(fmt, 1, size < 40 ? size_t(size) : 40, stream) != (size < 40 ? size : 40))
                return false;
            wav.format = uint16_t(le16(fmt));
            if (wav.format == FORMAT_EXTENSIBLE && size >= 40)
                wav.format = uint16_t(le16(fmt + 24));  // the sub-format's first two bytes
            channels = int(le16(fmt + 2));
            rate = int(le32(fmt + 4));
            wav.blockAlign = le16(fmt + 12);
            wav.bits = uint16_t(le16(fmt + 14));
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat || offset > fileSize)
                return false;
            wav.dataOffset = offset;
            dataBytes = size < fileSize - offset ? size : fileSize - offset;
            return true;
        }
        // Chunks are padded to an even size.
        offset += size + (size & 1);
        if (offset > fileSize || fseeko(stream, off_t(offset), SEEK_SET) != 0)
            return false;
    }
}

bool openWavFile(SampledFile& file, const char* path, bool integerSamples)
{
    file = SampledFile{};
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    FILE* stream = std::fopen(path, "rb");
    if (!stream)
        return false;
    WavFile wav{};
    int channels = 0, rate = 0;
    uint64_t dataBytes = 0;
    if (!readHeader(stream, uint64_t(info.st_size), wav, channels, rate, dataBytes) ||
        !supported(wav.format, wav.bits) || channels < 1 || channels > 8 || rate <= 0 ||
        wav.blockAlign != uint32_t(channels) * wav.bits / 8) {
        std::fclose(stream);
        return false;
    }
    wav.stream = stream;
    wav.bytes = new unsigned char[size_t(CHUNK_FRAMES) * wav.blockAlign];
    file.reader = &WAV_READER;
    file.handle = new WavFile(wav);
    file.channels = channels;
    file.rate = rate;
    file.frames = dataBytes / wav.blockAlign;
    file.integerSamples = integerSamples;
    return true;
}

}  // namespace audio_engine
