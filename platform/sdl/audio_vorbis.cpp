// The Ogg Vorbis reader of builds without libsndfile, on stb_vorbis.
#include "platform/sdl/audio_sampled_file.h"

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

namespace audio_engine {

// One stb_vorbis call reads at most this many frames into its own buffer.
constexpr int SHORT_FRAMES = 2048;

// stb_vorbis works inside memory of ours: on some damaged files it gives up
// without freeing what it had allocated, and this way nothing is left behind.
// The first size holds an ordinary file's setup; a file that needs more gets four
// times as much, up to the last.
constexpr int FIRST_MEMORY = 256 << 10;
constexpr int LAST_MEMORY = 64 << 20;

struct VorbisFile {
    stb_vorbis* vorbis;
    char* memory;
};

static stb_vorbis* decoderOf(const SampledFile& file) { return static_cast<VorbisFile*>(file.handle)->vorbis; }

static long readVorbisFrames(SampledFile& file, float* out, long frames)
{
    stb_vorbis* vorbis = decoderOf(file);
    long done = 0;
    while (done < frames) {
        long want = frames - done;
        int got;
        if (file.integerSamples) {
            want = want < SHORT_FRAMES ? want : SHORT_FRAMES;
            got =
                stb_vorbis_get_samples_short_interleaved(vorbis, file.channels, file.shorts, int(want) * file.channels);
            for (long i = 0; i < long(got) * file.channels; i++)
                out[done * file.channels + i] = file.shorts[i] * (1.0f / 32768.0f);
        } else {
            got = stb_vorbis_get_samples_float_interleaved(vorbis, file.channels, out + done * file.channels,
                                                           int(want) * file.channels);
        }
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

static bool seekVorbisFile(SampledFile& file, uint64_t frame)
{
    // stb_vorbis counts in 32 bits; its seek fails past the end.
    if (frame > 0xFFFFFFFFu)
        return false;
    return stb_vorbis_seek(decoderOf(file), unsigned(frame)) != 0;
}

static void closeVorbisFile(SampledFile& file)
{
    VorbisFile* vorbis = static_cast<VorbisFile*>(file.handle);
    stb_vorbis_close(vorbis->vorbis);
    delete[] vorbis->memory;
    delete vorbis;
    delete[] file.shorts;
}

static const SampledReader VORBIS_READER = {readVorbisFrames, seekVorbisFile, closeVorbisFile};

bool openVorbisFile(SampledFile& file, const char* path, bool integerSamples)
{
    file = SampledFile{};
    stb_vorbis* vorbis = nullptr;
    char* memory = nullptr;
    for (int size = FIRST_MEMORY; !vorbis && size <= LAST_MEMORY; size *= 4) {
        memory = new char[size];
        const stb_vorbis_alloc alloc = {memory, size};
        int error = 0;
        vorbis = stb_vorbis_open_filename(path, &error, &alloc);
        if (!vorbis) {
            delete[] memory;
            if (error != VORBIS_outofmem)
                return false;
        }
    }
    if (!vorbis)
        return false;
    stb_vorbis_info info = stb_vorbis_get_info(vorbis);
    if (info.channels < 1 || info.channels > 8 || info.sample_rate == 0) {
        stb_vorbis_close(vorbis);
        delete[] memory;
        return false;
    }
    file.reader = &VORBIS_READER;
    file.handle = new VorbisFile{vorbis, memory};
    file.channels = info.channels;
    file.rate = int(info.sample_rate);
    file.frames = stb_vorbis_stream_length_in_samples(vorbis);
    file.integerSamples = integerSamples;
    if (integerSamples) {
        file.shorts = new short[SHORT_FRAMES * info.channels];
        file.shortFrames = SHORT_FRAMES;
    }
    return true;
}

}  // namespace audio_engine
