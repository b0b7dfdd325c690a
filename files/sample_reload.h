#pragma once
// Loading every channel's sample by its name after a song was opened.
// Main thread.

#include <filesystem>
#include <functional>
#include <string_view>

#include "engine/song_state.h"
#include "files/sample_problem.h"

namespace tamboro {

// One channel whose sample could not be loaded.
struct SampleLoadFailure {
    int channel = 0;
    std::string_view name;   // as the song gave it; valid during the call only
    SampleProblem problem = SampleProblem::NotFound;
    int systemError = 0;     // the errno behind it, 0 when the system gave none
};

// Called once per failed channel, in channel order. The caller chooses what
// to tell: the desktop program shows the name in its fixed warning, the
// command line also the reason.
using SampleLoadWarning = std::function<void(const SampleLoadFailure&)>;

// For each channel: an empty name empties the slot; otherwise the named file
// in `samplesFolder` (resolveSampleName) is loaded into the slot. A sample
// that fails to load, for whatever reason, leaves the channel empty, is
// reported to `warn` and its name is cleared. Running out of memory on the
// way is reported as such for that channel, however far it got.
void reloadSamples(SongState& song, const std::filesystem::path& samplesFolder,
                   const SampleLoadWarning& warn);

// Start-up: channels 0 to 3 load the samples their names give from
// `samplesFolder`, silently; a channel whose sample fails stays empty but
// keeps its name. Channels 4 to 7 are emptied.
void loadStartUpSamples(SongState& song, const std::filesystem::path& samplesFolder);

}  // namespace tamboro
