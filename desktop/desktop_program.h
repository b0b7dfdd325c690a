#pragma once
// The desktop program: the Qt application, start-up, the event loop until
// the window closes, and shutdown. Main thread.

#include <iosfwd>

namespace tamboro {

// Runs the drum machine in the current folder, beside its Samples and Songs
// folders, with the system's audio output and MIDI input. Returns the exit
// status, 0.
int runDesktopProgram(int argc, char** argv);

// For the installed launcher: makes the user's own Tamboro folder current,
// filling it from the installed kit and demo songs on the first start. On
// failure says why on `errors` and stays in the current folder.
void enterUserFolder(std::ostream& errors);

}  // namespace tamboro
