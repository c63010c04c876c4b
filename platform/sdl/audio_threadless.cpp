// The threadless engine's decoding and command taking (audio_threadless.h).
#include "platform/sdl/audio_threadless.h"

#include "platform/sdl/audio_engine.h"
#include "platform/sdl/audio_mixer.h"

#include <SDL.h>

namespace audio_engine {

// One callback mixes at most one device buffer, a block per channel: two keep
// ahead of it and refill a ring a seek has emptied.
constexpr uint32_t BLOCKS_PER_CALLBACK = 2;

// Natively the callback runs on SDL's thread: hold it off while this one works.
// Without a device (headless) or without threads (the browser) nobody else runs.
static void lockMixer(AudioEngine& engine)
{
    if (engine.deviceId)
        SDL_LockAudioDevice(engine.deviceId);
}

static void unlockMixer(AudioEngine& engine)
{
    if (engine.deviceId)
        SDL_UnlockAudioDevice(engine.deviceId);
}

void topUpRings(AudioEngine& engine)
{
    applyCommands(engine);
    for (Channel* channel = engine.mixer.firstChannel; channel; channel = channel->mixNext)
        decodeAhead(channel, BLOCKS_PER_CALLBACK);
}

void decodeFirstBlockNow(AudioEngine& engine, Channel* channel)
{
    lockMixer(engine);
    decodeAhead(channel, 1);
    unlockMixer(engine);
}

void takeCommandsNow(AudioEngine& engine)
{
    lockMixer(engine);
    applyCommands(engine);
    unlockMixer(engine);
}

}  // namespace audio_engine
