// render_track FILE SECONDS OUT
//
// Writes to OUT what the audio engine plays of FILE from its start for SECONDS:
// 44100 Hz float stereo, little-endian, no header, as the program plays a disk's
// track (the same load flags, the play ramp, volume 100). A module is loaded as a
// module, anything else as a stream. The engine runs without a device and decodes
// and mixes as its callback would, so the output is the same on every run; no
// dither is involved, as the program reads libopenmpt's float output.
#include "platform/sdl/audio_engine.h"
#include "platform/sdl/audio_mixer.h"
#include "platform/sdl/audio_threadless.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static bool isModule(const std::string& path)
{
    for (const char* suffix : {".mod", ".xm", ".s3m", ".it", ".mptm"}) {
        std::string end = suffix;
        if (path.size() > end.size()) {
            std::string tail = path.substr(path.size() - end.size());
            for (char& c : tail)
                c = char(std::tolower(static_cast<unsigned char>(c)));
            if (tail == end)
                return true;
        }
    }
    return false;
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: render_track FILE SECONDS OUT\n");
        return 2;
    }
    const std::string path = argv[1];
    const double seconds = std::atof(argv[2]);
    if (!(seconds > 0.0 && seconds < 3600.0)) {
        std::fprintf(stderr, "render_track: SECONDS must be between 0 and 3600\n");
        return 2;
    }
    audio_engine::AudioEngine engine;
    engine.initHeadless();
    const uint32_t moduleFlags = audio::MUSIC_POSRESET | audio::MUSIC_FT2MOD | audio::MUSIC_RAMP | audio::SAMPLE_FLOAT;
    audio::Handle handle = isModule(path) ? engine.musicLoad(false, path.c_str(), 0, 0, moduleFlags, 0)
                                          : engine.streamCreateFile(false, path.c_str(), 0, 0, audio::SAMPLE_FLOAT);
    if (!handle || !engine.channelPlay(handle, false)) {
        std::fprintf(stderr, "render_track: cannot play %s\n", path.c_str());
        return 1;
    }
    FILE* out = std::fopen(argv[3], "wb");
    if (!out) {
        std::fprintf(stderr, "render_track: cannot write %s\n", argv[3]);
        return 1;
    }
    const uint32_t total = uint32_t(seconds * audio_engine::MIX_RATE);
    std::vector<float> piece(audio_engine::DEVICE_FRAMES * 2);
    bool written = true;
    for (uint32_t done = 0; done < total && written;) {
        uint32_t frames = total - done < audio_engine::DEVICE_FRAMES ? total - done : audio_engine::DEVICE_FRAMES;
        audio_engine::topUpRings(engine);
        audio_engine::mixInto(engine, piece.data(), frames);
        written = std::fwrite(piece.data(), sizeof(float) * 2, frames, out) == frames;
        done += frames;
    }
    written = std::fclose(out) == 0 && written;
    return written ? 0 : 1;
}
