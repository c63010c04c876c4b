#include "platform/sdl/sdl_audio.h"

#include "platform/sdl/audio_engine.h"

audio::Audio* createSdlAudio() { return new audio_engine::AudioEngine(); }
