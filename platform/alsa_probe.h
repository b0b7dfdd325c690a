#pragma once
// What an ALSA device is behind its name. Main thread.

#include <string>

namespace tamboro {

// True when ALSA's PCM `name` is the PulseAudio plug-in or PipeWire's
// (directly or as ALSA's `default`): it plays into the sound server whose
// sinks are listed already.
bool alsaDeviceRoutesToPulse(const std::string& name);

}  // namespace tamboro
