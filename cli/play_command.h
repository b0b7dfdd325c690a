#pragma once
// `tamboro --play`: opens a song as Open Song does and plays it through the
// real output with the desktop program's 10 ms tick, until the time is up
// or SIGINT/SIGTERM; with --midi-sync it arms MIDI Sync and follows Start
// and Stop.

#include <iosfwd>

#include "cli/command_line.h"

namespace tamboro {

// Returns the exit status: 0 when it played (or stayed armed) until the end
// or an interruption; otherwise one line has gone to `errors`. One line goes
// to `out` when ready, and one at each MIDI Start or Stop.
int runPlayCommand(const CommandLine& line, std::ostream& out, std::ostream& errors);

}  // namespace tamboro
