#include "cli/list_devices.h"

#include <ostream>

#include "cli/audio_module.h"
#include "commands/terminal_text.h"

namespace tamboro {

int runListDevices(std::ostream& out, std::ostream& errors) {
    std::string problem;
    const std::unique_ptr<AudioSystems> systems = loadAudioSystems(problem);
    if (!systems) {
        errors << "tamboro: the audio module cannot be loaded: " << escapeForTerminal(problem) << "\n";
        return 1;
    }
    WaveOutput& wave = systems->wave();
    const int outputs = wave.deviceCount();
    out << "Output devices (" << systems->outputSystemsFound() << "):\n";
    if (outputs == 0)
        out << "  none\n";
    for (int i = 0; i < outputs; ++i)
        out << "  " << i << "  " << escapeForTerminal(wave.deviceName(i)) << "\n";

    MidiInput& midi = systems->midi();
    const int inputs = midi.portCount();
    out << "MIDI inputs (" << systems->midiSystemFound() << "):\n";
    for (int i = 0; i < inputs; ++i)
        out << "  " << i << "  " << escapeForTerminal(midi.portName(i)) << "\n";
    return 0;
}

}  // namespace tamboro
