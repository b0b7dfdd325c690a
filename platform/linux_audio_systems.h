#pragma once
// The audio systems of a Linux machine: wave output through Tamboro's own
// JACK client, then RtAudio (PulseAudio, ALSA); MIDI input through the ALSA
// sequencer (RtMidi) or the same JACK client; the MIDI clock through that
// client, or for another output a port through RtMidi. Main thread.

#include <memory>

#include "engine/audio_systems.h"

namespace tamboro {

std::unique_ptr<AudioSystems> makeLinuxAudioSystems();

}  // namespace tamboro
