// audio_queue: a fixed-size single-producer single-consumer queue without locks.
//
// Carries commands from the main thread to the audio thread and released channels
// back. Neither side ever blocks or allocates: push fails when the queue is full,
// pop fails when it is empty.
//
// One side may change threads, provided the old thread's last call happens before
// the new one's first: the engine's command queue has two consumers in turn (and
// its release queue two producers), the audio thread while a device is open and
// the device watch while none is. The watch takes over only after
// SDL_CloseAudioDevice has returned, which joins SDL's audio thread, so the
// callback's last pop is done and visible; it hands back by opening a device,
// which starts that thread after its own last pop. Each index is thus written by
// one thread at a time, and the release/acquire pairs below still pair up.
#pragma once
#include <atomic>
#include <cstdint>

namespace audio_engine {

template <typename T, uint32_t Capacity>
struct SpscQueue {
    static_assert((Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

    T items[Capacity];
    std::atomic<uint32_t> pushed{0}; // written by the producer only
    std::atomic<uint32_t> popped{0}; // written by the consumer only

    bool push(const T& item)
    {
        uint32_t head = pushed.load(std::memory_order_relaxed);
        if (head - popped.load(std::memory_order_acquire) == Capacity)
            return false;
        items[head % Capacity] = item;
        pushed.store(head + 1, std::memory_order_release);
        return true;
    }

    // From any thread, as a hint: the answer may be out of date when it arrives.
    bool empty() const { return pushed.load(std::memory_order_acquire) == popped.load(std::memory_order_acquire); }

    bool pop(T& item)
    {
        uint32_t tail = popped.load(std::memory_order_relaxed);
        if (tail == pushed.load(std::memory_order_acquire))
            return false;
        item = items[tail % Capacity];
        popped.store(tail + 1, std::memory_order_release);
        return true;
    }
};

} // namespace audio_engine
