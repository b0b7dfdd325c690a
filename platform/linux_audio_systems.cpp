#include "platform/linux_audio_systems.h"

#include "platform/jack_client.h"
#include "platform/pulse_backend.h"
#include "platform/rtaudio_output.h"
#include "platform/rtmidi_output.h"
#include "platform/system_midi_input.h"
#include "platform/system_output.h"

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
    // Destroyed from the bottom up: the output closes first, then the MIDI
    // clock port and the MIDI input, then the JACK client they may use.
    JackClient jack_;
    PulseBackend pulse_;
    RtAudioOutput alsa_{[this] { return pulse_.serverListed(); }};
    SystemMidiInput midi_{jack_};
    RtMidiClockPort clockPort_{jack_};
    SystemOutput wave_{{&jack_, &pulse_, &alsa_}, &clockPort_};
};

}  // namespace

std::unique_ptr<AudioSystems> makeLinuxAudioSystems() {
    return std::make_unique<LinuxAudioSystems>();
}

}  // namespace tamboro
