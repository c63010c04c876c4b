// The Ogg Vorbis reader of builds without libsndfile, on stb_vorbis.
#include "platform/sdl/audio_sampled_file.h"

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

namespace audio_engine {

// One stb_vorbis call reads at most this many frames into its own buffer.
constexpr int SHORT_FRAMES = 2048;

static long readVorbisFrames(SampledFile& file, float* out, long frames)
{
    stb_vorbis* vorbis = static_cast<stb_vorbis*>(file.handle);
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
    return stb_vorbis_seek(static_cast<stb_vorbis*>(file.handle), unsigned(frame)) != 0;
}

static void closeVorbisFile(SampledFile& file)
{
    stb_vorbis_close(static_cast<stb_vorbis*>(file.handle));
    delete[] file.shorts;
}

static const SampledReader VORBIS_READER = {readVorbisFrames, seekVorbisFile, closeVorbisFile};

bool openVorbisFile(SampledFile& file, const char* path, bool integerSamples)
{
    file = SampledFile{};
    int error = 0;
    stb_vorbis* vorbis = stb_vorbis_open_filename(path, &error, nullptr);
    if (!vorbis)
        return false;
    stb_vorbis_info info = stb_vorbis_get_info(vorbis);
    if (info.channels < 1 || info.channels > 8 || info.sample_rate == 0) {
        stb_vorbis_close(vorbis);
        return false;
    }
    file.reader = &VORBIS_READER;
    file.handle = vorbis;
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
