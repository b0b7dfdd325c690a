#pragma once
// The MixBuffer as the output device plays it: 65,536 bytes looped forever,
// a 44,100 Hz byte counter, and the atomics through which the main thread,
// the audio callback and the MIDI thread meet without locks.
//
// Each half has one atomic word: the half's state (free, writing, ready,
// playing) and its tag, the priming (epoch) and the segment of the playback
// (0, 1, 2, ... counted in halves) that it holds. The main thread claims a
// free or stale half, renders it and publishes it ready (release); the
// callback claims a ready half with the tag it expects on entering it
// (acquire) and frees it on leaving (release). So the callback never reads a
// half being written, and a late refill means silence, never a torn half.
//
// The callback publishes its own view (epoch, active, byte position) after
// each read; the refill decides from that view alone.
//
// Start and Stop reach the callback as one atomic transport word: a start
// generation and a running bit. The callback obeys it at the top of each
// device period and, where a MIDI message arrives inside the period (JACK),
// at that message's frame. A Start while running changes nothing; a Stop
// and a Start inside one period still give a new generation, and the
// callback then waits for a fresh priming (step 0) before it sounds.
// An output that queues audio ahead of the device (a sound server's
// buffer) may listen to the transport, to act on a change at once instead
// of at its next period.
//
// A fade-out asked for by the main thread ends a playback in FadeFrames
// frames instead of at once (the end of tamboro --play).
//
// Threads: functions marked "callback" run on the audio callback thread
// only (one at a time, never concurrently with resetForStream); "any" may
// run on any thread, the MIDI thread included; all others: main thread.

#include <atomic>
#include <cstdint>
#include <memory>

namespace tamboro {

// Told of each change of the transport word, on the thread that made it
// (the MIDI thread too, which on JACK is a real-time thread): it must not
// block, allocate or lock.
class TransportListener {
public:
    virtual void transportChanged() noexcept = 0;

protected:
    ~TransportListener() = default;
};

class LoopBuffer {
public:
    static constexpr uint32_t Bytes = 65536;
    static constexpr uint32_t HalfBytes = Bytes / 2;

    // `startPosition` is the byte count at which every playback starts; a
    // multiple of 65,536, so that position modulo 65,536 is the offset in the
    // buffer. 0 in the program; tests start near 2^32 to cross the wrap.
    explicit LoopBuffer(uint32_t startPosition = 0);
    LoopBuffer(const LoopBuffer&) = delete;
    LoopBuffer& operator=(const LoopBuffer&) = delete;

    // The storage. allocate returns false when the memory cannot be had.
    // release may only run while no stream reads the buffer.
    bool allocate();
    void release();
    bool allocated() const { return frames_ != nullptr; }
    // The whole buffer, for a render that owns it (no stream open).
    int16_t* data() { return frames_.get(); }

    // --- Transport (any thread) ---
    void requestStart();
    void requestStop();
    void resetTransport();              // stopped, no pending Start
    bool transportRunning() const;
    // Main thread. The listener (or null) must outlive every thread that may
    // still change the transport after it is replaced.
    void setTransportListener(TransportListener* listener);

    // --- Main thread ---
    // Frees both halves and forgets the callback's state. Only while no
    // callback can run (before a stream starts, after it has closed).
    void resetForStream();

    // Claims the first half for segment 0 of a new priming and returns it
    // to be rendered, or null while the callback still plays it.
    int16_t* beginPriming();
    // The latest priming, as View::epoch will show it while it plays.
    uint32_t primingEpoch() const { return epoch_; }
    // True while the first half holds the latest priming, not yet played.
    bool primedAndUnplayed() const;

    // The half the refill should render next, from the callback's view: the
    // segment after the one playing (or segment 1 before the callback has
    // begun a primed playback that was started). Null when nothing is due.
    // `half` is set to 0 or 1.
    int16_t* beginRefill(int& half);

    // Publishes the half claimed by beginPriming or beginRefill as ready.
    void publish();

    // The byte position sounding now (any thread): the last one the
    // callback noted, moved on by the time since then (at most a quarter of
    // a second); a MIDI message's frame on JACK (markMessage) as it is. A
    // MIDI message that arrives on a thread of its own is placed on the
    // playback's frames by it. Before the playback's first frame has
    // sounded it lies before the playback's start (modulo 2^32).
    uint32_t positionNow() const;
    // An output that writes ahead of the sound (a sound server's buffer, an
    // ALSA device's) says so while no stream is open; it then notes the
    // sounding position itself (markSounding), and a read notes none.
    void writesAhead(bool ahead) { writesAhead_ = ahead; }
    // The clock of those times, microseconds modulo 2^32: the monotonic
    // clock, or a test's own. Only while no stream is open.
    using Microseconds = uint32_t (*)();
    void useClock(Microseconds clock) { clock_ = clock; }

