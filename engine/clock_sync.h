#pragma once
// MIDI Sync's real-time messages, and following a master's MIDI clock
// (Options > Follow MIDI Clock, tamboro --play --midi-clock).
//
// Without following, Start and Continue start the playback from step 0
// and Stop stops it, as soon as the output obeys its transport.
//
// While following:
// - Start arms the playback at step 0, Continue at the song position last
//   received (Song Position Pointer, in sixteenth notes, since the last
//   Start or Stop; step 0 when none came). The playback begins at the first
//   clock after them, at that clock's own frame. A Start without clock
//   waits for one; clocks before any Start are ignored.
// - The first half must hold the step the playback begins with. The main
//   thread primes it and says which step it holds (`primed`); the clock
//   that begins the playback takes that priming in one atomic step, so the
//   main thread never renders into a half about to be begun with. A priming
//   that does not match (the song position came with the Continue, too late
//   to prime for its first clock) makes the playback begin at a later step
//   boundary of the master whose step the main thread primes in time.
// - Every clock after the beginning goes to the main thread with the
//   playback frame it came at, through a lock-free ring. A flood of clocks
//   fills no more than the ring's clock share: Start, Stop and the song
//   position always find room.
//
// Threads: `receive` on the MIDI input's thread (on JACK, the process
// callback, between the loop's reads, so the loop stands exactly at the
// message's frame); it never allocates, locks or blocks. Everything else
// on the main thread. One input is open at a time.

#include <atomic>
#include <cstdint>

#include "engine/event_ring.h"
#include "engine/loop_buffer.h"

namespace tamboro {

inline constexpr uint32_t MidiClock = 0xF8;
inline constexpr uint32_t MidiSongPosition = 0xF2;

struct SyncEvent {
    enum class Kind : uint8_t { Start, Continue, Stop, SongPosition, Began, Clock };
    Kind kind = Kind::Clock;
    bool sounding = false;   // Clock: a playback sounded when it came
    uint32_t value = 0;      // Continue, SongPosition: the song position in steps;
                             // Began, Clock: the clock's number since the Start or Continue
    uint32_t position = 0;   // Clock: the loop's byte position when it came
};

class MidiSyncInput {
public:
    static constexpr size_t RingEvents = 4096;
    static constexpr size_t ReservedForMessages = 64;   // never taken by clocks

    explicit MidiSyncInput(LoopBuffer& loop) : loop_(loop) {}
    MidiSyncInput(const MidiSyncInput&) = delete;
    MidiSyncInput& operator=(const MidiSyncInput&) = delete;

    // --- MIDI input thread ---
    // One message, status byte low, data bytes above it.
    void receive(uint32_t message);

    // --- Main thread ---
    // Whether the next Start or Continue follows the clock.
    void setFollowClock(bool on) { follow_.store(on, std::memory_order_release); }
    bool nextEvent(SyncEvent& event) { return events_.pop(event); }
    // Clocks counted since the last Start or Continue while armed.
    uint32_t clocksWhileArmed() const { return armedClocks_.load(std::memory_order_acquire); }

    // The first half holds master step `step` (unwrapped), rendered for
    // following; -1: nothing a beginning may use.
    void primed(int64_t step) { primedStep_.store(step, std::memory_order_release); }
    // Takes back the priming before the first half is rendered anew. False
    // while a clock has begun the playback with it and no Stop came since:
    // the half is not to be touched then.
    bool takeBackPriming();
    // The step of the priming now offered (-1: none; Begun: taken).
    int64_t primedStep() const { return primedStep_.load(std::memory_order_acquire); }
    static constexpr int64_t Begun = -2;

    // Forgets every message (arming, or no input open). Only while no
    // message is delivered.
    void forget();

private:
    void songPosition(uint32_t message);
    void arm(SyncEvent::Kind kind, uint32_t step);
    void clock();
    void tell(const SyncEvent& event);

    LoopBuffer& loop_;
    std::atomic<bool> follow_{false};
    std::atomic<int64_t> primedStep_{-1};
    std::atomic<uint32_t> armedClocks_{0};
    EventRing<SyncEvent, RingEvents> events_;

    // MIDI thread only.
    bool following_ = false;   // this run follows the clock
    bool armed_ = false;
    bool running_ = false;
    uint32_t clocks_ = 0;
    uint32_t songPosition_ = 0;
    int64_t wantedStep_ = 0;
};

}  // namespace tamboro
