#pragma once
// `tamboro --snapshot`: opens a song as Open Song does and paints the panel
// as the program then shows it (stopped, first Pattern, the pitches given)
// into a PNG picture, without a window system.

#include <iosfwd>

#include "cli/command_line.h"

namespace tamboro {

// Returns the process exit status: 0 on success; otherwise a one-line
// message has gone to `errors`. Missing samples are warnings, and their
// names are cleared as after Open Song.
int runSnapshotCommand(const CommandLine& line, std::ostream& errors);

}  // namespace tamboro
