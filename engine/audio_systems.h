#pragma once
// The machine's audio and MIDI systems as the program gets them: one wave
// output and one MIDI input, made together. The desktop program links them
// in; the command line loads them from the audio module only for the modes
// that play, so that rendering maps no audio library.
//
// Threads: main thread, as WaveOutput and MidiInput say.

#include <string>

#include "engine/midi_input.h"
#include "engine/wave_output.h"

namespace tamboro {

class AudioSystems {
public:
    virtual ~AudioSystems() = default;

    virtual WaveOutput& wave() = 0;
    virtual MidiInput& midi() = 0;

    // What the last counts found, one line each for a terminal, e.g.
    // "JACK, PulseAudio, ALSA" and "JACK MIDI".
    virtual std::string outputSystemsFound() = 0;
    virtual std::string midiSystemFound() = 0;

    // The open stream's rate and period in the device's own frames; 0 while
    // no stream is open.
    virtual unsigned streamRate() = 0;
    virtual unsigned streamPeriod() = 0;
};

// The audio module's one entry point: a new AudioSystems that the caller
// owns (delete it before the module could go; the program never unloads it).
using MakeAudioSystems = AudioSystems* (*)();
inline constexpr const char* MakeAudioSystemsSymbol = "tamboro_make_audio_systems";

}  // namespace tamboro
