#pragma once
// The step clock while playback follows a master (MIDI clock, JACK
// transport): a step begins where the master's sixteenth note falls on the
// playback's frames, as predicted when its half is rendered, at the nearest
// Block boundary; not after a count of Blocks.
//
// The prediction is a StepTimeline, renewed before each half from what
// the master has sent so far. Step boundaries are placed from the timeline
// itself (not from the last step), so errors never add up; a boundary
// moves by at most an eighth of a step against the step before it, so a
// corrected prediction is caught up over a few steps without a jump. A
// step more than a whole step ahead of the master waits for the master's
// next step; a master more than a whole step ahead (lost clocks, a flood of
// them) or a relocation of the master's position makes the clock jump: at
// the next Block, to the step the master is in there. A step jumped into
// more than two Blocks after the master began it sounds nothing (its
// sounds would be off the master's grid); the next step sounds on it.
//
// The shuffle, while following, delays the steps it would push back
// (those after steps 3, 11, 19, ...) by its drawn number of Blocks, up to
// half a step, and moves no other step off the master's grid.
//
// Threads: main thread (the refill renders with it).

#include <cstdint>

#include "engine/song_state.h"

namespace tamboro {

// The master's sixteenth notes on the playback's frames (frame 0 is the
// first frame of the playback): step `originStep` begins at `originFrame`
// and every step lasts `framesPerStep`. Steps count the master's position
// from the song's start, unwrapped (the song step is taken modulo the
// song's length).
struct StepTimeline {
    double originFrame = 0;
    int64_t originStep = 0;
    double framesPerStep = 5512.5;
    uint32_t relocation = 0;    // changes whenever the master's position jumps

    double frameOf(int64_t step) const {
        return originFrame + framesPerStep * static_cast<double>(step - originStep);
    }
    // The step the master is in at `frame`.
    int64_t stepAt(double frame) const;
};

struct FollowClock {
    int64_t frame = 0;          // playback frames rendered: the next Block begins here
    int64_t step = 0;           // the master's step now sounding (unwrapped)
    int64_t stepStart = 0;      // the frame it began at
    double nominalStart = 0;    // where it began on the master's grid (no shuffle)
    int64_t nextStep = 1;
    int64_t nextStart = 0;      // the Block boundary at which nextStep begins
    double nextNominal = 0;
    int64_t shuffleDelay = 0;   // frames the shuffle delays the next step
    bool nextSilent = false;    // the next step is jumped into late: its cells are not triggered
    uint32_t relocation = 0;
};

// The song step of an unwrapped master step: modulo the song's length.
uint32_t songStepOf(const SongState& song, int64_t step);

// Priming: the playback begins with step `step` at frame 0 (resetVoicesAt),
// and the next step is planned on the timeline.
void startFollowing(SongState& song, FollowClock& clock, int64_t step, const StepTimeline& timeline);

// Plans the next step from the timeline as it stands: before each half
// and after each step.
void planNextStep(FollowClock& clock, const StepTimeline& timeline);

// The clock work after each rendered Block while following: releases the
// voices that ran out, counts the Block's frames and, at the planned
// boundary, begins the next step and triggers its cells.
void followClockAfterBlock(SongState& song, FollowClock& clock, const StepTimeline& timeline);

}  // namespace tamboro
