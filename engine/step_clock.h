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

// The clock work after each rendered Block: release the voices that ran out,
// draw the shuffle, count the Block, advance the step and trigger its cells.
// blocksPerStep is the calling renderHalf's own value, which the shuffle may
// change. Returns true when the song wrapped to step 0 with stopAtEnd set;
// the triggers of step 0 are then not applied.
bool stepClockAfterBlock(SongState& song, uint32_t& blocksPerStep);

}  // namespace tamboro
