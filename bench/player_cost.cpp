// Benchmark: the player screen's CPU cost against the same picture drawn the
// cheapest way OpenGL allows (bench_player_floor), on the same bubble layout.
//
// Each round runs ours (the disk's program in a child, as main() runs it, the
// first track playing) and then the floor, each for SECONDS of steady frames, and
// reads the child's whole-process CPU time from /proc and its frame count (asked
// for with SIGUSR1: the child answers "frames N"). The median of the rounds of
// each, in CPU time per frame, is compared: on a busy machine a program that
// misses frames would otherwise look cheaper. The player's bubbles are placed from SEED in both: ours
// has them replaced, once the screen has faded in, by the layout the screen makes
// from SEED at tick count 0; the floor makes the same layout with its own code.
// The first round also writes our frame's quads and pixels, which the floor draws
// in its own way and compares pixel for pixel, with and without a depth buffer.
//
//   bench_player_cost FLOOR_PROGRAM DISK_DIR [SEED] [SECONDS] [ROUNDS]
//       prints table rows | figure | value | goal | verdict |
//   bench_player_cost --ours DISK_DIR SEED QUADS PICTURE
//       the program alone: prints "ready" once its bubbles are set; 60 frames
//       later writes QUADS and PICTURE (bench_player_floor's formats), then runs
//       until killed
//
// BENCH_SKIP_INVISIBLE=0 has ours draw its quads at alpha 0 too, to show what
// leaving them out saves. Run under an X server (Xvfb) with Mesa's software OpenGL.
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/render_device.h"
#include "bench/child_process.h"
#include "bench/proc_files.h"
#include "bench/timed_services.h"
#include "disk/disk_files.h"
#include "disk/global_initialization.h"
#include "gui/font.h"
#include "gui/sprite_batch.h"
#include "platform/sdl/real_platform.h"
#include "platform/sdl/sdl_gpu.h"
#include "scenes/artwork_atlas.h"
#include "scenes/main_scene.h"

