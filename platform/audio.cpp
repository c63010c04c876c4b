#include "platform/audio.h"

#include <cstdio>
#include <cstdlib>

namespace audio {

static Audio* installed = nullptr;

Audio& audio()
{
    if (!installed) {
        std::fputs("audio: no audio service installed\n", stderr);
        std::abort();
    }
    return *installed;
}

void installAudio(Audio* instance) { installed = instance; }

} // namespace audio
