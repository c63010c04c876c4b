// audio_sampled_file: a sampled sound file read as float frames at its own rate,
// for the engine's stream channels (audio_channel.h resamples and mixes them).
//
// Natively libsndfile reads every format it knows (MUSICDISK_SNDFILE=1). Builds
// without it (the browser's) read Ogg Vorbis through stb_vorbis and WAV through a
// small reader of their own: integer PCM of 8 to 32 bits and 32 or 64-bit float.
// Both readers are built natively too, so tests hold them against libsndfile.
//
// Samples come interleaved, nominally in -1..1. A file opened for integer samples
// gives them as 16-bit values would (k / 32768), as BASS's 16-bit channels hear them.
#pragma once
#include <cstdint>

#ifndef MUSICDISK_SNDFILE
#if defined(__EMSCRIPTEN__)
#define MUSICDISK_SNDFILE 0
#else
#define MUSICDISK_SNDFILE 1
#endif
#endif

namespace audio_engine {

struct SampledFile;

// A reader's calls; each reader has one table of them.
struct SampledReader {
    long (*read)(SampledFile& file, float* out, long frames);
    bool (*seek)(SampledFile& file, uint64_t frame);
    void (*close)(SampledFile& file);
};

struct SampledFile {
    const SampledReader* reader;  // null while closed
    void* handle;                 // the reader's own: SNDFILE*, stb_vorbis*, WavFile*
    int channels;
    int rate;
    uint64_t frames;  // 0 when not known
    bool integerSamples;
    short* shorts;     // libsndfile's 16-bit reads
    long shortFrames;  // room in shorts
};

// Opens the file with the build's reader; false (and the file closed) when none
// can read it.
bool openSampledFile(SampledFile& file, const char* path, bool integerSamples);

// Each reader alone, whichever the build uses.
bool openVorbisFile(SampledFile& file, const char* path, bool integerSamples);
bool openWavFile(SampledFile& file, const char* path, bool integerSamples);
#if MUSICDISK_SNDFILE
bool openSndfile(SampledFile& file, const char* path, bool integerSamples);
#endif

// Up to `frames` frames into out (frames * channels floats); 0 at the end or on an
// error.
long readSampledFrames(SampledFile& file, float* out, long frames);

// Reading continues from `frame`; false past the end or when the file cannot seek.
bool seekSampledFile(SampledFile& file, uint64_t frame);

void closeSampledFile(SampledFile& file);

}  // namespace audio_engine
