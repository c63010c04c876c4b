// sdl_audio: the real audio service (SDL2 audio output, libopenmpt modules,
// sampled streams through libsndfile, or stb_vorbis and a WAV reader in the
// browser). main() creates it and installs it with audio::installAudio.
#pragma once
#include <vector>

#include "platform/audio.h"

// A new engine, not yet initialised, already loading the modules in loadAhead on a
// worker (audio_ahead.h); the caller owns it.
audio::Audio* createSdlAudio(const std::vector<audio::ModuleFile>& loadAhead = {});
