// Benchmark: what the software OpenGL driver's cost depends on. The main screen
// is drawn with variants of data/gui.fx (texture filtering, blending, the pixel
// shader), each in a copy of the disk, and for each this prints the CPU time the
// whole process spends per frame and how far its picture is from the shipped
// effect's.
//
// Each variant runs in a child process (bench_effect_states --variant DISK OUT):
// the disk as main() runs it, but on a virtual clock (the tick count moves only by
// the pacing sleeps and 1 ms per frame, so frames run back to back and every run
// draws the same frames: the same bubbles, the same title scroll), with a fixed
// spectrum for the equalizer, and with two Escape presses that skip the logo and
// the intro. When the main screen is up it reads back one frame (OUT.rgba,
// OUT.png), then draws FRAMES more and reports the CPU time of all its threads
// (main and llvmpipe) and the wall time per frame. The variants run ROUNDS times,
// interleaved; the least CPU time of each counts (what other programs on the
// machine take away can only add to it).
//
//   bench_effect_states DISK_DIR OUT_DIR     prints table rows; pictures in OUT_DIR
//
// Run under an X server (Xvfb) with Mesa's software OpenGL.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "bench/proc_files.h"
#include "bench/timed_services.h"
#include "gui/sprite_batch.h"
#include "platform/sdl/real_platform.h"
#include "platform/sdl/sdl_gpu.h"
#include "scenes/main_scene.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

constexpr int FRAMES = 200;
constexpr int ROUNDS = 3;
// Frames at which Escape goes down and up: the logo hands over to the intro, then
// the intro to the main screen (both still fading when the second comes).
constexpr int ESCAPE_FRAMES[][2] = {{3, 4}, {8, 9}};
// The picture is taken this many frames after the main screen is fully up.
constexpr int SETTLE_FRAMES = 20;
constexpr uint32_t START_TICK = 1000000;
constexpr int WINDOW_WIDTH = 820, WINDOW_HEIGHT = 320;
// "The same picture": no channel's mean difference reaches half a step of 255,
// and under 0.1 % of pixels differ by more than 16 in any channel.
constexpr double SAME_MEAN = 0.5;
constexpr int SAME_PIXEL = 16;
constexpr double SAME_FRACTION = 0.001;

// ---- Child: one variant -------------------------------------------------------

class ScriptedOs : public bench::TimedOs {
public:
    using TimedOs::TimedOs;
    uint32_t now = START_TICK;
    int frame = 0;
    os::WindowHandle window = nullptr;

    uint32_t tickCount() override { return now; }
    void sleep(uint32_t milliseconds) override { now += milliseconds; }
    os::WindowHandle createWindow(uint32_t exStyle, const char* className, const char* title, uint32_t style, int x,
                                  int y, int width, int height) override
    {
        window = TimedOs::createWindow(exStyle, className, title, style, x, y, width, height);
        return window;
    }
    // The frame's message pump first gets Escape down or up, if this is its frame.
    bool peekMessage(os::Message* message) override
    {
        for (const auto& [down, up] : ESCAPE_FRAMES) {
            if (frame == down || frame == up) {
                *message = {window, frame == down ? os::WM_KEYDOWN : os::WM_KEYUP, os::VK_ESCAPE, 0};
                frame = -frame;  // sent; the frame number comes back after present
                return true;
            }
        }
        return TimedOs::peekMessage(message);
    }
};

// A fixed spectrum that lights columns to different heights.
class FixedSpectrumAudio : public bench::TimedAudio {
public:
    using TimedAudio::TimedAudio;
    uint32_t channelGetData(audio::Handle channel, void* buffer, uint32_t length) override
    {
        uint32_t result = TimedAudio::channelGetData(channel, buffer, length);
        if (result != audio::DATA_ERROR) {
            float* bins = static_cast<float*>(buffer);
            for (int i = 0; i < 256; i++)
                bins[i] = i < 16 ? 0.012f * float((i * 7) % 15) : 0.0f;
        }
        return result;
    }
};

