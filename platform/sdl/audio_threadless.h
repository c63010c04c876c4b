// audio_threadless: the engine without threads of its own, for builds where no
// thread can start (MUSICDISK_AUDIO_THREADS=0: the browser's single-threaded
// WebAssembly).
//
// SDL's callback tops up the rings of the channels it mixes, then mixes. On the
// browser the callback runs on the main thread (Web Audio asks for each buffer
// there), between the system's frames. A play decodes the first block of its
// position at once, on the caller's thread; a full command queue is drained by the
// caller itself instead of waited on. There is no device watch (a browser's audio
// context does not go away as a sound server does) and no warm-up thread (the
// first load fills libopenmpt's tables).
//
// Natively (tests, benchmarks) SDL still calls back on a thread of its own: the
// main thread then decodes and takes commands only while it holds SDL's lock on
// the device, which every callback runs under.
#pragma once
#include <cstdint>

#ifndef MUSICDISK_AUDIO_THREADS
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
#define MUSICDISK_AUDIO_THREADS 0
#else
#define MUSICDISK_AUDIO_THREADS 1
#endif
#endif

namespace audio_engine {

struct AudioEngine;
struct Channel;

constexpr bool AUDIO_THREADS = MUSICDISK_AUDIO_THREADS != 0;

// The callback's decoding: every channel the mixer holds gets the blocks its ring
// has room for, up to a few, so the next mix finds what it needs and a ring
// emptied by a seek fills back up over the next callbacks.
void topUpRings(AudioEngine& engine);

// Decodes the first block of the channel's latest position now.
void decodeFirstBlockNow(AudioEngine& engine, Channel* channel);

// Applies the queued commands in the mixer's place, so a full queue has room again.
void takeCommandsNow(AudioEngine& engine);

}  // namespace audio_engine
