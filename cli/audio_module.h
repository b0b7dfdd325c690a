#pragma once
// The audio module, loaded only by the modes that play or list devices.
// Main thread.

#include <memory>
#include <string>

#include "engine/audio_systems.h"

namespace tamboro {

// The machine's audio systems from the module; null with the loader's
// reason in `error` when the module cannot be loaded. The module stays
// loaded until the process ends.
std::unique_ptr<AudioSystems> loadAudioSystems(std::string& error);

}  // namespace tamboro