int64_t processCpuNanos()
{
    int64_t total = 0;
    DIR* dir = opendir("/proc/self/task");
    if (!dir)
        return 0;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream schedstat(std::string("/proc/self/task/") + entry->d_name + "/schedstat");
        long long nanos = 0;
        if (schedstat >> nanos)
            total += nanos;
    }
    closedir(dir);
    return total;
}

bool mainScreenUp()
{
    auto* main = dynamic_cast<MainScene*>(Application::instance().scenes[MAIN_SCENE].get());
    return main && main->active && main->fade.alpha >= 1.0f && !main->fade.fadingIn && !main->fade.fadingOut;
}

// Screen pixels the frame's quads cover, counted once per quad (clipped to the
// window): over the window's area this is the overdraw.
double coveredPixels(const std::vector<DrawItem>& items)
{
    double total = 0.0;
    for (const DrawItem& item : items) {
        double left = std::max(-1.0, double(item.x)), right = std::min(1.0, double(item.x + item.width));
        double bottom = std::max(-1.0, double(item.y)), top = std::min(1.0, double(item.y + item.height));
        if (right > left && top > bottom)
            total += (right - left) / 2.0 * WINDOW_WIDTH * (top - bottom) / 2.0 * WINDOW_HEIGHT;
    }
    return total;
}

struct VariantRun {
    int upFrames = -1;  // frames since the main screen came up; -1 before
    int64_t cpuStart = 0, wallStart = 0;
    size_t quads = 0;
    double covered = 0.0;
    std::string out;
    bool saved = false;
    double cpuPerFrame = 0.0, wallPerFrame = 0.0;
};

int runVariant(const char* disk, const char* out)
{
    if (chdir(disk) != 0)
        return 1;
    // The real services as main() makes them, each behind its decorator.
    RealPlatform platform;
    auto system = std::make_unique<ScriptedOs>(platform.os);
    auto graphics = std::make_unique<bench::TimedGpu>(platform.gpu);
    auto music = std::make_unique<FixedSpectrumAudio>(platform.audio);
    VariantRun run;
    run.out = out;
    ScriptedOs* clock = system.get();

    graphics->beforePresent = [&run](gpu::Device* device) {
        if (run.upFrames != SETTLE_FRAMES)
            return;
        int width = 0, height = 0;
        std::vector<uint8_t> rgba;
        if (!sdlReadBackBuffer(device, &width, &height, &rgba))
            return;
        std::ofstream raw(run.out + ".rgba", std::ios::binary);
        raw.write(reinterpret_cast<const char*>(rgba.data()), std::streamsize(rgba.size()));
        stbi_write_png((run.out + ".png").c_str(), width, height, 4, rgba.data(), width * 4);
        run.saved = bool(raw);
    };
    graphics->afterPresent = [&run, clock](gpu::Device*) {
        clock->now += 1;
        clock->frame = std::abs(clock->frame) + 1;
        if (run.upFrames < 0 && !mainScreenUp())
            return;
        run.upFrames++;
        if (run.upFrames == SETTLE_FRAMES) {
            run.cpuStart = processCpuNanos();
            run.wallStart = bench::monotonicNanos();
        } else if (run.upFrames == SETTLE_FRAMES + FRAMES) {
            run.cpuPerFrame = double(processCpuNanos() - run.cpuStart) / 1e6 / FRAMES;
            run.wallPerFrame = double(bench::monotonicNanos() - run.wallStart) / 1e6 / FRAMES;
            Application::instance().running = false;
        }
    };
    // When the scene begins, the frame's quads are still listed in the batch.
    graphics->beforeBeginScene = [&run]() {
        if (run.upFrames == SETTLE_FRAMES - 1 && spriteBatch) {
            run.quads = spriteBatch->items.size();
            run.covered = coveredPixels(spriteBatch->items);
        }
    };
    platform.wrap(std::move(system), std::move(graphics), std::move(music));
    Application::instance().run();
    if (!run.saved || run.cpuPerFrame <= 0.0)
        return 1;
    std::printf("%.4f %.4f %zu %.0f\n", run.cpuPerFrame, run.wallPerFrame, run.quads, run.covered);
    return 0;
}

