#include "platform/sdl/sdl_audio.h"

#include "platform/sdl/audio_engine.h"

audio::Audio* createSdlAudio(const std::vector<audio::ModuleFile>& loadAhead)
{
    audio_engine::AudioEngine* engine = new audio_engine::AudioEngine();
    engine->loadAhead(loadAhead);
    return engine;
}
