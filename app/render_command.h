#pragma once
// `tamboro --render`: opens a song as Open Song does and streams it to disk.

#include <iosfwd>

#include "app/command_line.h"

namespace tamboro {

// Returns the process exit status: 0 on success; otherwise a one-line
// message has gone to `errors`. Missing samples are warnings, not failures.
int runRenderCommand(const CommandLine& line, std::ostream& errors);

}  // namespace tamboro
