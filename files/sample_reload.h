#pragma once
// Loading every channel's sample by its name after a song was opened.
// Main thread.

#include <filesystem>
#include <functional>
#include <string>

#include "engine/song_state.h"

namespace tamboro {

// Called once per channel whose sample could not be loaded, in channel
// order, with the name as the song gave it.
using MissingSampleWarning = std::function<void(const std::string& name)>;

// For each channel: an empty name empties the slot; otherwise the named file
// in `samplesFolder` is loaded into the slot. A sample that fails to load
// leaves the channel empty, is reported to `warn` and its name is cleared.
void reloadSamples(SongState& song, const std::filesystem::path& samplesFolder,
                   const MissingSampleWarning& warn);

}  // namespace tamboro
