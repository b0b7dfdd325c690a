#pragma once
// MIDI clock from a thread of its own, for an output whose callback cannot
// write MIDI at a frame (PulseAudio, ALSA): the thread looks at the
// playback at least every millisecond, and sooner when the next message is
// nearer, and sends Start, the queued clocks and Stop each once the frame
// it belongs to sounds.
//
// The frame sounding is LoopBuffer::positionNow: the outputs that write
// ahead (PulseAudio, ALSA) note the frame the server or device plays, so
// messages leave with the sound, not a buffer early.
//
// A playback is seen begin and end in the loop's view: Start goes when its
// frame 0 sounds, Stop when the frame it ended at does (or StopWait after
// the end was seen, should the position stand still). A clock of an earlier
// priming (a Stop, a restart) is dropped, as is one at or after the frame
// the playback ended at; one of a priming still to play waits for it.
//
// Threads: poll and finish on the sender's thread only (ClockOutput's
// consumer); no lock, no allocation.

#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/clock_out.h"
#include "engine/loop_buffer.h"

namespace tamboro {

class ClockSender {
public:
    static constexpr uint32_t LongestWait = 1000;      // microseconds between two looks, at most
    static constexpr uint32_t StopWait = 500000;       // microseconds
    // A position this far ahead of the view's is a stamp of an earlier
    // playback (read in the instant a new one began): the view's is used.
    static constexpr int32_t MostAheadBytes = 4 * 44100 * 3 / 10;

    explicit ClockSender(ClockOutput& output) : output_(output), startPosition_(output.startPosition()) {}

    // One look at `micros` (a monotonic clock in microseconds, modulo 2^32):
    // `view` is the loop's view and `position` the byte position sounding
    // now. send(status) gets what is due, in order. Returns the
    // microseconds to the next look.
    template <typename Send>
    uint32_t poll(const LoopBuffer::View& view, uint32_t position, uint32_t micros, Send&& send);

    // The stream closes: the Stop of a playback whose Start went out.
    template <typename Send>
    void finish(Send&& send);

private:
    template <typename Send>
    void serve(const LoopBuffer::View& view, int64_t played, uint32_t micros, uint32_t& wait, Send& send);
    template <typename Send>
    void sendClocks(int64_t played, int64_t limit, uint32_t& wait, Send& send);
    static void waitFrames(int64_t frames, uint32_t& wait) {
        const int64_t micros = std::max<int64_t>(frames, 1) * 1000000 / 44100;
        wait = static_cast<uint32_t>(std::min<int64_t>(wait, std::max<int64_t>(micros, 20)));
    }

    ClockOutput& output_;
    const uint32_t startPosition_;
    bool current_ = false;      // a playback is followed
    bool on_ = false;           // its messages go out (not in a sync mode)
    bool started_ = false;      // its frame 0 has sounded
    bool ending_ = false;       // the view shows it ended
    uint32_t epoch_ = 0;
    int64_t endFrame_ = 0;      // where it ended; -1: not known (the next began at once)
    uint32_t endSeenAt_ = 0;
    bool haveLast_ = false;     // a playback was followed before: lastEpoch_ is not seen again
    uint32_t lastEpoch_ = 0;
    ClockOutput::Clock next_{};
    bool haveNext_ = false;
};

template <typename Send>
uint32_t ClockSender::poll(const LoopBuffer::View& view, uint32_t position, uint32_t micros, Send&& send) {
    if (view.active && static_cast<int32_t>(position - view.position) > MostAheadBytes)
        position = view.position;
    const int64_t played = static_cast<int32_t>(position - startPosition_) / 4;
    uint32_t wait = LongestWait;
    serve(view, played, micros, wait, send);
    if (!current_ && view.active && (!haveLast_ || view.epoch != lastEpoch_)) {
        current_ = true;
        on_ = output_.sending();
        started_ = false;
        ending_ = false;
        epoch_ = view.epoch;
        serve(view, played, micros, wait, send);
    }
    return wait;
}

template <typename Send>
void ClockSender::serve(const LoopBuffer::View& view, int64_t played, uint32_t micros, uint32_t& wait, Send& send) {
    if (!current_)
        return;
    const bool own = view.epoch == epoch_;   // the position is this playback's
    if (!ending_ && (!view.active || !own)) {
        ending_ = true;
        endSeenAt_ = micros;
        endFrame_ = own ? static_cast<int32_t>(view.position - startPosition_) / 4 : -1;
    }
    if (!started_) {
        if (!ending_ && played < 0) {
            waitFrames(-played, wait);
            return;
        }
        if (!ending_) {
            if (on_)
                send(MidiStartStatus);
            started_ = true;
        }
    }
    if (started_)
        sendClocks(own ? played : -1, !ending_ ? std::numeric_limits<int64_t>::max() : own ? endFrame_ : 0, wait,
                   send);
    if (!ending_)
        return;
    const bool due = !own || endFrame_ < 0 || played >= endFrame_ || !started_ || micros - endSeenAt_ >= StopWait;
    if (!due) {
        waitFrames(endFrame_ - played, wait);
        return;
    }
    if (started_ && on_)
        send(MidiStopStatus);
    current_ = false;
    haveLast_ = true;
    lastEpoch_ = epoch_;
}

template <typename Send>
void ClockSender::sendClocks(int64_t played, int64_t limit, uint32_t& wait, Send& send) {
    for (;;) {
        if (!haveNext_) {
            haveNext_ = output_.takeQueued(next_);
            if (!haveNext_)
                return;
        }
        const auto newer = static_cast<int32_t>(next_.epoch - epoch_);
        if (newer > 0)
            return;   // a priming to come
        if (newer == 0 && next_.frame < limit) {
            if (next_.frame > played) {
                waitFrames(next_.frame - played, wait);
                return;
            }
            if (on_)
                send(MidiClockStatus);
        }
        haveNext_ = false;
    }
}

template <typename Send>
void ClockSender::finish(Send&& send) {
    if (current_ && started_ && on_)
        send(MidiStopStatus);
    current_ = false;
}

}  // namespace tamboro
