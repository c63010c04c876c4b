// web_render_track: what the desktop's audio engine plays of one track, for the
// browser test to compare the page's sound with. The engine runs without a
// device, as the audio tests run it, and loads the track with the program's
// flags; the output is what its mixer produced, 44.1 kHz float stereo, raw.
//
//   web_render_track mod|stream FILE SECONDS OUT
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/sdl/audio_engine.h"
#include "platform/sdl/audio_mixer.h"

int main(int argc, char** argv)
{
    const double seconds = argc == 5 ? std::atof(argv[3]) : 0.0;
    const bool module = argc == 5 && std::strcmp(argv[1], "mod") == 0;
    if ((!module && (argc != 5 || std::strcmp(argv[1], "stream") != 0)) || seconds <= 0.0 || seconds > 600.0) {
        std::fprintf(stderr, "usage: web_render_track mod|stream FILE SECONDS OUT\n");
        return 2;
    }
    audio_engine::AudioEngine engine;
    if (!engine.initHeadless()) {
        std::fprintf(stderr, "web_render_track: the engine did not start\n");
        return 1;
    }
    const audio::Handle track = module
        ? engine.musicLoad(false, argv[2], 0, 0,
                           audio::MUSIC_POSRESET | audio::MUSIC_FT2MOD | audio::MUSIC_RAMP | audio::SAMPLE_FLOAT, 0)
        : engine.streamCreateFile(false, argv[2], 0, 0, audio::SAMPLE_FLOAT);
    if (track == 0 || !engine.channelPlay(track, false)) {
        std::fprintf(stderr, "web_render_track: cannot play %s\n", argv[2]);
        return 1;
    }
    std::FILE* out = std::fopen(argv[4], "wb");
    if (!out) {
        std::fprintf(stderr, "web_render_track: cannot write %s\n", argv[4]);
        return 1;
    }
    const uint32_t total = uint32_t(seconds * 44100.0);
    std::vector<float> piece(size_t(audio_engine::MAX_MIX_FRAMES) * 2);
    for (uint32_t done = 0; done < total;) {
        const uint32_t frames = std::min(total - done, audio_engine::MAX_MIX_FRAMES);
        engine.decodeAll();
        audio_engine::mixInto(engine, piece.data(), frames);
        std::fwrite(piece.data(), sizeof(float), size_t(frames) * 2, out);
        done += frames;
    }
    engine.musicFree(track);
    engine.free();
    return std::fclose(out) == 0 ? 0 : 1;
}
