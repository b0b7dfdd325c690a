#pragma once
// Joining a JACK server without starting one and without libjack's
// complaints on the terminal. Main thread.

#include <jack/jack.h>

#include <string>

namespace tamboro {

// Silences libjack's error and info messages for the whole process (it
// prints them otherwise, e.g. when no server runs).
void silenceJackMessages();

// A client of the running server under `name` (JACK may add "-01" when the
// name is taken), or null with the reason. A server that is there but busy
// (starting, or on a loaded machine) may turn one client away; it is asked
// again for a moment. Without a server this costs nothing.
jack_client_t* joinJackServer(const char* name, std::string& reason);

}  // namespace tamboro
