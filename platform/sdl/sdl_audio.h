// sdl_audio: the real audio service (SDL2 audio output, libopenmpt modules,
// libsndfile streams). main() creates it and installs it with audio::installAudio.
#pragma once
#include "platform/audio.h"

// A new engine, not yet initialised; the caller owns it.
audio::Audio* createSdlAudio();
