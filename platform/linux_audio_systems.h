#pragma once
// The audio systems of a Linux machine: wave output through RtAudio (JACK,
// PulseAudio, ALSA) and MIDI input through RtMidi (ALSA sequencer, JACK
// MIDI). Main thread.

#include <memory>

#include "engine/audio_systems.h"

namespace tamboro {

std::unique_ptr<AudioSystems> makeLinuxAudioSystems();

}  // namespace tamboro
