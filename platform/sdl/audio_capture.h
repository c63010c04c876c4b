// audio_capture: the last frames the engine sent to its output, for tests that
// compare what one build plays with another's (the browser's page against the
// desktop engine's render of the same track).
//
// Built with MUSICDISK_AUDIO_CAPTURE=1 only (the browser's build, and the native
// tests of the threadless engine). The device callback records each buffer it
// mixed, after the master volume, as 44100 Hz float stereo; the page reads them
// through the exported C function below. Recording copies into a fixed ring: it
// never allocates, locks or waits.
#pragma once
#include <cstdint>

#ifndef MUSICDISK_AUDIO_CAPTURE
#if defined(__EMSCRIPTEN__)
#define MUSICDISK_AUDIO_CAPTURE 1
#else
#define MUSICDISK_AUDIO_CAPTURE 0
#endif
#endif

namespace audio_engine {

constexpr bool AUDIO_CAPTURE = MUSICDISK_AUDIO_CAPTURE != 0;

// The most frames kept: 5.9 s.
constexpr uint32_t CAPTURE_FRAMES = 1u << 18;

// The audio thread's side: `frames` frames of float stereo just mixed.
void captureMix(const float* samples, uint32_t frames);

}  // namespace audio_engine

// Copies the last `frames` frames mixed (float stereo, oldest first) to out and
// returns how many it copied: fewer when fewer have been mixed or kept, 0 for a
// bad argument. The page calls it as Module._musicdisk_capture(pointer, frames).
extern "C" int musicdisk_capture(float* out, int frames);

// Frames mixed since the program started, so a caller can tell how far the
// capture's end has moved between two calls.
extern "C" double musicdisk_capture_total();
