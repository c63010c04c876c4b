// Benchmark: start-up. Time from fork/exec to the first presented frame and to the
// first non-silent block of audio, for each disk given, beside the floor program
// (bench_floor_window: an SDL2 + OpenGL window cleared once; and, as a second
// row, the same drawing one textured quad). Median of the runs,
// interleaved so a busy moment on the machine hits every row alike.
//
//   bench_startup FLOOR_PROGRAM NAME=DISK_DIR... [--runs N] [--warm-shader-cache]
//       prints table rows: | figure | value | goal | verdict |
//       --warm-shader-cache: Mesa's shader disk cache on (in a folder of its own,
//       filled by the uncounted run), as every start after a machine's first has it.
//   bench_startup --child DISK_DIR
//       what a run executes: the disk in DISK_DIR (the folder holding data/), as
//       main() runs it, with the real services behind timing decorators that print
//       "mark NAME NANOS" at the steps of start-up and "present NANOS" after the
//       first present.
//
// Audio goes through SDL's disk driver into a FIFO that this program reads; the
// first block holding a sample of magnitude 1/1000 (-60 dBFS) or more is the music
// becoming audible. Run under an X server (Xvfb) with Mesa's software OpenGL.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "bench/proc_files.h"
#include "bench/timed_services.h"
#include "disk/global_initialization.h"
#include "disk/track_loading.h"
#include "gui/gui_renderer.h"
#include "platform/sdl/real_platform.h"

namespace {

constexpr float AUDIBLE = 1e-3f;
constexpr int64_t RUN_TIMEOUT_NS = 20'000'000'000;
// A first start (Mesa's shader cache off) against the floor drawing one textured
// quad, which pays the driver's first compile too; a start with the cache warm
// against the plain floor.
constexpr double FRAME_GOAL = 1.25;       // times the textured floor, cache off
constexpr double WARM_FRAME_GOAL = 1.25;  // times the floor, cache warm
constexpr double AUDIO_GOAL_MS = 50.0; // after the first frame

void mark(const char* name)
{
    long long now = bench::monotonicNanos();
    std::printf("mark %s %lld %ld\n", name, now, bench::statusKb("/proc/self/status", "VmHWM:"));
    std::fflush(stdout);
}

// ---- Child: the product with marks ---------------------------------------------

class MarkingOs : public bench::TimedOs {
public:
    using TimedOs::TimedOs;
    os::WindowHandle createWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style, int x,
                                  int y, int width, int height) override
    {
        os::WindowHandle window = TimedOs::createWindow(exStyle, className, title, style, x, y, width, height);
        mark("window");
        return window;
    }
};

class MarkingGpu : public bench::TimedGpu {
public:
    using TimedGpu::TimedGpu;
    bool presented = false;

    gpu::Result createDevice(gpu::Direct3D* d, uint32_t adapter, uint32_t type, os::WindowHandle window,
                             uint32_t flags, gpu::PresentParameters* parameters, gpu::Device** device) override
    {
        gpu::Result result = TimedGpu::createDevice(d, adapter, type, window, flags, parameters, device);
        mark("device");
        return result;
    }
    gpu::Result createEffectFromFile(gpu::Device* device, const char* path, gpu::Effect** effect) override
    {
        gpu::Result result = TimedGpu::createEffectFromFile(device, path, effect);
        mark("effect");
        return result;
    }
    gpu::Result createTextureFromFile(gpu::Device* device, const char* path, gpu::Texture** texture) override
    {
        gpu::Result result = TimedGpu::createTextureFromFile(device, path, texture);
        mark(std::strstr(path, "font") ? "font" : "artwork");
        return result;
    }
    gpu::Result present(gpu::Device* device) override
    {
        gpu::Result result = TimedGpu::present(device);
        if (!presented) {
            presented = true;
            std::printf("present %lld\n", static_cast<long long>(bench::monotonicNanos()));
            mark("first-frame");  // for the peak memory once the first frame's shaders are made
        }
        return result;
    }
};

