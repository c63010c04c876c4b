// Benchmark: what the running program costs. Starts the real program on a disk,
// waits for the main screen (equalizer on, the first track playing), then
// measures the whole process's CPU share over a window of real time, split by
// thread from /proc/PID/task/*/schedstat: the main thread, SDL's audio
// thread (the mixer, "SDLAudioP..."), the engine's decoder ("audio-decoder") and
// any unnamed thread (they carry the program's own name), the software OpenGL driver's
// threads ("llvmpipe-N") and the rest. Beside it, the CPU share of openmpt123
// playing the disk's first module in real time from the same position: its raw
// output is read from a pipe at exactly the real-time rate, so it renders no
// faster than it would play. Also peak resident memory (VmHWM): the program on
// each disk, and the floor program (an SDL2 + OpenGL window, cleared every 20 ms,
// and the same drawing one textured quad over it), with the floor's CPU share.
//
//   bench_playing PROGRAM FLOOR_PROGRAM DISK_DIR [TEN_DISK_DIR] [SECONDS]
//       prints table rows | figure | value | goal | verdict |
//   bench_playing --minimised PROGRAM DISK_DIR [SECONDS]
//       the whole process's CPU share while its window is minimised on the main
//       screen, the first track playing. Needs a window manager on the display
//       (without one nothing minimises a window) and xdotool; the window is
//       minimised the way a taskbar does it (an iconify request to the manager).
//
// The program runs with SDL_AUDIODRIVER=dummy (SDL's silent output, paced in real
// time); run under an X server (Xvfb) with Mesa's software OpenGL.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/child_process.h"
#include "bench/proc_files.h"
#include "bench/timed_services.h"

