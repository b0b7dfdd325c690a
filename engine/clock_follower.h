#pragma once
// Following a MIDI clock: from the frames at which a master's clocks (24 a
// beat) arrived, the period and the phase of its clock, and so the frame at
// which any later clock is due. Pure arithmetic on numbers it is given.
//
// The estimate is a least-squares line through the last `Window` clocks,
// frame = phase + period x index. Fitted to where the clocks were, it
// averages the jitter of single clocks away and carries no error from one
// beat to the next. While the clocks are still few, the period assumed at
// the start (the song's tempo, or the tempo followed last) holds the line
// steady; it is let go as soon as the clocks disagree with it beyond their
// jitter. A change of tempo shows as clocks that keep coming early or late:
// after three in a row the line is fitted afresh from the clock before them
// on, with the old period as a loose guess.
//
// Once a beat of clocks is fitted, a clock that comes clearly more than a
// period after the last one tells of clocks lost, or of a master that
// paused its clock: it takes the index the line expects at its frame. So
// the estimate holds the last tempo through a gap and locks on again where
// the clocks resume. Three such gaps in a row are a master that slowed down
// by a third or more at once: the clocks since are consecutive after all.
// And when the clock after such a gap comes too soon after it, the gap was
// a clock handed on late (the thread that reads the input held up), with
// any that came during the hold-up in a burst behind it: they are counted
// one by one from the clock before the gap, and kept out of the line until
// a clock comes on it again.
//
// Threads: one follower belongs to one thread (the main thread in the
// program). No allocation after construction.

#include <array>
#include <cstdint>

namespace tamboro {

inline constexpr int ClocksPerBeat = 24;
inline constexpr int ClocksPerStep = 6;   // a step is a sixteenth note

// Frames of 44,100 Hz per clock at `tempo` beats per minute.
constexpr double framesPerClockAt(double tempo) {
    return 44100.0 * 60.0 / (ClocksPerBeat * tempo);
}
// The tempo of a clock `framesPerClock` frames apart.
constexpr double tempoOfClock(double framesPerClock) {
    return 44100.0 * 60.0 / (ClocksPerBeat * framesPerClock);
}

class ClockFollower {
public:
    static constexpr int Window = 96;                      // four beats of clocks
    static constexpr double MinTempo = 10;                 // the period is kept inside these
    static constexpr double MaxTempo = 1000;
    static constexpr double JitterFrames = 53;             // a clock's spread in arrival (1.2 ms)
    static constexpr double PriorSpread = 0.02;            // the assumed period's doubt, relative
    static constexpr double AfterChangeSpread = 0.05;      // the same after a change of tempo
    static constexpr double DeviationFrames = 132;         // 3 ms off the line: a clock deviates
    static constexpr int DeviationRun = 3;                 // deviating clocks in a row: a new tempo
    static constexpr int SettleClocks = 12;                // clocks after a change before the next
    static constexpr int EstablishedClocks = 24;           // clocks fitted before a gap is taken for lost clocks

    // A new run of clocks: forgets them all, and assumes `framesPerClock`
    // until the clocks tell otherwise.
    void restart(double framesPerClock);

    // The next clock, at `frame` (not earlier than the last one). Returns
    // the index it was given: 0 for the first of a run, then one more than
    // the last, or more after a gap.
    int64_t addClock(int64_t frame);

    bool hasClock() const { return size_ > 0; }
    int64_t lastIndex() const { return lastIndex_; }
    int64_t lastFrame() const { return lastFrame_; }
    // Frames per clock now estimated (the assumed one before any clock).
    double framesPerClock() const { return period_; }
    double tempo() const { return tempoOfClock(period_); }
    // The frame at which clock `index` is due; valid once a clock came.
    double frameOf(double index) const;
    // Clocks fitted at the moment (the window since the last change).
    int fitted() const { return size_; }
    // Times the line was fitted afresh after a change of tempo.
    int changes() const { return changes_; }

private:
    struct Clock {
        int64_t index;
        int64_t frame;
    };
    int64_t indexFor(int64_t frame) const;
    bool cameLate(int64_t frame) const;
    void noteDeviation(double residual);
    void keepLast(int count);
    void newTempo();
    void fit();
    const Clock& at(int i) const;   // 0 is the oldest kept

    std::array<Clock, Window> clocks_{};
    int first_ = 0;                 // the oldest kept, in clocks_
    int size_ = 0;
    int64_t lastIndex_ = 0;
    int64_t lastFrame_ = 0;
    double prior_ = framesPerClockAt(120);
    double priorSpread_ = PriorSpread;
    bool priorLetGo_ = false;
    double period_ = prior_;
    double offset_ = 0;             // the line's frame at lastIndex_, relative to lastFrame_
    int run_ = 0;                   // deviating clocks in a row, all on one side
    int runSide_ = 0;
    int gapRun_ = 0;                // clocks in a row that came after a gap
    int64_t beforeGap_ = -1;        // the index before the gap, while the clock after it may be late
    bool late_ = false;             // clocks handed on late are being counted, not fitted
    int lateCount_ = 0;
    int sinceChange_ = SettleClocks;
    int changes_ = 0;
};

}  // namespace tamboro