class MarkingAudio : public bench::TimedAudio {
public:
    using TimedAudio::TimedAudio;
    bool played = false;

    bool init(int device, uint32_t frequency, uint32_t flags, void* window, const void* clsid) override
    {
        bool ok = TimedAudio::init(device, frequency, flags, window, clsid);
        mark("audio-init");
        return ok;
    }
    int loads = 0;
    audio::Handle musicLoad(bool fromMemory, const void* file, uint64_t offset, uint32_t length, uint32_t flags,
                            uint32_t frequency) override
    {
        audio::Handle h = TimedAudio::musicLoad(fromMemory, file, offset, length, flags, frequency);
        mark(("track" + std::to_string(++loads)).c_str());
        return h;
    }
    audio::Handle streamCreateFile(bool fromMemory, const void* file, uint64_t offset, uint64_t length,
                                   uint32_t flags) override
    {
        audio::Handle h = TimedAudio::streamCreateFile(fromMemory, file, offset, length, flags);
        mark(("track" + std::to_string(++loads)).c_str());
        return h;
    }
    bool channelPlay(audio::Handle channel, bool restart) override
    {
        bool ok = TimedAudio::channelPlay(channel, restart);
        if (!played) {
            played = true;
            mark("tracks-loaded");
        }
        return ok;
    }
};

int runChild(const char* disk)
{
    if (chdir(disk) != 0) {
        std::fprintf(stderr, "startup: no disk folder %s\n", disk);
        return 1;
    }
    mark("main");
    // The real services as main() makes them, each behind its decorator.
    RealPlatform platform({1, {FONT_FILE, ARTWORK_FILE}, moduleFiles(DISK_CONTENT_FILE, DISK_DATA_FOLDER)});
    platform.wrap(std::make_unique<MarkingOs>(platform.os), std::make_unique<MarkingGpu>(platform.gpu),
                  std::make_unique<MarkingAudio>(platform.audio));
    Application::instance().run();
    return 0;
}

// ---- Parent: runs and timing -----------------------------------------------------

struct RunResult {
    double presentMs = NAN;
    double audioMs = NAN;
    std::map<std::string, double> marks;   // ms from the fork
    std::map<std::string, double> peakMb;  // peak resident memory at each mark
};

// Scans audio bytes (float stereo) as they arrive, keeping a partial sample.
struct AudioScan {
    uint8_t partial[4];
    size_t partialBytes = 0;

    bool audible(const uint8_t* bytes, size_t count)
    {
        for (size_t i = 0; i < count; i++) {
            partial[partialBytes++] = bytes[i];
            if (partialBytes == 4) {
                partialBytes = 0;
                float sample;
                std::memcpy(&sample, partial, 4);
                if (std::fabs(sample) >= AUDIBLE)
                    return true;
            }
        }
        return false;
    }
};

// Handles the lines "present NANOS" and "mark NAME NANOS PEAK_KB".
void readLines(std::string& pending, int64_t start, RunResult& result)
{
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        char name[64];
        long long nanos;
        long kb;
        if (std::sscanf(line.c_str(), "present %lld", &nanos) == 1) {
            result.presentMs = double(nanos - start) / 1e6;
        } else if (std::sscanf(line.c_str(), "mark %63s %lld %ld", name, &nanos, &kb) == 3) {
            result.marks[name] = double(nanos - start) / 1e6;
            result.peakMb[name] = double(kb) / 1024.0;
        }
    }
}

