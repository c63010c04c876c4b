// Benchmark: a disk of a hundred tracks on the real audio engine (SDL's dummy
// driver): the disk's own tracks repeated to a hundred and loaded the way
// start-up loads them, every one held at once.
//
//   bench_hundred_tracks [DISK_DIR]     (the folder holding data/; default .)
//       prints table rows: | figure | value | goal | verdict |
//
// Figures: the time to load the hundred; the resident memory an idle track costs
// (what the process grew by from the first round of the disk's files to all
// hundred, a second after the last load, over the tracks added); how many of the
// hundred play (restarted in turn, each must sound within half a second); and
// the late starts the engine counted over those restarts.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/proc_files.h"
#include "platform/audio.h"
#include "platform/sdl/audio_engine.h"

namespace {

constexpr int TRACKS = 100;
constexpr long IDLE_TRACK_GOAL_KB = 2048;
constexpr auto SOUND_WAIT = std::chrono::milliseconds(500);
constexpr uint32_t MODULE_FLAGS = audio::MUSIC_POSRESET | audio::MUSIC_FT2MOD | audio::MUSIC_RAMP | audio::SAMPLE_FLOAT;

struct TrackFile {
    std::string path;  // as the disk names it: data\music\NAME
    bool stream;
};

std::vector<TrackFile> diskFiles()
{
    std::vector<TrackFile> files;
    for (const auto& entry : std::filesystem::directory_iterator("data/music")) {
        std::string extension = entry.path().extension().string();
        bool stream = extension == ".ogg" || extension == ".wav" || extension == ".flac" || extension == ".mp3" ||
                      extension == ".opus" || extension == ".aiff";
        files.push_back({"data\\music\\" + entry.path().filename().string(), stream});
    }
    std::sort(files.begin(), files.end(), [](const TrackFile& a, const TrackFile& b) { return a.path < b.path; });
    return files;
}

audio::Handle load(audio::Audio& engine, const TrackFile& file)
{
    if (file.stream)
        return engine.streamCreateFile(false, file.path.c_str(), 0, 0, audio::SAMPLE_FLOAT);
    return engine.musicLoad(false, file.path.c_str(), 0, 0, MODULE_FLAGS, 0);
}

bool sounds(audio::Audio& engine, audio::Handle handle)
{
    float bins[256];
    auto deadline = std::chrono::steady_clock::now() + SOUND_WAIT;
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (engine.channelIsActive(handle) != audio::ACTIVE_PLAYING)
            return false;
        engine.channelGetData(handle, bins, audio::DATA_FFT512);
        if (*std::max_element(bins, bins + 256) > 1e-4f)
            return true;
    }
    return false;
}

void row(const char* figure, const std::string& value, const char* goal, bool met)
{
    std::printf("| %s | %s | %s | %s |\n", figure, value.c_str(), goal, met ? "met" : "NOT MET");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && chdir(argv[1]) != 0) {
        std::fprintf(stderr, "bench_hundred_tracks: no folder %s\n", argv[1]);
        return 1;
    }
    std::vector<TrackFile> files = diskFiles();
    if (files.empty()) {
        std::fprintf(stderr, "bench_hundred_tracks: no tracks in data/music\n");
        return 1;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    audio_engine::AudioEngine engine;
    if (!engine.init(-1, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "bench_hundred_tracks: the audio engine does not start\n");
        return 1;
    }

    std::vector<audio::Handle> handles;
    long firstRoundKb = 0;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < TRACKS; i++) {
        handles.push_back(load(engine, files[size_t(i) % files.size()]));
        if (size_t(i + 1) == files.size())
            firstRoundKb = bench::statusKb("/proc/self/status", "VmRSS:");
    }
    double loadMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    int loaded = int(std::count_if(handles.begin(), handles.end(), [](audio::Handle h) { return h != 0; }));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    long perTrackKb = (bench::statusKb("/proc/self/status", "VmRSS:") - firstRoundKb) / long(TRACKS - files.size());

    int playing = 0;
    for (audio::Handle handle : handles) {
        engine.channelPlay(handle, true);
        playing += sounds(engine, handle) ? 1 : 0;
        engine.channelStop(handle);
    }
    engine.free();

    char text[64];
    std::snprintf(text, sizeof text, "%.0f ms (%d of %d loaded)", loadMs, loaded, TRACKS);
    row("hundred-track disk: load", text, "all load", loaded == TRACKS);
    std::snprintf(text, sizeof text, "%ld kB", perTrackKb);
    row("hundred-track disk: resident memory per idle track", text, "<= 2048 kB", perTrackKb <= IDLE_TRACK_GOAL_KB);
    std::snprintf(text, sizeof text, "%d of %d", playing, TRACKS);
    row("hundred-track disk: tracks that play", text, "all", playing == TRACKS);
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(engine.mixer.lateStarts));
    row("hundred-track disk: late starts over the restarts", text, "0", engine.mixer.lateStarts == 0);
    return 0;
}
