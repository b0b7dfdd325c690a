#pragma once
// Real-time scheduling for the threads that keep a sound server fed (the
// PulseAudio stream's main loop, the MIDI clock's sender): on a busy
// machine an ordinary thread may wait tens of milliseconds for a core, and
// the server's small buffer runs dry. JACK gives its own clients this; the
// others ask for it here.

namespace tamboro {

// The sound server's own priority by default (PulseAudio's threads run at 5).
inline constexpr int FeederPriority = 5;

// Makes the calling thread SCHED_FIFO at `priority` (lowered to what
// RLIMIT_RTPRIO allows), not inherited by a child process. False when the
// system does not allow it: the thread then runs on as it was.
bool makeThisThreadRealtime(int priority);

}  // namespace tamboro
