#include "platform/linux_audio_systems.h"

#include "platform/rtaudio_output.h"
#include "platform/rtmidi_input.h"

namespace tamboro {

namespace {

class LinuxAudioSystems : public AudioSystems {
public:
    WaveOutput& wave() override { return wave_; }
    MidiInput& midi() override { return midi_; }
    std::string outputSystemsFound() override { return wave_.systemsFound(); }
    std::string midiSystemFound() override { return midi_.systemFound(); }
    unsigned streamRate() override { return wave_.streamRate(); }
    unsigned streamPeriod() override { return wave_.streamPeriod(); }

private:
    // The MIDI input goes first, so that it closes after the output.
    RtMidiInput midi_;
    RtAudioOutput wave_;
};

}  // namespace

std::unique_ptr<AudioSystems> makeLinuxAudioSystems() {
    return std::make_unique<LinuxAudioSystems>();
}

}  // namespace tamboro
