// Benchmark: the main loop's frames on the main screen (equalizer on, music
// playing). Runs the disk in DISK_DIR as main() does, with the real services
// behind timing decorators, waits until the main screen has faded in, records
// FRAMES frames and then ends the loop.
//
// Each frame, from the return of one present to the return of the next, splits
// into the time inside the graphics service (the OpenGL driver and present), the
// pacing sleep, the other window-system calls (message pump, clock), the audio
// service's calls (the spectrum), and the rest: the system's own work (scene
// updates, submission, ordering and vertex building, issuing the graphics calls).
//
//   bench_frames [DISK_DIR] [FRAMES]      prints table rows | figure | value | goal | verdict |
//
// Then as many frames again with the layer cache off, to print what it saves.
// Run under an X server (Xvfb) with Mesa's software OpenGL.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/application.h"
#include "bench/timed_services.h"
#include "gui/sprite_batch.h"
#include "platform/sdl/real_platform.h"
#include "scenes/main_scene.h"

namespace {

constexpr double OWN_MEDIAN_GOAL_MS = 0.2;
constexpr double OWN_P99_GOAL_MS = 0.5;
constexpr double FRAME_MS = 20.0;
constexpr double INTERVAL_MEDIAN_TOLERANCE_MS = 0.5;
constexpr double INTERVAL_P99_GOAL_MS = 23.0;
// Give up if the main screen has not come up by then.
constexpr int64_t MAIN_SCREEN_TIMEOUT_NS = 30'000'000'000;

int64_t cpuNanos(clockid_t clock)
{
    timespec now;
    clock_gettime(clock, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Counters at the return of one present.
struct Stamp {
    int64_t at, cpu, processCpu, gpu, present, os, sleep, audio;
    uint64_t calls, draws;
};

// One frame: the differences between two stamps, in milliseconds.
struct Frame {
    double interval, cpu, processCpu, gpu, present, os, sleep, audio, own;
    uint64_t calls, draws;
};

struct Recorder {
    bench::TimedOs* os;
    bench::TimedGpu* gpu;
    bench::TimedAudio* audio;
    size_t wanted;
    int64_t started;
    std::vector<Stamp> stamps;
    bool timedOut = false;
    // After the frames wanted, as many again with the layer cache off, for comparison.
    std::vector<Stamp> uncachedStamps;

    Stamp now() const
    {
        return {bench::monotonicNanos(),
                cpuNanos(CLOCK_THREAD_CPUTIME_ID),
                cpuNanos(CLOCK_PROCESS_CPUTIME_ID),
                gpu->inside.nanos,
                gpu->presenting.nanos,
                os->inside.nanos,
                os->sleeping.nanos,
                audio->inside.nanos,
                gpu->inside.calls + os->inside.calls + os->sleeping.calls + audio->inside.calls,
                gpu->draws};
    }

    static bool mainScreenUp()
    {
        Application& application = Application::instance();
        auto* main = dynamic_cast<MainScene*>(application.scenes[MAIN_SCENE].get());
        return main && main->active && main->fade.alpha >= 1.0f && !main->fade.fadingIn && !main->fade.fadingOut;
    }

    void afterPresent()
    {
        if (stamps.empty() && !mainScreenUp()) {
            if (bench::monotonicNanos() - started > MAIN_SCREEN_TIMEOUT_NS) {
                timedOut = true;
                Application::instance().running = false;
            }
            return;
        }
        if (stamps.size() <= wanted) {
            stamps.push_back(now());
            return;
        }
        spriteBatch->layers.enabled = false;
        uncachedStamps.push_back(now());
        if (uncachedStamps.size() > wanted)
            Application::instance().running = false;
    }
};

double ms(int64_t nanos) { return double(nanos) / 1e6; }

std::vector<Frame> framesOf(const std::vector<Stamp>& stamps)
{
    std::vector<Frame> frames;
    for (size_t i = 1; i < stamps.size(); i++) {
        const Stamp& a = stamps[i - 1];
        const Stamp& b = stamps[i];
        Frame f;
        f.interval = ms(b.at - a.at);
        f.cpu = ms(b.cpu - a.cpu);
        f.processCpu = ms(b.processCpu - a.processCpu);
        f.gpu = ms(b.gpu - a.gpu);
        f.present = ms(b.present - a.present);
        f.os = ms(b.os - a.os);
        f.sleep = ms(b.sleep - a.sleep);
        f.audio = ms(b.audio - a.audio);
        f.own = f.interval - f.gpu - f.os - f.sleep - f.audio;
        f.calls = b.calls - a.calls;
        f.draws = b.draws - a.draws;
        frames.push_back(f);
    }
    return frames;
}

// The value below which `fraction` of the values lie (nearest rank).
template <typename Field>
double percentile(const std::vector<Frame>& frames, Field field, double fraction)
{
    std::vector<double> values;
    for (const Frame& f : frames)
        values.push_back(f.*field);
    std::sort(values.begin(), values.end());
    size_t rank = size_t(std::ceil(fraction * double(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

template <typename Field>
void printSpread(const char* name, const std::vector<Frame>& frames, Field field)
{
    std::printf("| %s (median / p99) | %.3f / %.3f ms | | |\n", name, percentile(frames, field, 0.5),
                percentile(frames, field, 0.99));
}

const char* verdict(bool met) { return met ? "met" : "NOT met"; }

void report(const std::vector<Frame>& frames)
{
    const double ownMedian = percentile(frames, &Frame::own, 0.5);
    const double ownP99 = percentile(frames, &Frame::own, 0.99);
    std::printf("| main-thread own work per frame (median / p99), %zu frames | %.3f / %.3f ms | <= %.1f / %.1f ms | %s |\n",
                frames.size(), ownMedian, ownP99, OWN_MEDIAN_GOAL_MS, OWN_P99_GOAL_MS,
                verdict(ownMedian <= OWN_MEDIAN_GOAL_MS && ownP99 <= OWN_P99_GOAL_MS));
    printSpread("audio service calls per frame (spectrum, track state)", frames, &Frame::audio);
    printSpread("inside the graphics service per frame (driver + present)", frames, &Frame::gpu);
    printSpread("of which present", frames, &Frame::present);
    printSpread("window system calls per frame (message pump, clock)", frames, &Frame::os);
    printSpread("pacing sleep per frame", frames, &Frame::sleep);
    printSpread("main-thread CPU time per frame (all of it)", frames, &Frame::cpu);
    printSpread("whole-process CPU time per frame (the driver's threads too)", frames, &Frame::processCpu);
    double calls = 0, draws = 0;
    for (const Frame& f : frames) {
        calls += double(f.calls);
        draws += double(f.draws);
    }
    // Two clock reads per timed call; about 20 ns each on this kind of machine.
    std::printf("| service calls per frame (draw calls) | %.1f (%.1f); their timing adds about %.4f ms to own work | | |\n",
                calls / double(frames.size()), draws / double(frames.size()),
                calls / double(frames.size()) * 40e-6);

    const double median = percentile(frames, &Frame::interval, 0.5);
    const double p1 = percentile(frames, &Frame::interval, 0.01);
    const double p99 = percentile(frames, &Frame::interval, 0.99);
    std::printf("| frame interval median / p1 / p99 | %.2f / %.2f / %.2f ms | median %.0f +- %.1f, p99 < %.0f ms | %s |\n",
                median, p1, p99, FRAME_MS, INTERVAL_MEDIAN_TOLERANCE_MS, INTERVAL_P99_GOAL_MS,
                verdict(std::fabs(median - FRAME_MS) <= INTERVAL_MEDIAN_TOLERANCE_MS && p99 < INTERVAL_P99_GOAL_MS));
    // Frames start on a 20 ms grid; one that ends late starts the next at once.
    size_t late = 0;
    double total = 0.0;
    for (const Frame& f : frames) {
        late += f.interval > INTERVAL_P99_GOAL_MS;
        total += f.interval;
    }
    std::printf("| frame intervals over %.0f ms / frames per second | %.1f%% / %.1f | | |\n", INTERVAL_P99_GOAL_MS,
                100.0 * double(late) / double(frames.size()), 1000.0 * double(frames.size()) / total);
    std::printf("| first 12 frame intervals (ms) |");
    for (size_t i = 0; i < 12 && i < frames.size(); i++)
        std::printf(" %.1f", frames[i].interval);
    std::printf(" | | |\n");
}

} // namespace

int main(int argc, char** argv)
{
    const char* disk = argc > 1 ? argv[1] : ".";
    const size_t wanted = argc > 2 ? size_t(std::max(10, std::atoi(argv[2]))) : 1000;
    if (chdir(disk) != 0) {
        std::fprintf(stderr, "frames: no disk folder %s\n", disk);
        return 1;
    }
    // The real services as main() makes them, each behind its decorator; the
    // recorder outlives them and keeps only its stamps.
    Recorder recorder{nullptr, nullptr, nullptr, wanted, bench::monotonicNanos(), {}, false, {}};
    recorder.stamps.reserve(wanted + 1);
    {
        RealPlatform platform;
        auto system = std::make_unique<bench::TimedOs>(platform.os);
        auto graphics = std::make_unique<bench::TimedGpu>(platform.gpu);
        auto music = std::make_unique<bench::TimedAudio>(platform.audio);
        recorder.os = system.get();
        recorder.gpu = graphics.get();
        recorder.audio = music.get();
        graphics->afterPresent = [&recorder](gpu::Device*) { recorder.afterPresent(); };
        platform.wrap(std::move(system), std::move(graphics), std::move(music));
        Application::instance().run();
    }
    if (recorder.timedOut || recorder.stamps.size() <= wanted) {
        std::fprintf(stderr, "frames: the main screen did not come up (or the loop ended early)\n");
        return 1;
    }
    const std::vector<Frame> cached = framesOf(recorder.stamps);
    const std::vector<Frame> uncached = framesOf(recorder.uncachedStamps);
    report(cached);
    std::printf("| whole-process CPU per frame with / without the layer cache (median) | %.3f / %.3f ms | | |\n",
                percentile(cached, &Frame::processCpu, 0.5), percentile(uncached, &Frame::processCpu, 0.5));
    return 0;
}
