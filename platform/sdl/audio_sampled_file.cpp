// The build's sampled file reader, and libsndfile's side of it.
#include "platform/sdl/audio_sampled_file.h"

#if MUSICDISK_SNDFILE
#include <sndfile.h>
#endif

namespace audio_engine {

#if MUSICDISK_SNDFILE

// The most frames one read of 16-bit samples takes; longer reads are split.
constexpr long SHORT_FRAMES = 2048;

static long readSndfileFrames(SampledFile& file, float* out, long frames)
{
    SNDFILE* handle = static_cast<SNDFILE*>(file.handle);
    if (!file.integerSamples)
        return long(sf_readf_float(handle, out, frames));
    long done = 0;
    while (done < frames) {
        long want = frames - done < file.shortFrames ? frames - done : file.shortFrames;
        long got = long(sf_readf_short(handle, file.shorts, want));
        if (got <= 0)
            break;
        for (long i = 0; i < got * file.channels; i++)
            out[done * file.channels + i] = file.shorts[i] * (1.0f / 32768.0f);
        done += got;
        if (got < want)
            break;
    }
    return done;
}

static bool seekSndfile(SampledFile& file, uint64_t frame)
{
    return sf_seek(static_cast<SNDFILE*>(file.handle), sf_count_t(frame), SEEK_SET) >= 0;
}

static void closeSndfile(SampledFile& file)
{
    sf_close(static_cast<SNDFILE*>(file.handle));
    delete[] file.shorts;
}

static const SampledReader SNDFILE_READER = {readSndfileFrames, seekSndfile, closeSndfile};

bool openSndfile(SampledFile& file, const char* path, bool integerSamples)
{
    file = SampledFile{};
    SF_INFO format{};
    SNDFILE* handle = sf_open(path, SFM_READ, &format);
    if (!handle)
        return false;
    if (format.channels < 1 || format.channels > 8) {
        sf_close(handle);
        return false;
    }
    // Integer reads of float files come out scaled to the 16-bit range. Only a
    // file read as integers asks for it: to scale, libsndfile first decodes the
    // whole file for its peak, a third of a second for a long Ogg Vorbis file.
    if (integerSamples) {
        sf_command(handle, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
        file.shorts = new short[SHORT_FRAMES * format.channels];
        file.shortFrames = SHORT_FRAMES;
    }
    file.reader = &SNDFILE_READER;
    file.handle = handle;
    file.channels = format.channels;
    file.rate = format.samplerate;
    file.integerSamples = integerSamples;
    // Some formats cannot tell their length without reading everything.
    if (format.frames > 0 && format.frames < SF_COUNT_MAX)
        file.frames = uint64_t(format.frames);
    return true;
}

#endif

bool openSampledFile(SampledFile& file, const char* path, bool integerSamples)
{
#if MUSICDISK_SNDFILE
    return openSndfile(file, path, integerSamples);
#else
    return openVorbisFile(file, path, integerSamples) || openWavFile(file, path, integerSamples);
#endif
}

long readSampledFrames(SampledFile& file, float* out, long frames)
{
    return file.reader ? file.reader->read(file, out, frames) : 0;
}

bool seekSampledFile(SampledFile& file, uint64_t frame) { return file.reader && file.reader->seek(file, frame); }

void closeSampledFile(SampledFile& file)
{
    if (file.reader)
        file.reader->close(file);
    file = SampledFile{};
}

}  // namespace audio_engine