RunResult runOnce(const std::vector<std::string>& command, const std::string& fifo, bool wantAudio)
{
    RunResult result;
    int lines[2];
    if (pipe(lines) != 0)
        return result;
    int audioFd = wantAudio ? open(fifo.c_str(), O_RDONLY | O_NONBLOCK) : -1;

    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);

    const int64_t start = bench::monotonicNanos();
    pid_t child = fork();
    if (child == 0) {
        dup2(lines[1], STDOUT_FILENO);
        close(lines[0]);
        close(lines[1]);
        if (audioFd >= 0)
            close(audioFd);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", fifo.c_str(), 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(lines[1]);
    fcntl(lines[0], F_SETFL, O_NONBLOCK);

    std::string pending;
    AudioScan scan;
    bool audioDone = !wantAudio;
    while (bench::monotonicNanos() - start < RUN_TIMEOUT_NS && !(std::isfinite(result.presentMs) && audioDone)) {
        pollfd fds[2] = {{lines[0], POLLIN, 0}, {audioFd, POLLIN, 0}};
        poll(fds, audioDone ? 1 : 2, 5);
        uint8_t buffer[16384];
        ssize_t got = read(lines[0], buffer, sizeof buffer);
        if (got > 0) {
            pending.append(reinterpret_cast<char*>(buffer), size_t(got));
            readLines(pending, start, result);
        } else if (got == 0 && waitpid(child, nullptr, WNOHANG) == child) {
            child = -1;
            break;
        }
        if (!audioDone) {
            ssize_t bytes = read(audioFd, buffer, sizeof buffer);
            if (bytes > 0 && scan.audible(buffer, size_t(bytes))) {
                result.audioMs = double(bench::monotonicNanos() - start) / 1e6;
                audioDone = true;
            }
        }
    }
    if (child > 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    close(lines[0]);
    if (audioFd >= 0)
        close(audioFd);
    return result;
}

double median(std::vector<double> values)
{
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return !std::isfinite(v); }),
                 values.end());
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Config {
    std::string name;
    std::vector<std::string> command;
    bool isFloor;
    std::vector<RunResult> runs;
};

const char* verdict(bool met) { return met ? "met" : "NOT met"; }

