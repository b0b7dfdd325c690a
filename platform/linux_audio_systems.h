#pragma once
// The audio systems of a Linux machine: wave output through Tamboro's own
// JACK client, then RtAudio (PulseAudio, ALSA); MIDI input through the ALSA
// sequencer (RtMidi) or the same JACK client. Main thread.

#include <memory>

#include "engine/audio_systems.h"

namespace tamboro {

std::unique_ptr<AudioSystems> makeLinuxAudioSystems();

}  // namespace tamboro
