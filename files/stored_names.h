#pragma once
// The sample names a song stores: 128 bytes with a zero after the name, in
// whatever encoding the system that saved it used. Any thread.

#include <string>
#include <string_view>

#include "engine/song_state.h"

namespace tamboro {

// The bytes of a channel's sample name up to its zero (all 128 when there
// is none); valid while the song's name is unchanged.
std::string_view storedSampleName(const SongState& song, int channel);

// A sample name as the user sees it, in UTF-8: the bytes themselves when
// they are valid UTF-8, else read as Windows-1252, as older songs stored
// names.
std::string shownSampleName(std::string_view name);

}  // namespace tamboro
