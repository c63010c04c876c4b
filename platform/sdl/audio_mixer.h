// audio_mixer: the audio thread's side of the engine (audio_engine.h). Each call
// applies the queued commands, mixes every playing channel with its play and stop
// ramps, applies the master volume, records each channel's output for the spectrum
// and publishes the mix clock. Nothing here allocates, locks or waits.
#pragma once
#include <cstdint>

namespace audio_engine {

struct AudioEngine;

// The output gain for a volume of 0..100: 4 dB per step of 10 from unity at 100
// down to -36 dB at 10, then a straight line to silence at 0.
float volumeToGain(uint32_t volume);

// The audio thread's work: `frames` frames of float stereo into out. SDL's callback
// runs it; tests and benchmarks run it on their own thread for an engine started
// with initHeadless().
void mixInto(AudioEngine& engine, float* out, uint32_t frames);

// The commands part of it, alone: for whoever stands in for the audio thread while
// there is no device.
void applyCommands(AudioEngine& engine);

// For the same stand-in, once the output has been cut off mid-mix: every channel
// stands at silence, so a pause or stop given meanwhile has nothing left to fade
// out, and what still plays fades in when an output returns.
void silenceChannels(AudioEngine& engine);

} // namespace audio_engine
