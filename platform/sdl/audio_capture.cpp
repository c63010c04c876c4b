// The capture ring of what the output was sent (audio_capture.h).
#include "platform/sdl/audio_capture.h"

#include <atomic>
#include <cstring>

#if defined(__EMSCRIPTEN__)
#include <emscripten.h>
#define CAPTURE_EXPORT EMSCRIPTEN_KEEPALIVE
#else
#define CAPTURE_EXPORT
#endif

namespace audio_engine {

static float ring[CAPTURE_FRAMES * 2];
static std::atomic<uint64_t> captured{0};

void captureMix(const float* samples, uint32_t frames)
{
    uint64_t total = captured.load(std::memory_order_relaxed);
    for (uint32_t done = 0; done < frames;) {
        uint32_t at = uint32_t((total + done) % CAPTURE_FRAMES);
        uint32_t count = frames - done < CAPTURE_FRAMES - at ? frames - done : CAPTURE_FRAMES - at;
        std::memcpy(ring + size_t(at) * 2, samples + size_t(done) * 2, size_t(count) * 2 * sizeof(float));
        done += count;
    }
    captured.store(total + frames, std::memory_order_release);
}

}  // namespace audio_engine

using audio_engine::CAPTURE_FRAMES;

extern "C" CAPTURE_EXPORT int musicdisk_capture(float* out, int frames)
{
    if (!out || frames <= 0)
        return 0;
    uint64_t total = audio_engine::captured.load(std::memory_order_acquire);
    uint64_t count = uint64_t(frames);
    count = count < total ? count : total;
    count = count < CAPTURE_FRAMES ? count : CAPTURE_FRAMES;
    for (uint64_t i = 0; i < count; i++) {
        uint64_t at = (total - count + i) % CAPTURE_FRAMES;
        out[i * 2] = audio_engine::ring[at * 2];
        out[i * 2 + 1] = audio_engine::ring[at * 2 + 1];
    }
    return int(count);
}

extern "C" CAPTURE_EXPORT double musicdisk_capture_total()
{
    return double(audio_engine::captured.load(std::memory_order_acquire));
}
