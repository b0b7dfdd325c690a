#pragma once
// The step clock that runs between the mixer's Blocks. Main thread.

#include <cstdint>

#include "engine/song_state.h"

namespace tamboro {

// Blocks one step lasts at a tempo (two truncating divisions).
constexpr uint32_t blocksPerStepFor(int32_t tempo) {
    return static_cast<uint32_t>((2646000 / tempo) / 256);
}

// Puts the clock and the voices at the start of the song: step 0 with its
// triggers applied, the second half of the MixBuffer due next.
void resetVoices(SongState& song);

// The same at song step `step` (below the song's length): the playback
// then begins with that step, as after a Continue from a song position.
void resetVoicesAt(SongState& song, uint32_t step);

// The clock work after each rendered Block: release the voices that ran out,
// draw the shuffle, count the Block, advance the step and trigger its cells.
// blocksPerStep is the calling renderHalf's own value, which the shuffle may
// change. Returns true when the song wrapped to step 0 with stopAtEnd set;
// the triggers of step 0 are then not applied.
bool stepClockAfterBlock(SongState& song, uint32_t& blocksPerStep);

// Parts of the clock work that the following clock (engine/follow_steps.h)
// shares: the release of voices that ran out, after each Block, and the
// triggers of a step's cells.
void releaseEndedVoices(SongState& song);
void triggerStep(SongState& song, uint32_t step);

}  // namespace tamboro
