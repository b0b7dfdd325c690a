#pragma once
// `tamboro --render`: opens a song as Open Song does and streams it to disk.

#include <iosfwd>

#include "cli/command_line.h"

namespace tamboro {

// Exit statuses of the render besides 0 (written, every sample loaded) and
// 2 (a usage error, see main).
inline constexpr int RenderFailed = 1;      // nothing was written; one line says why
inline constexpr int RenderIncomplete = 3;  // written, but some channels are silent

// Renders and returns the exit status; every message goes to `errors`, with
// names and paths escaped for the terminal. The output is checked before any
// sample is loaded: its folder must take a new file, and it must not be the
// song or one of its samples. A sample that cannot be loaded is a warning
// with its reason, one line per channel, and a summary ends the run.
int runRenderCommand(const CommandLine& line, std::ostream& errors);

}  // namespace tamboro