namespace {

constexpr double RATIO_GOAL = 1.10;
constexpr int DUMP_AFTER_FRAMES = 60;  // the layer cache is reused by then
constexpr double WARMUP_S = 1.5;
constexpr double READY_TIMEOUT_S = 40.0;

// The window system with a tick count that reads 0 while the bubbles are placed.
class SeededOs : public bench::TimedOs {
public:
    using TimedOs::TimedOs;
    bool frozen = false;
    uint32_t tickCount() override { return frozen ? 0 : TimedOs::tickCount(); }
};

bool sameRect(const DrawItem& item, AtlasPicture picture)
{
    const AtlasRect& r = ATLAS_RECTS[picture];
    return item.u0 == r.u0 && item.v0 == r.v0 && item.u1 == r.u1 && item.v1 == r.v1;
}

// B: a bubble (the floor places its own), M: drawn anew each frame (title text,
// equalizer cells), S: still.
char kindOf(const DrawItem& item)
{
    if (item.texture == skinTexture && sameRect(item, ATLAS_MAIN_BUBBLE))
        return 'B';
    if (item.texture == fontTexture || (item.texture == skinTexture && sameRect(item, ATLAS_EQUALIZER_CELL)))
        return 'M';
    return 'S';
}

// The frame just drawn: its items in draw order and its pixels (P6, top row first).
bool dump(const std::string& quadsPath, const std::string& picturePath)
{
    gpu::Device* device = RenderDevice::instance().device;
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    if (!sdlReadBackBuffer(device, &width, &height, &rgba))
        return false;
    FILE* picture = std::fopen(picturePath.c_str(), "wb");
    if (!picture)
        return false;
    std::fprintf(picture, "P6\n%d %d\n255\n", width, height);
    for (size_t i = 0; i < rgba.size(); i += 4)
        std::fwrite(&rgba[i], 1, 3, picture);
    std::fclose(picture);

    FILE* quads = std::fopen(quadsPath.c_str(), "w");
    if (!quads)
        return false;
    char folder[4096];
    if (!getcwd(folder, sizeof folder))
        folder[0] = '\0';
    std::fprintf(quads, "client %d %d\naspect %.9g\n", width, height, double(RenderDevice::instance().aspect()));
    std::fprintf(quads, "texture 0 %s/%s\ntexture 1 %s/%s\n", folder, ARTWORK_FILE, folder, FONT_FILE);
    const SpriteBatch& batch = *spriteBatch;
    for (const DrawItem& item : batch.ordered) {
        // The batch reads mip levels unless no texel is smaller than a pixel.
        const float side = item.texture == fontTexture ? 512.0f : 1024.0f;
        const bool fullSize = std::fabs(item.u1 - item.u0) * side <= std::fabs(item.width) * 0.5f * batch.screenWidth &&
            std::fabs(item.v1 - item.v0) * side <= std::fabs(item.height) * 0.5f * batch.screenHeight;
        const int mipmapped = fullSize ? 0 : 1;
        std::fprintf(quads, "item %c %d %d %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g\n", kindOf(item),
                     item.texture == fontTexture ? 1 : 0, mipmapped, double(item.r), double(item.g), double(item.b),
                     double(item.a), double(item.u0), double(item.v0), double(item.u1), double(item.v1), double(item.x),
                     double(item.y), double(item.width), double(item.height));
    }
    std::fclose(quads);
    return true;
}

int runOurs(const char* disk, uint32_t seed, const std::string& quadsPath, const std::string& picturePath)
{
    if (chdir(disk) != 0)
        return 1;
    RealPlatform platform({1, {FONT_FILE, ARTWORK_FILE}, {}});
    auto system = std::make_unique<SeededOs>(platform.os);
    auto graphics = std::make_unique<bench::TimedGpu>(platform.gpu);
    SeededOs* seeded = system.get();
    int framesSinceSeeded = -1;
    graphics->afterPresent = [&](gpu::Device*) {
        auto* main = dynamic_cast<MainScene*>(Application::instance().scenes[MAIN_SCENE].get());
        if (framesSinceSeeded < 0) {
            if (!main || !main->active || main->fade.alpha < 1.0f || main->fade.fadingIn)
                return;
            seeded->frozen = true;
            main->bubbles = makeMainBubbles(seed);
            seeded->frozen = false;
            const char* invisible = std::getenv("BENCH_SKIP_INVISIBLE");
            spriteBatch->skipInvisible = !invisible || std::strcmp(invisible, "0") != 0;
            std::printf("ready\n");
            std::fflush(stdout);
        }
        ++framesSinceSeeded;
        bench::answerFrameCount();
    };
    // The read-back must see the frame before it is presented.
    graphics->beforePresent = [&](gpu::Device*) {
        if (framesSinceSeeded + 1 == DUMP_AFTER_FRAMES && !quadsPath.empty())
            dump(quadsPath, picturePath);
    };
    platform.wrap(std::move(system), std::move(graphics), nullptr);
    bench::countFramesOnRequest();
    Application::instance().run();
    return 0;
}

struct Child {
    pid_t pid = -1;
    FILE* out = nullptr;
};

Child launch(const std::vector<std::string>& command)
{
    int fds[2];
    Child child;
    if (pipe(fds) != 0)
        return child;
    child.pid = bench::launchChild(command, nullptr, fds[1]);
    close(fds[1]);
    child.out = fdopen(fds[0], "r");
    return child;
}

void stop(Child& child)
{
    bench::stopChild(child.pid);
    std::fclose(child.out);
}

// Waits for the child's line "ready"; false if it ended first.
bool waitReady(Child& child)
{
    char line[256];
    while (std::fgets(line, sizeof line, child.out))
        if (std::strncmp(line, "ready", 5) == 0)
            return true;
    return false;
}

// The child's frames so far, asked for; -1 if it does not answer.
long long frameCount(Child& child)
{
    kill(child.pid, SIGUSR1);
    char line[256];
    long long frames = -1;
    while (std::fgets(line, sizeof line, child.out))
        if (std::sscanf(line, "frames %lld", &frames) == 1)
            break;
    return frames;
}

struct Cost {
    double share = -1.0;     // % of a core
    double perFrame = -1.0;  // CPU ms per frame
    double framesPerSecond = 0.0;
};

// The child's whole-process CPU over `seconds` after the warm-up.
Cost measure(Child& child, double seconds)
{
    Cost cost;
    if (!waitReady(child))
        return cost;
    bench::sleepSeconds(WARMUP_S);
    const long long firstFrame = frameCount(child);
    const int64_t before = bench::processCpuNanos(child.pid);
    const int64_t start = bench::monotonicNanos();
    bench::sleepSeconds(seconds);
    const long long frames = frameCount(child) - firstFrame;
    const int64_t used = bench::processCpuNanos(child.pid) - before;
    const double elapsed = double(bench::monotonicNanos() - start);
    cost.share = 100.0 * double(used) / elapsed;
    if (frames > 0) {
        cost.perFrame = double(used) / 1e6 / double(frames);
        cost.framesPerSecond = double(frames) / elapsed * 1e9;
    }
    return cost;
}

Cost median(std::vector<Cost> costs)
{
    std::sort(costs.begin(), costs.end(), [](const Cost& a, const Cost& b) { return a.perFrame < b.perFrame; });
    return costs.empty() ? Cost{} : costs[costs.size() / 2];
}

std::string firstLine(Child& child)
{
    char line[256] = {};
    if (!std::fgets(line, sizeof line, child.out))
        return "no answer";
    line[std::strcspn(line, "\n")] = '\0';
    return line;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 6 && std::strcmp(argv[1], "--ours") == 0)
        return runOurs(argv[2], uint32_t(std::strtoul(argv[3], nullptr, 10)), argv[4], argv[5]);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_player_cost FLOOR_PROGRAM DISK_DIR [SEED] [SECONDS] [ROUNDS]\n");
        return 2;
    }
    const std::string floorProgram = argv[1], disk = argv[2];
    const std::string seed = argc > 3 ? argv[3] : "1";
    const double seconds = argc > 4 ? std::atof(argv[4]) : 20.0;
    const int rounds = argc > 5 ? std::max(1, std::atoi(argv[5])) : 3;
    char folder[] = "/tmp/bench_player_XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string quads = std::string(folder) + "/frame.quads", picture = std::string(folder) + "/frame.ppm";
    const std::string self = bench::selfPath();

    std::vector<Cost> ours, floor;
    std::string check = "not made", checkWithDepth = "not made";
    for (int round = 0; round < rounds; ++round) {
        Child child = launch({self, "--ours", disk, seed, round == 0 ? quads : "", round == 0 ? picture : ""});
        ours.push_back(measure(child, seconds));
        stop(child);
        if (round == 0) {
            Child checker = launch({floorProgram, "--check", quads, picture});
            check = firstLine(checker);
            stop(checker);
            checker = launch({floorProgram, "--depth", "--check", quads, picture});
            checkWithDepth = firstLine(checker);
            stop(checker);
        }
        child = launch({floorProgram, quads, seed, std::to_string(int(seconds + WARMUP_S + 10.0))});
        floor.push_back(measure(child, seconds));
        stop(child);
    }
    std::system(("rm -rf '" + std::string(folder) + "'").c_str());

    const Cost o = median(ours), f = median(floor);
    const double ratio = o.perFrame > 0 && f.perFrame > 0 ? o.perFrame / f.perFrame : 0.0;
    std::printf(
        "| player screen CPU per frame, whole process, bubbles from seed %s, median of %d x %.0f s: ours vs the "
        "same-picture floor | %.2f vs %.2f ms (%.1f%% vs %.1f%% of a core at %.1f / %.1f frames a second; "
        "%.2f x) | <= %.2f x | %s |\n",
        seed.c_str(), rounds, seconds, o.perFrame, f.perFrame, o.share, f.share, o.framesPerSecond, f.framesPerSecond,
        ratio, RATIO_GOAL, ratio > 0 && ratio <= RATIO_GOAL ? "met" : "NOT met");
    std::printf("| the same-picture floor drawing our frame, against our frame read back | %s | | |\n", check.c_str());
    std::printf(
        "| the same with a depth buffer, as ours has (unused, yet llvmpipe rasterises otherwise) | %s | 0 pixels "
        "differ | %s |\n",
        checkWithDepth.c_str(), checkWithDepth.rfind("0 of ", 0) == 0 ? "met" : "NOT met");
    std::printf("| rounds, ours / floor (CPU ms per frame) |");
    for (int round = 0; round < rounds; ++round)
        std::printf(" %.2f / %.2f", ours[size_t(round)].perFrame, floor[size_t(round)].perFrame);
    std::printf(" | | |\n");
    return 0;
}
