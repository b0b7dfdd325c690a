#include "engine/clock_out.h"

#include "engine/step_clock.h"

namespace tamboro {

uint32_t predictedStepBlocks(const SongState& song) {
    // As stepClockAfterBlock will do it from the next half on, on a copy of
    // the shuffle's generator: each half begins at the tempo's own length.
    const uint32_t base = blocksPerStepFor(song.tempo);
    uint32_t blocksPerStep = base;
    ShuffleRandom random = song.random;
    const bool lengthened = song.shuffle > 0 && ((song.stepCounter - 3u) & 7u) == 0;
    for (uint32_t done = song.blockCounter + 1;; ++done) {
        if (lengthened)
            blocksPerStep = base + static_cast<uint32_t>((random.next() * song.shuffle) / 32767);
        if (done >= blocksPerStep)
            return done;
    }
}

void ClockPlanner::begin(uint32_t epoch) {
    epoch_ = epoch;
    stepStart_ = 0;
    sent_ = 0;
}

void ClockPlanner::queueStep(int64_t upTo, int64_t length, ClockOutput& out) {
    for (; sent_ < 6; ++sent_) {
        const int64_t frame = stepStart_ + sent_ * length / 6;
        if (frame >= upTo)
            break;
        out.queue({epoch_, static_cast<uint32_t>(frame)});
    }
}

void ClockPlanner::rendered(int64_t halfStart, const StepMarks& marks, const SongState& song, ClockOutput& out) {
    for (int i = 0; i < marks.count; ++i) {
        const int64_t boundary = halfStart + int64_t{marks.blocks[i]} * BlockFrames;
        queueStep(boundary, boundary - stepStart_, out);   // all six: the step is over
        stepStart_ = boundary;
        sent_ = 0;
    }
    const int64_t length = int64_t{predictedStepBlocks(song)} * BlockFrames;
    queueStep(halfStart + HalfBytes / 4, length, out);
}

}  // namespace tamboro
