#include "platform/system_midi_input.h"

namespace tamboro {

SystemMidiInput::System SystemMidiInput::choose(std::string& reason) {
    if (RtMidiInput::sequencerExists())
        return System::Alsa;
    std::string jackReason;
    if (jack_.join(jackReason))
        return System::Jack;
    reason = "there is no MIDI system: no ALSA sequencer (/dev/snd/seq), and " + jackReason;
    return System::None;
}

int SystemMidiInput::portCount() {
    std::string reason;
    system_ = choose(reason);
    if (system_ == System::Alsa)
        return alsa_.portCount();
    jackNames_.assign(1, jack_.clientName() + ":" + JackMidiPortName + " (virtual port)");
    if (system_ == System::Jack)
        for (const std::string& source : jack_.midiSources())
            jackNames_.push_back(source);
    return static_cast<int>(jackNames_.size());
}

std::string SystemMidiInput::portName(int index) {
    if (system_ == System::Alsa)
        return alsa_.portName(index);
    if (index < 0 || index >= static_cast<int>(jackNames_.size()))
        return {};
    return jackNames_[index];
}

bool SystemMidiInput::open(int index, MidiMessageCallback callback, void* context, std::string& reason) {
    close();
    const System system = choose(reason);
    if (system != system_ || (jackNames_.empty() && system != System::Alsa)) {
        // Counted on another system, or never: the virtual port is input 0 on each.
        if (index != 0 && system != System::None) {
            reason = "the MIDI system has changed since the inputs were counted; choose the input again";
            return false;
        }
        portCount();
    }
    if (system == System::None)
        return false;
    if (system == System::Alsa) {
        if (!alsa_.open(index, callback, context, reason))
            return false;
    } else {
        if (index < 0 || index >= static_cast<int>(jackNames_.size())) {
            reason = "there is no MIDI input " + std::to_string(index);
            return false;
        }
        if (!jack_.openMidi(index == 0 ? std::string() : jackNames_[index], callback, context, reason))
            return false;
    }
    open_ = system;
    return true;
}

void SystemMidiInput::start() {
    if (open_ == System::Alsa)
        alsa_.start();
    else if (open_ == System::Jack)
        jack_.startMidi();
}

void SystemMidiInput::stop() {
    if (open_ == System::Alsa)
        alsa_.stop();
    else if (open_ == System::Jack)
        jack_.stopMidi();
}

void SystemMidiInput::close() {
    if (open_ == System::Alsa)
        alsa_.close();
    else if (open_ == System::Jack)
        jack_.closeMidi();
    open_ = System::None;
}

std::string SystemMidiInput::systemFound() const {
    switch (system_) {
    case System::Alsa:
        return "ALSA sequencer";
    case System::Jack:
        return "JACK MIDI";
    case System::None:
        break;
    }
    return "no MIDI system";
}

}  // namespace tamboro
