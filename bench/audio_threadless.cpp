// Benchmark: the main thread's audio work in a build without threads (the
// browser's), per 20 ms frame of music, for each of the bundled disk's tracks.
//
// Without threads SDL's callback decodes what the mix needs (topUpRings) and
// mixes it (mixInto) on the main thread, between the system's frames; a play
// decodes its first block at once. This runs the same calls without a device, all
// four tracks loaded as the program loads them, one playing at a time, 882 frames
// (20 ms) a step. Figures are the process's CPU milliseconds per step (time the
// machine gives other programs does not count; in WebAssembly under node, where
// there is no CPU clock, wall time): the mean, the 99th percentile and the worst,
// and the worst cost of a restart from the top.
//
//   bench_audio_threadless [DISK_DIR]   (default: the working folder, which holds data/)
#include "platform/sdl/audio_threadless.h"
#include "platform/sdl/audio_engine.h"
#include "platform/sdl/audio_mixer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

constexpr uint32_t FRAME_MIX = 882;  // 20 ms at 44100 Hz
constexpr int STEPS = 1500;          // 30 s of each track
constexpr int RESTARTS = 20;
constexpr uint32_t MODULE_FLAGS = audio::MUSIC_POSRESET | audio::MUSIC_FT2MOD | audio::MUSIC_RAMP | audio::SAMPLE_FLOAT;

struct Track {
    std::string kind, file, title;
    audio::Handle handle = 0;
};

static double cpuMilliseconds()
{
#if defined(__EMSCRIPTEN__)
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
#else
    return double(std::clock()) * 1e3 / CLOCKS_PER_SEC;
#endif
}

// The tracks of data/disk.cfg: a count, then kind, file and title lines for each.
static std::vector<Track> readTracks(const std::string& disk)
{
    std::ifstream config(disk + "/data/disk.cfg");
    int count = 0;
    config >> count;
    config.ignore(1 << 10, '\n');
    std::vector<Track> tracks(count > 0 && count < 100 ? size_t(count) : 0);
    for (Track& track : tracks) {
        std::getline(config, track.kind);
        std::getline(config, track.file);
        std::getline(config, track.title);
    }
    return tracks;
}

int main(int argc, char** argv)
{
    const std::string disk = argc > 1 ? argv[1] : ".";
    std::vector<Track> tracks = readTracks(disk);
    if (tracks.empty()) {
        std::fprintf(stderr, "bench_audio_threadless: no tracks in %s/data/disk.cfg\n", disk.c_str());
        return 1;
    }
    audio_engine::AudioEngine engine;
    engine.initHeadless();
    for (Track& track : tracks) {
        std::string path = disk + "/data/music/" + track.file;
        double start = cpuMilliseconds();
        track.handle = track.kind == "mod" ? engine.musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS, 0)
                                           : engine.streamCreateFile(false, path.c_str(), 0, 0, audio::SAMPLE_FLOAT);
        std::printf("load %-22s %7.2f ms%s\n", track.file.c_str(), cpuMilliseconds() - start,
                    track.handle ? "" : "  (failed)");
    }

    std::printf("\nmain-thread audio work per 20 ms frame without threads (decode + mix, %d frames of each track)\n\n",
                STEPS);
    std::printf("%-22s %9s %9s %9s %9s %11s\n", "track", "mean ms", "p99 ms", "max ms", "of 20 ms", "restart ms");
    std::vector<float> out(FRAME_MIX * 2);
    for (const Track& track : tracks) {
        if (!track.handle)
            continue;
        double restartWorst = 0.0;
        for (int i = 0; i < RESTARTS; i++) {
            double start = cpuMilliseconds();
            engine.channelPlay(track.handle, true);
            restartWorst = std::max(restartWorst, cpuMilliseconds() - start);
            audio_engine::topUpRings(engine);
            audio_engine::mixInto(engine, out.data(), FRAME_MIX);
        }
        std::vector<double> steps;
        for (int i = 0; i < STEPS; i++) {
            double start = cpuMilliseconds();
            audio_engine::topUpRings(engine);
            audio_engine::mixInto(engine, out.data(), FRAME_MIX);
            steps.push_back(cpuMilliseconds() - start);
            if (engine.channelIsActive(track.handle) == audio::ACTIVE_STOPPED)
                engine.channelPlay(track.handle, true);
        }
        engine.channelStop(track.handle);
        double mean = 0.0;
        for (double step : steps)
            mean += step / steps.size();
        std::sort(steps.begin(), steps.end());
        std::printf("%-22s %9.3f %9.3f %9.3f %8.1f%% %11.3f\n", track.file.c_str(), mean,
                    steps[steps.size() * 99 / 100], steps.back(), mean / 20.0 * 100.0, restartWorst);
    }
    return 0;
}
