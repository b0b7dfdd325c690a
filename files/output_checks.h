#pragma once
// Checks made before a song is rendered to a file, so that the render never
// overwrites what it is made from. Main thread.

#include <filesystem>
#include <optional>

#include "engine/song_state.h"

namespace tamboro {

// Whether the two paths lead to the same file (same device and inode), links
// and hard links included. A path that does not exist is no file.
bool isSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// An input of the render that the output file would replace.
struct OutputClash {
    int channel = -1;                  // -1: the song file itself
    std::filesystem::path input;       // the song file or the channel's sample
};

// The first input of the render that `output` is: the song file (when one
// is given) or the file that a channel's sample name resolves to in
// `samplesFolder`. Nothing when the output is none of them. May throw
// std::bad_alloc.
std::optional<OutputClash> findOutputClash(const SongState& song,
                                           const std::filesystem::path& songFile,
                                           const std::filesystem::path& samplesFolder,
                                           const std::filesystem::path& output);

}  // namespace tamboro
