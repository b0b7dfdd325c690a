#pragma once
// The window, --snapshot and --user-folder are the desktop program's: the
// command starts it in its own place, with the same arguments. Main thread.

#include <iosfwd>

namespace tamboro {

// Replaces this process with the desktop program. Returns only when it
// cannot be started, after one line on `errors`; the exit status then.
int handOverToDesktop(char** argv, std::ostream& errors);

}  // namespace tamboro
