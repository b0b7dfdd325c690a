#pragma once
// A single-producer, single-consumer ring of small events between two
// threads, without locks or allocation after construction: the MIDI input's
// thread (on JACK the process callback) pushes, the main thread pops.
//
// Threads: `push` and `freeSlots` on the producer's thread only, `pop` and
// `clear` on the consumer's thread only; `clear` only while the producer
// pushes nothing.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace tamboro {

template <typename T, size_t Capacity>
class EventRing {
    static_assert((Capacity & (Capacity - 1)) == 0, "the capacity is a power of two");
    static_assert(std::is_trivially_copyable_v<T>);

public:
    // False when the ring is full: the event is dropped.
    bool push(const T& event) {
        const uint64_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) >= Capacity)
            return false;
        slots_[tail & (Capacity - 1)] = event;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    size_t freeSlots() const {
        return Capacity - static_cast<size_t>(tail_.load(std::memory_order_relaxed) -
                                              head_.load(std::memory_order_acquire));
    }

    // False when the ring is empty.
    bool pop(T& event) {
        const uint64_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire))
            return false;
        event = slots_[head & (Capacity - 1)];
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    void clear() {
        head_.store(tail_.load(std::memory_order_acquire), std::memory_order_release);
    }

private:
    std::array<T, Capacity> slots_{};
    alignas(64) std::atomic<uint64_t> head_{0};
    alignas(64) std::atomic<uint64_t> tail_{0};
};

}  // namespace tamboro
