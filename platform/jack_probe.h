#pragma once
// Whether a JACK server runs, asked without starting one and without
// libjack's complaints on the terminal. Main thread.

namespace tamboro {

// Also silences libjack's error and info messages for the whole process
// (RtAudio and RtMidi print them otherwise when no server runs).
bool jackServerRunning();

}  // namespace tamboro
