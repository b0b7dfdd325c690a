#pragma once
// Lines the command-line modes print about a song's samples and files, with
// names and paths escaped for the terminal.

#include <filesystem>
#include <iosfwd>
#include <string>

#include "files/sample_reload.h"

namespace tamboro {

// A path as it may be printed to a terminal.
std::string shown(const std::filesystem::path& path);

// One line for a channel whose sample could not be loaded, with the reason.
void warnAboutSample(const SampleLoadFailure& failure, const std::filesystem::path& folder,
                     std::ostream& errors);

}  // namespace tamboro
