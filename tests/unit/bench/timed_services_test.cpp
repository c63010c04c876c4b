// The benchmarks' timing decorators must leave the program's behaviour alone: the
// disk run through them on the fake platform makes exactly the calls it makes
// without them, and their counters count what the benchmarks report.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/window.h"
#include "bench/timed_services.h"
#include "disk/music_library.h"
#include "platform/fake/fake_platform.h"
#include "scenes/equalizer.h"

namespace {

// Frames of 20 ms: the logo, the intro and two seconds of the main screen.
constexpr int FRAMES = 420;

struct DiskRun {
    std::vector<std::string> calls;
    uint64_t gpuCalls = 0, presents = 0, draws = 0, sleeps = 0, audioCalls = 0;
    int afterPresentHooks = 0;
};

// The bundled disk (data/ under the working folder) on the fakes until a close
// message at frame FRAMES, with or without the decorators in between.
DiskRun runDisk(bool decorated)
{
    musicLibrary = MusicLibrary{};
    lastSpectrumTime = 0.0f;
    std::fill(std::begin(spectrum), std::end(spectrum), 0.0f);

    DiskRun run;
    fake::FakePlatform platform;
    int frame = 0;
    platform.os.onPump = [&] {
        platform.os.ticks += 20;
        if (++frame == FRAMES)
            platform.os.post(mainWindow, os::WM_CLOSE);
    };
    bench::TimedOs timedOs(&platform.os);
    bench::TimedGpu timedGpu(&platform.gpu);
    bench::TimedAudio timedAudio(&platform.audio);
    timedGpu.afterPresent = [&run](gpu::Device*) { run.afterPresentHooks++; };
    if (decorated) {
        os::installOs(&timedOs);
        gpu::installGpu(&timedGpu);
        audio::installAudio(&timedAudio);
    }
    Application::instance().run();
    if (decorated) {
        os::installOs(&platform.os);
        gpu::installGpu(&platform.gpu);
        audio::installAudio(&platform.audio);
    }
    run.calls = platform.log().calls;
    run.gpuCalls = timedGpu.inside.calls;
    run.presents = timedGpu.presenting.calls;
    run.draws = timedGpu.draws;
    run.sleeps = timedOs.sleeping.calls;
    run.audioCalls = timedAudio.inside.calls;
    return run;
}

size_t countStarting(const std::vector<std::string>& calls, const std::string& prefix)
{
    return size_t(std::count_if(calls.begin(), calls.end(),
                                [&](const std::string& call) { return call.rfind(prefix, 0) == 0; }));
}

TEST(TimedServices, DiskMakesTheSameCallsThroughThemAndTheyCountThem)
{
    DiskRun plain = runDisk(false);
    DiskRun timed = runDisk(true);
    ASSERT_GT(countStarting(plain.calls, "gpu.present"), size_t(FRAMES - 5));
    ASSERT_GT(countStarting(plain.calls, "audio.channelGetData"), 0u);
    ASSERT_EQ(timed.calls.size(), plain.calls.size());
    for (size_t i = 0; i < plain.calls.size(); i++)
        ASSERT_EQ(timed.calls[i], plain.calls[i]) << "call " << i;

    EXPECT_EQ(timed.presents, countStarting(plain.calls, "gpu.present"));
    EXPECT_EQ(timed.afterPresentHooks, int(timed.presents));
    EXPECT_EQ(timed.draws, countStarting(plain.calls, "gpu.drawIndexedPrimitive"));
    EXPECT_EQ(timed.sleeps, countStarting(plain.calls, "os.sleep"));
    // Releases are forwarded but not timed.
    EXPECT_EQ(timed.gpuCalls, countStarting(plain.calls, "gpu.") - countStarting(plain.calls, "gpu.release"));
    EXPECT_EQ(timed.audioCalls, countStarting(plain.calls, "audio."));
}

} // namespace
