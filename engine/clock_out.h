#pragma once
// Sending MIDI clock (Options > Send MIDI Clock, tamboro --play
// --midi-clock-out) while Tamboro plays on its own: Start at the frame the
// playback begins, 24 clocks a beat at the tempo it really plays (six in
// every rendered step, one at each sixth of it, so that a slave stays with
// what it hears, the truncated step and the shuffle included), and Stop at
// the frame the playback ends.
//
// The main thread knows each step's frames when it renders a half: it
// places the clocks of that half (ClockPlanner) and queues them, tagged
// with the priming they belong to, through a lock-free ring. The output's
// callback (ClockOutput::period) writes Start, the clocks that fall in its
// period and Stop, each at its own frame of the period. A step that goes on
// into the next half is divided by the length its next half will give it
// (the shuffle's draws are made ahead on a copy of the generator), so a
// clock is never sent before it is sure, unless the tempo is changed in
// the meantime.
//
// Threads: ClockPlanner and ClockOutput's queue, setSending and forget on
// the main thread; ClockOutput::period on the output's callback thread
// only (no allocation, no lock).

#include <atomic>
#include <cstdint>

#include "engine/event_ring.h"
#include "engine/loop_buffer.h"
#include "engine/song_state.h"

namespace tamboro {

inline constexpr uint8_t MidiClockStatus = 0xF8;
inline constexpr uint8_t MidiStartStatus = 0xFA;
inline constexpr uint8_t MidiStopStatus = 0xFC;

// Where steps began in one rendered half: Block numbers 1..128 after which
// a new step began (its first frame is the Block's end).
struct StepMarks {
    int count = 0;
    uint8_t blocks[BlocksPerHalf] = {};
};

// The Blocks the step now sounding will last in all, as its next halves
// will render it (no change of tempo or shuffle assumed).
uint32_t predictedStepBlocks(const SongState& song);

class ClockOutput {
public:
    static constexpr size_t RingClocks = 1024;
    static constexpr int MostEventsAPeriod = 64;

    struct Clock {
        uint32_t epoch;   // the priming (LoopBuffer::primingEpoch) the clock belongs to
        uint32_t frame;   // the playback frame it falls on
    };

    explicit ClockOutput(uint32_t startPosition) : startPosition_(startPosition) {}
    // The loop's byte position at which every playback begins.
    uint32_t startPosition() const { return startPosition_; }

    // --- Main thread ---
    void setSending(bool on) { sending_.store(on, std::memory_order_release); }
    bool sending() const { return sending_.load(std::memory_order_acquire); }
    // Drops the clock when the ring is full (the callback is far behind).
    void queue(const Clock& clock) { clocks_.push(clock); }

    // --- The one consumer: the callback through period, or a sender
    // thread of its own (engine/clock_sender.h) where the callback cannot
    // send ---
    bool takeQueued(Clock& clock) { return clocks_.pop(clock); }

    // --- Callback ---
    // One period of `frames` output frames, after the loop has played it:
    // `beganAt` and `endedAt` are the offsets at which a playback began or
    // ended in it (-1: none), `end` the loop's view after it, and
    // `loopFramesPerFrame` the loop frames an output frame takes (1 at
    // 44,100 Hz). write(offset, status) gets Start, the clocks and Stop in
    // the order of their offsets.
    template <typename Write>
    void period(int beganAt, int endedAt, const LoopBuffer::View& end, uint32_t frames, double loopFramesPerFrame,
                Write&& write);

private:
    struct Event {
        uint32_t offset;
        uint8_t status;
    };

    const uint32_t startPosition_;
    std::atomic<bool> sending_{false};
    EventRing<Clock, RingClocks> clocks_;
    // Callback only.
    Clock next_{};
    bool haveNext_ = false;
};

// The main thread's side: the clocks of each half it renders without
// following a master.
class ClockPlanner {
public:
    // A priming: step 0 begins at frame 0 of playback `epoch`.
    void begin(uint32_t epoch);
    // The half of playback frames [halfStart, halfStart + 8192) was rendered
    // with the step starts `marks`; `song` as it stands after it. Queues its
    // clocks.
    void rendered(int64_t halfStart, const StepMarks& marks, const SongState& song, ClockOutput& out);

private:
    void queueStep(int64_t upTo, int64_t length, ClockOutput& out);

    uint32_t epoch_ = 0;
    int64_t stepStart_ = 0;   // the first frame of the step now sounding
    int sent_ = 0;            // its clocks queued so far
};

template <typename Write>
void ClockOutput::period(int beganAt, int endedAt, const LoopBuffer::View& end, uint32_t frames,
                         double loopFramesPerFrame, Write&& write) {
    Event events[MostEventsAPeriod];
    int count = 0;
    const bool on = sending();
    auto add = [&](uint32_t offset, uint8_t status) {
        if (count < MostEventsAPeriod)
            events[count++] = Event{offset < frames ? offset : frames - 1, status};
    };
    if (on && beganAt >= 0)
        add(static_cast<uint32_t>(beganAt), MidiStartStatus);
    // The clocks of the playback that sounds, up to the period's end.
    if (end.active) {
        const uint32_t played = (end.position - startPosition_) / 4;   // playback frames at the period's end
        for (;;) {
            if (!haveNext_) {
                haveNext_ = clocks_.pop(next_);
                if (!haveNext_)
                    break;
            }
            const auto newer = static_cast<int32_t>(next_.epoch - end.epoch);
            if (newer > 0)
                break;   // a priming to come: its playback has not begun
            if (newer == 0 && next_.frame >= played)
                break;   // a later period's
            // Frames of the period back from its end; an earlier playback's
            // clock, or one already past (never queued late but by a stall), goes.
            const double back = newer < 0 ? frames + 1.0 : (played - next_.frame) / loopFramesPerFrame;
            if (on && back <= frames)
                add(frames - static_cast<uint32_t>(back + 0.5), MidiClockStatus);
            haveNext_ = false;
        }
    }
    if (on && endedAt >= 0)
        add(static_cast<uint32_t>(endedAt), MidiStopStatus);
    // In the order of their offsets, Start before a clock at the same frame.
    for (int i = 1; i < count; ++i)
        for (int j = i; j > 0 && events[j - 1].offset > events[j].offset; --j) {
            const Event e = events[j];
            events[j] = events[j - 1];
            events[j - 1] = e;
        }
    for (int i = 0; i < count; ++i)
        write(events[i].offset, events[i].status);
}

}  // namespace tamboro
