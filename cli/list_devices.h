#pragma once
// `tamboro --list-devices`: the output devices and MIDI inputs with the
// indices that --device and --midi-device take.

#include <iosfwd>

namespace tamboro {

int runListDevices(std::ostream& out, std::ostream& errors);

}  // namespace tamboro
