#include "engine/follow_steps.h"

#include <algorithm>
#include <cmath>

#include "engine/step_clock.h"

namespace tamboro {

namespace {

constexpr int64_t Block = BlockFrames;
constexpr double JumpTriggerFrames = 2 * BlockFrames;

// The Block boundary nearest to `frame` (Blocks start at multiples of 64
// frames of the playback).
int64_t nearestBlockBoundary(double frame) {
    const double blocks = std::clamp(std::round(frame / Block), -1e15, 1e15);
    return static_cast<int64_t>(blocks) * Block;
}

// Steps 3, 11, 19, ... of the song are lengthened by the shuffle: the step
// after them begins late.
bool lengthenedByShuffle(const SongState& song, int64_t step) {
    return song.shuffle > 0 && ((songStepOf(song, step) - 3u) & 7u) == 0;
}

// Up to half a step, in whole Blocks.
int64_t drawShuffleDelay(SongState& song, double framesPerStep) {
    const int32_t r = song.random.next();
    const int64_t blocks = (r * song.shuffle) / 32767;
    const auto limit = static_cast<int64_t>(framesPerStep / 2 / Block);
    return std::min(blocks, limit) * Block;
}

// The master's position jumped, or it is more than a whole step away from
// the step now sounding: at the next Block boundary, the step it is in.
void planJump(FollowClock& clock, const StepTimeline& timeline) {
    const int64_t at = clock.frame + Block;
    clock.nextStep = timeline.stepAt(static_cast<double>(at + Block / 2));
    clock.nextNominal = timeline.frameOf(clock.nextStep);
    clock.nextStart = at;
    clock.shuffleDelay = 0;
    // A step the master began well before the jump is entered silently:
    // its sounds would be off the master's grid.
    clock.nextSilent = static_cast<double>(at) - clock.nextNominal > JumpTriggerFrames;
}

}  // namespace

int64_t StepTimeline::stepAt(double frame) const {
    const double steps = std::floor((frame - originFrame) / framesPerStep);
    return originStep + static_cast<int64_t>(std::clamp(steps, -1e15, 1e15));
}

uint32_t songStepOf(const SongState& song, int64_t step) {
    const int64_t length = std::max<int64_t>(song.songLength, 1);
    const int64_t wrapped = step % length;
    return static_cast<uint32_t>(wrapped < 0 ? wrapped + length : wrapped);
}

void startFollowing(SongState& song, FollowClock& clock, int64_t step, const StepTimeline& timeline) {
    resetVoicesAt(song, songStepOf(song, step));
    clock = FollowClock{};
    clock.step = step;
    clock.nominalStart = timeline.frameOf(step);   // at or before frame 0
    clock.relocation = timeline.relocation;
    if (lengthenedByShuffle(song, step))
        clock.shuffleDelay = drawShuffleDelay(song, timeline.framesPerStep);
    planNextStep(clock, timeline);
}

void planNextStep(FollowClock& clock, const StepTimeline& timeline) {
    if (timeline.relocation != clock.relocation) {
        clock.relocation = timeline.relocation;
        planJump(clock, timeline);
        return;
    }
    const double length = timeline.framesPerStep;
    const double nominal = timeline.frameOf(clock.step + 1);
    const double off = nominal - (clock.nominalStart + length);
    if (off < -length) {
        planJump(clock, timeline);   // behind the master: on to its step
        return;
    }
    // Ahead of the master by more than a step, this step waits for its next
    // one; otherwise the boundary is caught up by at most an eighth of a step.
    const double correction = off > length ? off : std::clamp(off, -length / 8, length / 8);
    clock.nextStep = clock.step + 1;
    clock.nextNominal = clock.nominalStart + length + correction;
    clock.nextStart = std::max(nearestBlockBoundary(clock.nextNominal + static_cast<double>(clock.shuffleDelay)),
                               clock.stepStart + Block);
}

void followClockAfterBlock(SongState& song, FollowClock& clock, const StepTimeline& timeline) {
    releaseEndedVoices(song);
    clock.frame += Block;
    song.blockCounter += 1;
    if (clock.frame < clock.nextStart)
        return;
    clock.step = clock.nextStep;
    clock.stepStart = clock.frame;
    clock.nominalStart = clock.nextNominal;
    clock.shuffleDelay = 0;
    song.blockCounter = 0;
    const uint32_t songStep = songStepOf(song, clock.step);
    if (songStep == 0)
        song.endReached = 1;
    song.stepCounter = songStep;
    if (!clock.nextSilent)
        triggerStep(song, songStep);
    clock.nextSilent = false;
    if (lengthenedByShuffle(song, clock.step))
        clock.shuffleDelay = drawShuffleDelay(song, timeline.framesPerStep);
    planNextStep(clock, timeline);
}

}  // namespace tamboro
