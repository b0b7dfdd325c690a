#include "app/list_devices.h"

#include <ostream>

#include "platform/rtaudio_output.h"
#include "platform/rtmidi_input.h"

namespace tamboro {

int runListDevices(std::ostream& out) {
    RtAudioOutput wave;
    const int outputs = wave.deviceCount();
    out << "Output devices (" << wave.systemsFound() << "):\n";
    if (outputs == 0)
        out << "  none\n";
    for (int i = 0; i < outputs; ++i)
        out << "  " << i << "  " << wave.deviceName(i) << "\n";

    RtMidiInput midi;
    const int inputs = midi.portCount();
    out << "MIDI inputs (" << midi.systemFound() << "):\n";
    for (int i = 0; i < inputs; ++i)
        out << "  " << i << "  " << midi.portName(i) << "\n";
    return 0;
}

}  // namespace tamboro