int runParent(int argc, char** argv)
{
    int runs = 10;
    bool warmCache = false;
    std::vector<Config> configs;
    configs.push_back({"floor (SDL2 + OpenGL window)", {argv[1]}, true, {}});
    // What drawing anything at all adds: the driver compiling its first shaders.
    configs.push_back({"floor drawing one textured quad", {argv[1], "--textured"}, true, {}});
    for (int i = 2; i < argc; i++) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
            continue;
        }
        if (std::strcmp(argv[i], "--warm-shader-cache") == 0) {
            warmCache = true;
            continue;
        }
        std::string arg = argv[i];
        size_t equals = arg.find('=');
        if (equals == std::string::npos) {
            std::fprintf(stderr, "startup: expected NAME=DISK_DIR, got %s\n", argv[i]);
            return 2;
        }
        configs.push_back({arg.substr(0, equals), {bench::selfPath(), "--child", arg.substr(equals + 1)}, false, {}});
    }

    char folder[] = "/tmp/bench_startup_XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    std::string fifo = std::string(folder) + "/audio.fifo";
    if (mkfifo(fifo.c_str(), 0600) != 0) {
        std::fprintf(stderr, "startup: cannot make a FIFO in %s\n", folder);
        return 1;
    }
    // One run of each first, not counted: it fills the page cache as any earlier
    // start of the program would have. Mesa's shader disk cache is off for every
    // run (MESA_SHADER_CACHE_DISABLE, set here), so each start compiles its shaders
    // as the first start on a machine does; or, warm, it is a folder of this run's
    // own that the uncounted run fills.
    const std::string cacheFolder = std::string(folder) + "/shader-cache";
    if (warmCache) {
        unsetenv("MESA_SHADER_CACHE_DISABLE");
        setenv("MESA_SHADER_CACHE_DIR", cacheFolder.c_str(), 1);
    } else {
        setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    }
    for (Config& config : configs)
        runOnce(config.command, fifo, !config.isFloor);
    for (int run = 0; run < runs; run++)
        for (Config& config : configs)
            config.runs.push_back(runOnce(config.command, fifo, !config.isFloor));
    unlink(fifo.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);

    std::vector<double> floorTimes, floorMain;
    for (const RunResult& r : configs[0].runs) {
        floorTimes.push_back(r.presentMs);
        floorMain.push_back(r.marks.count("main") ? r.marks.at("main") : NAN);
    }
    const double floorMs = median(floorTimes);
    double texturedMs = NAN;
    for (size_t c = 1; c < configs.size(); c++)
        if (configs[c].isFloor) {
            std::vector<double> times;
            for (const RunResult& r : configs[c].runs)
                times.push_back(r.presentMs);
            texturedMs = median(times);
        }
    const char* cacheNote = warmCache ? ", shader cache warm" : "";
    std::printf("| start-up to first frame, %s%s | %.0f ms (main() entered at %.0f ms) | | |\n",
                configs[0].name.c_str(), cacheNote, floorMs, median(floorMain));
    for (size_t c = 1; c < configs.size(); c++) {
        const Config& config = configs[c];
        std::vector<double> frame, audio, gap;
        std::map<std::string, std::vector<double>> marks, peaks;
        for (const RunResult& r : config.runs) {
            frame.push_back(r.presentMs);
            audio.push_back(r.audioMs);
            gap.push_back(r.audioMs - r.presentMs);
            for (const auto& [name, ms] : r.marks)
                marks[name].push_back(ms);
            for (const auto& [name, mb] : r.peakMb)
                peaks[name].push_back(mb);
        }
        double frameMs = median(frame), gapMs = median(gap);
        if (config.isFloor) {
            std::printf("| start-up to first frame, %s%s | %.0f ms (%.2f x floor) | | |\n", config.name.c_str(),
                        cacheNote, frameMs, frameMs / floorMs);
            continue;
        }
        if (warmCache) {
            std::printf("| start-up to first frame, %s%s | %.0f ms (%.2f x floor) | <= %.2f x floor | %s |\n",
                        config.name.c_str(), cacheNote, frameMs, frameMs / floorMs, WARM_FRAME_GOAL,
                        verdict(frameMs <= WARM_FRAME_GOAL * floorMs));
        } else {
            std::printf("| start-up to first frame, %s | %.0f ms (%.2f x floor, %.2f x textured floor) | <= %.2f x "
                        "textured floor | %s |\n",
                        config.name.c_str(), frameMs, frameMs / floorMs, frameMs / texturedMs, FRAME_GOAL,
                        verdict(frameMs <= FRAME_GOAL * texturedMs));
            std::printf("| start-up to first audible block, %s | %.0f ms | | |\n", config.name.c_str(),
                        median(audio));
            std::printf("| music audible after first frame, %s | %+.0f ms | <= %.0f ms | %s |\n",
                        config.name.c_str(), gapMs, AUDIO_GOAL_MS, verdict(gapMs <= AUDIO_GOAL_MS));
        }
        // Where the time goes: the median moment of each step, in start-up order.
        std::vector<std::pair<double, std::string>> steps;
        for (auto& [name, values] : marks)
            steps.push_back({median(values), name});
        std::sort(steps.begin(), steps.end());
        std::string line, memory;
        double previous = 0.0, previousMb = 0.0;
        for (const auto& [ms, name] : steps) {
            char text[96];
            std::snprintf(text, sizeof text, "%s%s %.0f (+%.0f)", line.empty() ? "" : ", ", name.c_str(), ms,
                          ms - previous);
            line += text;
            previous = ms;
            double mb = median(peaks[name]);
            std::snprintf(text, sizeof text, "%s%s %.1f (+%.1f)", memory.empty() ? "" : ", ", name.c_str(), mb,
                          mb - previousMb);
            memory += text;
            previousMb = mb;
        }
        std::printf("| start-up steps (ms from fork), %s%s | %s | | |\n", config.name.c_str(), cacheNote,
                    line.c_str());
        std::printf("| peak memory after each step (MB), %s%s | %s | | |\n", config.name.c_str(), cacheNote,
                    memory.c_str());
    }
    std::printf("| start-up runs | median of %d per row, interleaved, after one uncounted run each | | |\n", runs);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argv[2]);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup FLOOR_PROGRAM NAME=DISK_DIR... [--runs N]\n"
                             "       bench_startup --child DISK_DIR\n");
        return 2;
    }
    return runParent(argc, argv);
}