// ---- Parent: variants and comparison --------------------------------------------

// A text replaced in gui.fx; an empty `from` changes nothing.
struct Edit {
    const char* from;
    const char* to;
};

// The shipped sampler line, and what the variants put in its place.
constexpr const char* SHIPPED_FILTER = "filter = linear, linear, point;";
constexpr Edit TO_TRILINEAR = {SHIPPED_FILTER, "filter = linear, linear, linear;"};
constexpr Edit DISCARD_TRANSPARENT = {
    "pixel = texture(texture_0, uv) * tint;",
    "pixel = texture(texture_0, uv) * tint;\n                if (pixel.a == 0.0)\n                    discard;"};

struct Variant {
    const char* name;
    Edit edits[2];
    bool probe;  // a measure of what the cost depends on, not a candidate
};

const Variant VARIANTS[] = {
    {"shipped: bilinear from the nearest mip level, blended", {}, false},
    {"trilinear", {TO_TRILINEAR}, false},
    {"discard fully transparent pixels", {DISCARD_TRANSPARENT}, false},
    {"bilinear, no mip levels", {{SHIPPED_FILTER, "filter = linear, linear, none;"}}, false},
    {"point sampling, no mip levels", {{SHIPPED_FILTER, "filter = point, point, none;"}}, false},
    {"probe: blending off", {{"blend = src_alpha, inv_src_alpha;", "blend = off;"}}, true},
    {"probe: no texture fetch", {{"pixel = texture(texture_0, uv) * tint;", "pixel = tint;"}}, true},
};

std::string readText(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A copy of the disk whose data/ links every file but gui.fx.
bool makeVariantDisk(const std::string& disk, const std::string& folder, const std::string& effect)
{
    std::string data = folder + "/data";
    if (mkdir(folder.c_str(), 0700) != 0 || mkdir(data.c_str(), 0700) != 0)
        return false;
    DIR* dir = opendir((disk + "/data").c_str());
    if (!dir)
        return false;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == ".." || name == "gui.fx")
            continue;
        std::string target = disk + "/data/" + name;
        if (symlink(target.c_str(), (data + "/" + name).c_str()) != 0) {
            closedir(dir);
            return false;
        }
    }
    closedir(dir);
    std::ofstream fx(data + "/gui.fx");
    fx << effect;
    return bool(fx);
}

struct Result {
    bool ok = false;
    double cpu = 0, wall = 0, covered = 0;
    size_t quads = 0;
    std::vector<uint8_t> rgba;
};

Result runChild(const std::string& self, const std::string& folder, const std::string& out)
{
    Result result;
    std::string command = "'" + self + "' --variant '" + folder + "' '" + out + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char line[256] = {};
    bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    int status = pclose(pipe);
    if (!got || status != 0 || std::sscanf(line, "%lf %lf %zu %lf", &result.cpu, &result.wall, &result.quads,
                                           &result.covered) != 4)
        return result;
    std::ifstream raw(out + ".rgba", std::ios::binary);
    result.rgba.assign(std::istreambuf_iterator<char>(raw), std::istreambuf_iterator<char>());
    result.ok = !result.rgba.empty();
    return result;
}

struct Difference {
    double worstMean = 0.0;  // the largest of the four channels' mean differences
    double fraction = 0.0;   // of pixels off by more than SAME_PIXEL in some channel
    int largest = 0;
};