    struct View {
        bool active = false;            // a playback sounds
        uint32_t epoch = 0;             // the priming it plays
        uint32_t position = 0;          // bytes since the start of the playback (+ startPosition)
    };
    View view() const;                  // any thread

    // Ends the playback within FadeFrames frames, linearly down to zero,
    // and silences the output after it (any thread). resetForStream forgets it.
    static constexpr uint32_t FadeFrames = 256;
    void requestFadeOut();
    // True once a fade-out asked for has ended (or found nothing playing).
    bool fadedOut() const;

    // --- Audio callback ---
    // What obeying the transport did.
    enum class Obeyed { Nothing, Began, Ended };
    // Obeys the transport: at the top of each device period, and at the
    // frame of a MIDI message inside it, between two readFrames. A
    // playback that begins sounds from the next frame read; one that ends
    // is silent from there on. (A resampler resets on Began and Ended.)
    Obeyed obeyTransport();
    // Copies `frames` stereo frames (16-bit, left then right) at the current
    // offset and advances the byte counter; silence while no playback
    // sounds or when a half was not ready in time. Notes the time (markTime).
    void readFrames(int16_t* out, uint32_t frames);
    // Notes that the playback stands at its position now: after each read.
    // A beginning notes it too, on every output: the PulseAudio output
    // throws away what the server holds when a playback begins, so its
    // first frame sounds at once; on ALSA the note after the first read
    // puts it a buffer later.
    void markTime();
    // On JACK before each MIDI message inside the period: the loop stands
    // exactly at the message's frame, and positionNow gives that position,
    // without the time since, until the next note. The thread may be held
    // up between here and the message's handling; the frame stays exact.
    void markMessage();
    // An output that writes ahead: `queuedFrames` frames read so far have
    // not sounded yet, so the frame that many before the read position
    // sounds now. Ignored while no playback is active.
    void markSounding(uint32_t queuedFrames);
    // A sound server's report of the frames read that have not sounded yet
    // (callback). Each report is a little off, and a clock placed by it
    // would carry the error into the follower's line: the sounding position
    // is steered an eighth of the way towards each report. A report more
    // than 10 ms off is a real jump (a beginning, the server's latency
    // changed) and is taken as it is.
    void reportQueued(uint32_t reportedFrames);
    // The frames read that have not sounded yet by the last note, as the
    // time since then tells (callback).
    uint32_t queuedNow() const { return (player_.position - positionNow()) / 4; }

private:
    enum State : uint64_t { Free = 0, Writing = 1, Ready = 2, Playing = 3 };
    static constexpr uint64_t SegmentMask = (1u << 17) - 1;   // segments wrap with the 32-bit position
    static constexpr uint64_t EpochMask = (1u << 30) - 1;

    static uint64_t word(State state, uint64_t epoch, uint64_t segment) {
        return (epoch & EpochMask) << 19 | (segment & SegmentMask) << 2 | state;
    }
    static State stateOf(uint64_t w) { return static_cast<State>(w & 3); }
    static uint64_t tagOf(uint64_t w) { return w >> 2; }
    static uint64_t tag(uint64_t epoch, uint64_t segment) { return word(Free, epoch, segment) >> 2; }

    void leaveCurrentHalf();
    void enterHalf();
    void endPlayback();
    void fade(int16_t* out, uint32_t frames);
    void publishView();
    int16_t* claim(int half, uint64_t epoch, uint64_t segment);
    void tellListener();

    const uint32_t startPosition_;
    std::unique_ptr<int16_t[]> frames_;
    std::atomic<uint64_t> halves_[2];
    std::atomic<uint32_t> transport_{0};    // generation << 1 | running
    std::atomic<TransportListener*> listener_{nullptr};
    std::atomic<uint64_t> view_{0};         // epoch << 33 | active << 32 | position
    // position << 32 | exact << 31 | the time it was noted, in microseconds
    // modulo 2^31 (a note is never older than LongestExtrapolation anyway).
    static constexpr uint64_t ExactBit = uint64_t{1} << 31;
    static constexpr uint32_t TimeMask = 0x7FFFFFFF;
    uint64_t stampAt(uint32_t position, bool exact) const;
    std::atomic<uint64_t> stamp_{0};
    Microseconds clock_;
    bool writesAhead_ = false;
    std::atomic<uint32_t> fade_{0};         // FadeState

    // Main thread only.
    uint32_t epoch_ = 0;                    // the latest priming
    int claimedHalf_ = -1;
    uint64_t claimedWord_ = 0;

    // Callback only (reset by resetForStream while no callback runs).
    struct Player {
        bool active = false;
        bool haveHalf = false;              // the current half is claimed
        uint32_t epoch = 0;
        uint32_t lastEpoch = 0;             // a priming is played once
        uint32_t generation = 0;
        uint32_t position = 0;
        uint32_t fadeLeft = 0;              // frames of a fade-out still to go
    } player_;
};

}  // namespace tamboro
