#pragma once
// Following the JACK transport (Options > Follow JACK Transport, tamboro
// --play --jack-transport), the output's side: at the top of every cycle
// the JACK client hands over what the transport says, before the loop
// obeys its own transport word.
//
// - Rolling starts the playback, stopping stops it, at the top of the
//   cycle. A transport that waits to roll again after a locate (JACK's
//   Starting) still counts as rolling; one that waits to roll from
//   standing does not yet. The first half must hold the transport's position: the main
//   thread primes for a transport frame and offers it (`primed`); the cycle
//   that begins at that frame while rolling takes it in one atomic step and
//   starts the loop. A priming that does not match (the transport was
//   started right after a locate) begins the playback at a later cycle the
//   main thread primes for in time.
// - What the transport says (its frame, bar, beat, tick and tempo when a
//   timebase master gives them) goes to the main thread through a
//   lock-free ring: whenever it changes, after a relocation, and every
//   10 ms while rolling.
//
// Threads: `cycle` on the output's process thread (JACK's); it never
// allocates, locks or blocks. Everything else on the main thread.

#include <atomic>
#include <cstdint>

#include "engine/event_ring.h"
#include "engine/loop_buffer.h"

namespace tamboro {

// The transport at the top of a cycle, as JACK reports it.
struct TransportSample {
    bool rolling = false;
    bool starting = false;       // waiting to roll (after a locate while rolling, or before rolling)
    uint32_t frame = 0;          // the transport's frame, at the server's rate
    uint32_t rate = 44100;       // the server's rate
    uint32_t cycleFrames = 0;    // frames in this cycle
    bool bbt = false;            // a timebase master gives the fields below
    int32_t bar = 1;             // from 1
    int32_t beat = 1;            // from 1
    int32_t tick = 0;
    double ticksPerBeat = 1920;
    double beatsPerBar = 4;
    double beatType = 4;
    double beatsPerMinute = 120;
};

struct TransportEvent {
    enum class Kind : uint8_t { Said, Began };
    Kind kind = Kind::Said;
    bool jumped = false;          // the frame is not where rolling would have put it
    bool sounding = false;        // a playback sounded at the top of the cycle
    uint32_t position = 0;        // the loop's byte position at the top of the cycle
    TransportSample sample;
};

class TransportInput {
public:
    static constexpr size_t RingEvents = 1024;
    static constexpr int64_t Begun = -2;

    explicit TransportInput(LoopBuffer& loop) : loop_(loop) {}
    TransportInput(const TransportInput&) = delete;
    TransportInput& operator=(const TransportInput&) = delete;

    // --- Process thread ---
    void cycle(const TransportSample& sample);

    // --- Main thread ---
    void setFollow(bool on) { follow_.store(on, std::memory_order_release); }
    bool following() const { return follow_.load(std::memory_order_acquire); }
    bool nextEvent(TransportEvent& event) { return events_.pop(event); }
    // The first half holds the playback for transport frame `frame`; -1: none.
    void primed(int64_t frame) { primedFrame_.store(frame, std::memory_order_release); }
    int64_t primedFrame() const { return primedFrame_.load(std::memory_order_acquire); }
    // As MidiSyncInput::takeBackPriming: false while a cycle has begun the
    // playback with it and the transport still rolls.
    bool takeBackPriming();
    // Forgets everything (turning following on). Only while no cycle runs
    // with this input.
    void forget();

private:
    void tell(const TransportEvent& event);

    LoopBuffer& loop_;
    std::atomic<bool> follow_{false};
    std::atomic<bool> rolling_{false};      // as the last cycle saw it
    std::atomic<int64_t> primedFrame_{-1};
    EventRing<TransportEvent, RingEvents> events_;

    // Process thread only.
    bool running_ = false;       // a playback was begun and the transport rolls
    bool wasRolling_ = false;
    bool said_ = false;          // something was told since the last forget
    TransportSample last_;
    uint32_t sinceTold_ = 0;     // frames since the last report while rolling
};

}  // namespace tamboro