Difference compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    Difference d;
    if (a.size() != b.size() || a.empty()) {
        d.worstMean = d.fraction = 1e9;
        return d;
    }
    size_t pixels = a.size() / 4, off = 0;
    double sums[4] = {};
    for (size_t p = 0; p < pixels; p++) {
        int worst = 0;
        for (int c = 0; c < 4; c++) {
            int diff = std::abs(int(a[p * 4 + c]) - int(b[p * 4 + c]));
            sums[c] += diff;
            worst = std::max(worst, diff);
        }
        off += worst > SAME_PIXEL;
        d.largest = std::max(d.largest, worst);
    }
    for (double sum : sums)
        d.worstMean = std::max(d.worstMean, sum / double(pixels));
    d.fraction = double(off) / double(pixels);
    return d;
}

int runParent(const std::string& disk, const std::string& outDir)
{
    const std::string shipped = readText(disk + "/data/gui.fx");
    if (shipped.empty()) {
        std::fprintf(stderr, "effect_states: no %s/data/gui.fx\n", disk.c_str());
        return 1;
    }
    char folder[] = "/tmp/bench_effect_XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    mkdir(outDir.c_str(), 0755);
    const std::string self = bench::selfPath();
    std::vector<std::string> disks;
    for (size_t v = 0; v < std::size(VARIANTS); v++) {
        std::string effect = shipped;
        bool applied = true;
        for (const Edit& edit : VARIANTS[v].edits) {
            if (!edit.from)
                continue;
            size_t at = effect.find(edit.from);
            if (at == std::string::npos) {
                std::fprintf(stderr, "effect_states: gui.fx has no '%s'\n", edit.from);
                applied = false;
                break;
            }
            effect.replace(at, std::strlen(edit.from), edit.to);
        }
        disks.push_back(std::string(folder) + "/v" + std::to_string(v));
        if (!applied || !makeVariantDisk(disk, disks.back(), effect))
            disks.back().clear();
    }
    std::vector<Result> results(disks.size());
    for (int round = 0; round < ROUNDS; round++) {
        for (size_t v = 0; v < disks.size(); v++) {
            if (disks[v].empty())
                continue;
            Result r = runChild(self, disks[v], outDir + "/variant" + std::to_string(v));
            if (r.ok && (!results[v].ok || r.cpu < results[v].cpu))
                results[v] = r;
        }
    }
    std::system(("rm -rf '" + std::string(folder) + "'").c_str());

    const Result& base = results[0];
    if (!base.ok) {
        std::fprintf(stderr, "effect_states: the shipped effect did not run\n");
        return 1;
    }
    std::printf("| main screen: quads per frame / pixels covered per frame (overdraw) | %zu / %.0f (%.1f x the window) | | |\n",
                base.quads, base.covered, base.covered / (WINDOW_WIDTH * WINDOW_HEIGHT));
    for (size_t v = 0; v < results.size(); v++) {
        const Result& r = results[v];
        if (!r.ok) {
            std::printf("| effect: %s | did not run | | |\n", VARIANTS[v].name);
            continue;
        }
        Difference d = compare(r.rgba, base.rgba);
        bool same = d.worstMean < SAME_MEAN && d.fraction < SAME_FRACTION;
        std::printf("| effect: %s | %.2f ms CPU per frame, least of %d (%.0f%% of shipped; %.0f%% of a core at 50 fps), "
                    "picture: mean diff %.2f, %.3f%% of pixels off by > %d, largest %d | | %s |\n",
                    VARIANTS[v].name, r.cpu, ROUNDS, 100.0 * r.cpu / base.cpu, r.cpu * 50.0 / 10.0, d.worstMean,
                    100.0 * d.fraction, SAME_PIXEL, d.largest,
                    v == 0 ? "reference"
                           : VARIANTS[v].probe ? "probe" : (same ? "same picture" : "different picture"));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--variant") == 0)
        return runVariant(argv[2], argv[3]);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_effect_states DISK_DIR OUT_DIR\n");
        return 2;
    }
    return runParent(argv[1], argv[2]);
}
