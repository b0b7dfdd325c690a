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

}  // namespace tamboro
