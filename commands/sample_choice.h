#pragma once
// Choosing the sample of one channel with the open dialog. Only a file
// inside a folder named exactly "Samples" is taken; its name is stored
// relative to that folder, with a backslash before each sub-folder, as song
// files name their samples. Main thread.

#include <optional>
#include <string>
#include <string_view>

#include "commands/shell.h"
#include "engine/song_state.h"
#include "files/folders.h"

namespace tamboro {

inline constexpr std::string_view OutsideSamplesMessage =
    "You can only use samples from the \nTamboro\\Samples directory";
inline constexpr std::string_view NameTooLongMessage =
    "The sample's name inside the Samples folder is longer than a song file can hold "
    "(127 bytes).\nChoose a file with a shorter name or path.";

// The name to store for `path`: what follows the first "/Samples/" in it,
// with each further "/" written as a backslash. Nothing when the path has
// no folder named Samples (the match is case-sensitive).
std::optional<std::string> sampleNameInSamplesFolder(std::string_view path);

// Runs the open dialog in the Samples folder for `channel`. A cancelled
// dialog changes nothing; a file outside any Samples folder, or one whose
// stored name would not fit its 128-byte field, is refused with a message
// and changes nothing. Otherwise the name is stored and the file loaded
// into the channel (a file that fails to load leaves the channel silent
// under its new name), the previous sample is released and the panel is
// repainted. Playback goes on; a sounding voice continues with the new
// sample from its start.
void chooseSample(SongState& song, FileFolders& folders, Shell& shell, int channel);

}  // namespace tamboro
