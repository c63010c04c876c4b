// The CPU cost of one frame of the sprite batch: submit N quads, order them by
// depth and write their vertices, in nanoseconds per quad, beside the floor of
// copying the same vertex bytes with memcpy and beside ordering with the standard
// library's (unstable) sort. Also counts allocations in steady frames.
//
//   bench_sprite_batch            prints the table of every size
//   bench_sprite_batch --rows     prints table rows | figure | value | goal | verdict |
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "gui/gui_vertex.h"
#include "gui/sprite_batch.h"
#include "platform/fake/fake_platform.h"

static std::atomic<long> allocations{0};

void* operator new(size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

using Clock = std::chrono::steady_clock;

static std::vector<DrawItem> frameItems(int n, gpu::Texture* a, gpu::Texture* b)
{
    // The depths a screen uses, texture runs of a few items, like the main screen.
    static const float depths[] = {1.0f, 0.9f, 0.85f, 0.61f, 0.6f, 0.59f, 0.2f, 0.1f};
    std::vector<DrawItem> items(static_cast<size_t>(n));
    uint32_t seed = 12345;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        items[size_t(i)] = DrawItem{1,
                                    1,
                                    1,
                                    0.5f,
                                    0,
                                    0,
                                    1,
                                    1,
                                    float(i % 100) * 0.01f,
                                    0,
                                    0.01f,
                                    0.02f,
                                    (seed >> 20) % 4 == 0 ? b : a,
                                    depths[(seed >> 24) % 8]};
    }
    return items;
}

// The best of several rounds: other work on the machine only ever adds time.
template <typename F>
static double nanosecondsPerQuad(int n, int frames, F frame)
{
    frame();  // warm up: buffers grow once
    double best = 1e300;
    for (int round = 0; round < 9; ++round) {
        auto start = Clock::now();
        for (int f = 0; f < frames; ++f)
            frame();
        best = std::min(best, std::chrono::duration<double, std::nano>(Clock::now() - start).count() / frames / n);
    }
    return best;
}

int main(int argc, char** argv)
{
    const bool rows = argc > 1 && std::strcmp(argv[1], "--rows") == 0;
    fake::FakePlatform platform;
    gpu::PresentParameters parameters = {};
    gpu::Device* device = nullptr;
    gpu::Texture *a = nullptr, *b = nullptr;
    platform.gpu.createDevice(nullptr, 0, 1, nullptr, 0, &parameters, &device);
    platform.gpu.createTextureFromFile(device, "a.png", &a);
    platform.gpu.createTextureFromFile(device, "b.png", &b);

    if (!rows)
        std::printf("%8s %14s %14s %10s %16s %12s\n", "quads", "batch ns/quad", "memcpy ns/quad", "ratio",
                    "std::sort ns/q", "allocs/frame");
    for (int n : {1000, 10000, 100000}) {
        std::vector<DrawItem> items = frameItems(n, a, b);
        const int frames = n >= 100000 ? 5 : 50;

        SpriteBatch batch(device);
        auto frame = [&] {
            platform.log().clear();
            for (const DrawItem& item : items)
                batch.submit(item);
            batch.buildGeometry();
            batch.discardFrame();
        };
        double batchNs = nanosecondsPerQuad(n, frames, frame);
        // The batch's own allocations in a steady frame: the frame's, less those of
        // the fake device's call log for the lock and unlock the frame makes.
        long before = allocations.load();
        frame();
        long frameAllocations = allocations.load() - before;
        void* data = nullptr;
        before = allocations.load();
        platform.gpu.lock(batch.vertexBuffer, 0, 0, &data, gpu::LOCK_DISCARD);
        platform.gpu.unlock(batch.vertexBuffer);
        long steadyAllocations = frameAllocations - (allocations.load() - before);

        std::vector<GuiVertex> source(size_t(n) * 4), target(size_t(n) * 4);
        double memcpyNs = nanosecondsPerQuad(n, frames, [&] {
            std::memcpy(target.data(), source.data(), source.size() * sizeof(GuiVertex));
            asm volatile("" : : "r"(target.data()) : "memory");
        });

        std::vector<DrawItem> sorted;
        sorted.reserve(items.size());
        double stdSortNs = nanosecondsPerQuad(n, frames, [&] {
            sorted.assign(items.begin(), items.end());
            std::sort(sorted.begin(), sorted.end(),
                      [](const DrawItem& x, const DrawItem& y) { return x.depth > y.depth; });
        });

        if (rows)
            std::printf(
                "| sprite batch, %d quads a frame: ns per quad (memcpy of its vertices / std::sort) | %.1f (%.1f / "
                "%.1f) | | |\n| sprite batch, %d quads: allocations in a steady frame | %ld | 0 | %s |\n",
                n, batchNs, memcpyNs, stdSortNs, n, steadyAllocations, steadyAllocations == 0 ? "met" : "NOT met");
        else
            std::printf("%8d %14.2f %14.2f %10.2f %16.2f %12ld\n", n, batchNs, memcpyNs, batchNs / memcpyNs, stdSortNs,
                        steadyAllocations);
        batch.release();
    }
    if (!rows)
        std::printf("(allocs/frame: the batch's own allocations in a steady frame)\n");
    return 0;
}
