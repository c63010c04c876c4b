// audio_queue: a fixed-size single-producer single-consumer queue without locks.
//
// Carries commands from the main thread to the audio thread and released channels
// back. Neither side ever blocks or allocates: push fails when the queue is full,
// pop fails when it is empty.
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