namespace {

// The main screen is up 7 s after the first frame (logo 3 s, intro to 6 s, a
// one-second fade); start-up takes well under 2 s.
constexpr double MAIN_SCREEN_WAIT_S = 9.0;
constexpr double PEER_WARMUP_S = 1.0;
constexpr double MINIMISED_CPU_GOAL = 3.0;   // % of one core
constexpr double AUDIO_PEER_RATIO_GOAL = 1.2;
// Over the floor drawing one textured quad, which pays for the driver's compiler.
constexpr double MEMORY_GOAL_OVER_TEXTURED_MB = 16.0;
constexpr double TEN_MEMORY_GOAL_OVER_TEXTURED_MB = 22.0;
constexpr int MIX_RATE = 44100;
constexpr int BYTES_PER_FRAME = 8;  // float stereo

// A thread's CPU time in nanoseconds (the first field of schedstat: exact, where
// the tick counts of stat move in steps of 10 ms) and its name.
bool readThread(const std::string& folder, int64_t* nanos, std::string* name)
{
    std::ifstream schedstat(folder + "/schedstat"), comm(folder + "/comm");
    long long runtime = 0;
    if (!(schedstat >> runtime) || !std::getline(comm, *name))
        return false;
    *nanos = runtime;
    return true;
}

struct ThreadTime {
    std::string name;
    int64_t nanos;
};

std::map<int, ThreadTime> readThreads(pid_t pid)
{
    std::map<int, ThreadTime> threads;
    std::string folder = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return threads;
    while (dirent* entry = readdir(dir)) {
        int tid = std::atoi(entry->d_name);
        ThreadTime t;
        if (tid > 0 && readThread(folder + "/" + entry->d_name, &t.nanos, &t.name))
            threads[tid] = t;
    }
    closedir(dir);
    return threads;
}

// A value in kB from /proc/PID/status, as MB.
double statusMb(pid_t pid, const char* key)
{
    return double(bench::statusKb("/proc/" + std::to_string(pid) + "/status", key)) / 1024.0;
}

double share(int64_t nanos, double seconds) { return 100.0 * double(nanos) / 1e9 / seconds; }

struct Usage {
    double process = 0, mainThread = 0, mixer = 0, unnamed = 0, driver = 0, other = 0;
    double peerDevicePipe = 0, peerDefaultPipe = 0;
    double peakMb = 0, anonMb = 0, fileMb = 0;
};

// The first track's file, from data/disk.cfg (count, then type, file, title...).
std::string firstTrack(const std::string& disk)
{
    std::ifstream config(disk + "/data/disk.cfg");
    std::string count, type, file;
    std::getline(config, count);
    std::getline(config, type);
    std::getline(config, file);
    if (!file.empty() && file.back() == '\r')
        file.pop_back();
    return disk + "/data/music/" + file;
}

// openmpt123 writing raw float stereo into a pipe of pipeBytes.
struct Peer {
    pid_t pid = -1;
    int fd = -1;
    int64_t before = 0;
};

Peer startPeer(const std::string& module, double seekSeconds, int pipeBytes)
{
    Peer peer;
    int fds[2];
    if (pipe(fds) != 0)
        return peer;
    if (pipeBytes > 0)
        fcntl(fds[1], F_SETPIPE_SZ, pipeBytes);
    char seek[32];
    std::snprintf(seek, sizeof seek, "%.0f", seekSeconds);
    peer.pid = bench::launchChild({"openmpt123", "--batch", "-q", "--stdout", "--samplerate", std::to_string(MIX_RATE), "--float",
                       "--channels", "2", "--seek", seek, "--ctl", "render.resampler.emulate_amiga=0", module},
                      nullptr, fds[1]);
    close(fds[1]);
    peer.fd = fds[0];
    return peer;
}

// Takes one period's frames from the peer's pipe; false once it has ended.
bool drain(const Peer& peer, std::vector<char>& buffer)
{
    size_t got = 0;
    while (got < buffer.size()) {
        ssize_t n = read(peer.fd, buffer.data() + got, buffer.size() - got);
        if (n <= 0)
            return false;
        got += size_t(n);
    }
    return true;
}

// The program on the main screen and, over the same window of time, two
// openmpt123 peers playing its first module from the same position: one whose
// pipe holds one 1024-frame block, as the program's device buffer does (it wakes
// as often as a device would wake it), and one with the default 64 KiB pipe.
// Their output is taken at exactly the real-time rate, 1024 frames per period.
Usage measureUsage(const std::string& program, const std::string& disk, double seconds)
{
    Usage usage;
    pid_t pid = bench::launchChild({program}, disk.c_str(), -1);
    bench::sleepSeconds(MAIN_SCREEN_WAIT_S - PEER_WARMUP_S);
    const std::string module = firstTrack(disk);
    // The program's first track has played about as long as the wait.
    Peer peers[2] = {startPeer(module, MAIN_SCREEN_WAIT_S - PEER_WARMUP_S, 1024 * BYTES_PER_FRAME),
                     startPeer(module, MAIN_SCREEN_WAIT_S - PEER_WARMUP_S, 0)};

    const int64_t period = int64_t(1024) * 1000000000 / MIX_RATE;
    std::vector<char> buffer(1024 * BYTES_PER_FRAME);
    int64_t deadline = bench::monotonicNanos();
    const int64_t warmEnd = deadline + int64_t(PEER_WARMUP_S * 1e9);
    const int64_t end = warmEnd + int64_t(seconds * 1e9);
    std::map<int, ThreadTime> before;
    int64_t measuredFrom = 0;
    bool peersPlaying = true;
    while (deadline < end) {
        for (const Peer& peer : peers)
            peersPlaying = drain(peer, buffer) && peersPlaying;
        if (measuredFrom == 0 && deadline >= warmEnd) {
            measuredFrom = bench::monotonicNanos();
            before = readThreads(pid);
            for (Peer& peer : peers)
                peer.before = bench::processCpuNanos(peer.pid);
        }
        deadline += period;
        timespec at{time_t(deadline / 1000000000), long(deadline % 1000000000)};
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
    }
    std::map<int, ThreadTime> after = readThreads(pid);
    const double elapsed = double(bench::monotonicNanos() - measuredFrom) / 1e9;
    if (peersPlaying) {
        usage.peerDevicePipe = share(bench::processCpuNanos(peers[0].pid) - peers[0].before, elapsed);
        usage.peerDefaultPipe = share(bench::processCpuNanos(peers[1].pid) - peers[1].before, elapsed);
    }
    usage.peakMb = statusMb(pid, "VmHWM:");
    usage.anonMb = statusMb(pid, "RssAnon:");
    usage.fileMb = statusMb(pid, "RssFile:");
    for (Peer& peer : peers) {
        bench::stopChild(peer.pid);
        close(peer.fd);
    }
    bench::stopChild(pid);

    const std::string programName = program.substr(program.rfind('/') + 1).substr(0, 15);
    for (const auto& [tid, t] : after) {
        auto old = before.find(tid);
        double s = share(t.nanos - (old != before.end() ? old->second.nanos : 0), elapsed);
        usage.process += s;
        if (tid == pid)
            usage.mainThread += s;
        else if (t.name.rfind("SDLAudioP", 0) == 0)
            usage.mixer += s;
        else if (t.name == "audio-decoder" || t.name == programName)
            usage.unnamed += s;
        else if (t.name.rfind("llvmpipe", 0) == 0)
            usage.driver += s;
        else
            usage.other += s;
    }
    return usage;
}

// The floor program presenting a frame every 20 ms, cleared or with one textured
// quad over it: its CPU share over `seconds` and its peak memory.
void floorUsage(const std::string& floorProgram, bool textured, double seconds, double* cpu, double* peakMb)
{
    std::vector<std::string> command = {floorProgram, std::to_string(int(seconds) + 10)};
    if (textured)
        command.insert(command.begin() + 1, "--textured");
    pid_t pid = bench::launchChild(command, nullptr, -1);
    bench::sleepSeconds(3.0);
    int64_t before = bench::processCpuNanos(pid);
    int64_t start = bench::monotonicNanos();
    bench::sleepSeconds(seconds);
    *cpu = share(bench::processCpuNanos(pid) - before, double(bench::monotonicNanos() - start) / 1e9);
    *peakMb = statusMb(pid, "VmHWM:");
    bench::stopChild(pid);
}

double programPeakMb(const std::string& program, const std::string& disk)
{
    pid_t pid = bench::launchChild({program}, disk.c_str(), -1);
    bench::sleepSeconds(MAIN_SCREEN_WAIT_S);
    double peak = statusMb(pid, "VmHWM:");
    bench::stopChild(pid);
    return peak;
}

const char* verdict(bool met) { return met ? "met" : "NOT met"; }

// The first line a shell command prints, without its line end.
std::string firstLineOf(const std::string& command)
{
    std::string line;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char text[256] = {};
        if (std::fgets(text, sizeof text, pipe))
            line = text;
        pclose(pipe);
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

// The program on the main screen, its window minimised through the window
// manager: the whole process's CPU share and the part of it its main thread and
// the OpenGL driver take. False if the window could not be minimised.
bool measureMinimised(const std::string& program, const std::string& disk, double seconds, Usage* usage)
{
    pid_t pid = bench::launchChild({program}, disk.c_str(), -1);
    bench::sleepSeconds(MAIN_SCREEN_WAIT_S);
    const std::string window = firstLineOf("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null");
    bool iconic = false;
    // The manager marks a minimised window Iconic in its WM_STATE.
    if (!window.empty() && std::system(("xdotool windowminimize --sync " + window + " 2>/dev/null").c_str()) == 0)
        iconic = firstLineOf("xprop -id " + window + " WM_STATE 2>/dev/null | grep -o Iconic") == "Iconic";
    if (!iconic) {
        bench::stopChild(pid);
        return false;
    }
    bench::sleepSeconds(PEER_WARMUP_S);
    std::map<int, ThreadTime> before = readThreads(pid);
    const int64_t start = bench::monotonicNanos();
    bench::sleepSeconds(seconds);
    std::map<int, ThreadTime> after = readThreads(pid);
    const double elapsed = double(bench::monotonicNanos() - start) / 1e9;
    bench::stopChild(pid);
    for (const auto& [tid, t] : after) {
        auto old = before.find(tid);
        double s = share(t.nanos - (old != before.end() ? old->second.nanos : 0), elapsed);
        usage->process += s;
        if (tid == pid)
            usage->mainThread += s;
        else if (t.name.rfind("llvmpipe", 0) == 0)
            usage->driver += s;
        else
            usage->other += s;
    }
    return true;
}

int runMinimised(const std::string& program, const std::string& disk, double seconds)
{
    Usage usage;
    if (!measureMinimised(program, disk, seconds, &usage)) {
        std::printf("| CPU while minimised, whole process, main screen playing | the window did not minimise (no window manager?) | <= %.0f%% | NOT met |\n",
                    MINIMISED_CPU_GOAL);
        return 1;
    }
    std::printf("| CPU while minimised, whole process, main screen playing, %.0f s, under openbox | %.2f%% of a core | <= %.0f%% | %s |\n",
                seconds, usage.process, MINIMISED_CPU_GOAL, verdict(usage.process <= MINIMISED_CPU_GOAL));
    std::printf("| of which main thread / OpenGL driver threads (llvmpipe) / audio and other | %.2f%% / %.2f%% / %.2f%% | | |\n",
                usage.mainThread, usage.driver, usage.other);
    return 0;
}


} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "--minimised") == 0)
        return runMinimised(argv[2], argv[3], argc > 4 ? std::atof(argv[4]) : 10.0);
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_playing PROGRAM FLOOR_PROGRAM DISK_DIR [TEN_DISK_DIR] [SECONDS]\n"
                             "       bench_playing --minimised PROGRAM DISK_DIR [SECONDS]\n");
        return 2;
    }
    const std::string program = argv[1], floorProgram = argv[2], disk = argv[3];
    const std::string tenDisk = argc > 4 ? argv[4] : "";
    const double seconds = argc > 5 ? std::atof(argv[5]) : 30.0;

    double floorCpu = 0, floorPeak = 0, texturedCpu = 0, texturedPeak = 0;
    floorUsage(floorProgram, false, 10.0, &floorCpu, &floorPeak);
    floorUsage(floorProgram, true, 10.0, &texturedCpu, &texturedPeak);
    Usage cpu = measureUsage(program, disk, seconds);
    const double audioThreads = cpu.mixer + cpu.unnamed;
    const double peer = cpu.peerDevicePipe;

    std::printf("| CPU while playing, whole process, main screen, %.0f s | %.1f%% of a core | | |\n", seconds,
                cpu.process);
    std::printf("| of which main thread / OpenGL driver threads (llvmpipe) / other | %.1f%% / %.1f%% / %.1f%% | | |\n",
                cpu.mainThread, cpu.driver, cpu.other);
    std::printf("| of which audio: SDL mixer thread / decoder and other unnamed threads | %.2f%% / %.2f%% | | |\n",
                cpu.mixer, cpu.unnamed);
    std::printf("| audio threads vs openmpt123 playing the same module in real time (1024-frame pipe) | %.2f%% vs %.2f%% (%.2f x) | <= %.1f x | %s |\n",
                audioThreads, peer, audioThreads / peer, AUDIO_PEER_RATIO_GOAL,
                verdict(peer > 0 && audioThreads <= AUDIO_PEER_RATIO_GOAL * peer));
    std::printf("| openmpt123 with the default 64 KiB pipe (fewer wake-ups) | %.2f%% | | |\n", cpu.peerDefaultPipe);
    std::printf("| peak resident memory (VmHWM), floor program | %.1f MB | | |\n", floorPeak);
    std::printf("| peak resident memory (VmHWM), floor drawing one textured quad | %.1f MB, floor + %.1f MB | | |\n",
                texturedPeak, texturedPeak - floorPeak);
    std::printf("| peak resident memory (VmHWM), bundled disk | %.1f MB, textured floor + %.1f MB (at the end: %.1f MB anonymous, %.1f MB files) | <= textured floor + %.0f MB | %s |\n",
                cpu.peakMb, cpu.peakMb - texturedPeak, cpu.anonMb, cpu.fileMb, MEMORY_GOAL_OVER_TEXTURED_MB,
                verdict(texturedPeak > 0 && cpu.peakMb <= texturedPeak + MEMORY_GOAL_OVER_TEXTURED_MB));
    if (!tenDisk.empty()) {
        const double tenPeak = programPeakMb(program, tenDisk);
        std::printf("| peak resident memory (VmHWM), ten-module disk | %.1f MB, textured floor + %.1f MB | <= textured floor + %.0f MB | %s |\n",
                    tenPeak, tenPeak - texturedPeak, TEN_MEMORY_GOAL_OVER_TEXTURED_MB,
                    verdict(texturedPeak > 0 && tenPeak <= texturedPeak + TEN_MEMORY_GOAL_OVER_TEXTURED_MB));
    }
    std::printf("| CPU of the floor program presenting a cleared frame every 20 ms | %.1f%% of a core | | |\n", floorCpu);
    std::printf("| the same with one blended textured quad over the whole window | %.1f%% of a core | | |\n",
                texturedCpu);
    return 0;
}
