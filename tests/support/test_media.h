// test_media: small media files generated for tests and benchmarks.
//
// Every function writes one file at `path` and returns false if it could not.
// Modules are written byte by byte; sampled files go through libsndfile.
#pragma once
#include <cstddef>
#include <cstdint>

enum class SoundFormat {
    Wav16,     // WAV, 16-bit PCM
    WavFloat,  // WAV, 32-bit float
    Aiff16,    // AIFF, 16-bit PCM
    Flac,      // FLAC, 16-bit
    OggVorbis, // Ogg Vorbis, quality 0.4
    Opus,      // Ogg Opus (libopus only takes 8, 12, 16, 24 or 48 kHz)
    Mp3,       // MPEG layer III
};

// A sine of `frequency` Hz and peak `amplitude` (1 = full scale), the same in
// every channel.
bool writeSineFile(const char* path, SoundFormat format, double frequency, int sampleRate, int channels,
                   double seconds, double amplitude = 1.0);

// A float WAV whose samples rise in a straight line from -0.5 at the first frame
// to +0.5 after the last: any sample's value tells where in the file it lies.
bool writeRampWav(const char* path, int sampleRate, int channels, double seconds);

// A 4-channel ProTracker module ("M.K.", 31 sample slots) at speed 6, tempo 125
// (0.12 s per row): two looped samples, a square and a sine, and a new note on
// every channel every 8 rows. It plays about `seconds` (rounded to whole rows) and
// then ends; it never loops back.
bool writeTestMod(const char* path, double seconds);

// Broken files.
bool writeEmptyFile(const char* path);
bool writeRandomFile(const char* path, size_t size, uint32_t seed);
// The first keepBytes bytes of source.
bool writeTruncatedCopy(const char* source, const char* path, size_t keepBytes);
// A copy of source with `count` bytes from `offset` on replaced by random bytes.
bool writeCorruptedCopy(const char* source, const char* path, size_t offset, size_t count, uint32_t seed);
