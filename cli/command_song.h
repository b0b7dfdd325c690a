#pragma once
// What the command-line modes share: opening the song they were given as
// the program opens one, loading its samples, and the lines they print about
// both, with names and paths escaped for the terminal.

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>

#include "cli/command_line.h"
#include "engine/song_state.h"
#include "files/sample_reload.h"

namespace tamboro {

// A path as it may be printed to a terminal.
std::string shown(const std::filesystem::path& path);

// One line for a channel whose sample could not be loaded, with the reason.
void warnAboutSample(const SampleLoadFailure& failure, const std::filesystem::path& folder,
                     std::ostream& errors);

// The state the program starts in (New Song, the pitches given) with the
// song file opened; nothing, after one line on `errors`, when the file
// cannot be read or is refused.
std::unique_ptr<SongState> openCommandSong(const CommandLine& line, std::ostream& errors);

// Loads every channel's sample from the samples folder; one line per
// channel that stays silent. Returns how many do.
int loadCommandSamples(SongState& song, const CommandLine& line, std::ostream& errors);

}  // namespace tamboro
