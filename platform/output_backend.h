#pragma once
// One audio system's part of the output device list, and its stream. The
// wave output (platform/system_output.h) asks each system in turn: JACK
// (the native client), then PulseAudio and ALSA (RtAudio). A system is
// added by making one of these and placing it in that list.
//
// Threads: main thread, as engine/wave_output.h says; each backend's own
// audio thread reads the LoopBuffer between start and close.

#include <cstdint>
#include <string>
#include <vector>

namespace tamboro {

class LoopBuffer;
class TransportInput;
class ClockOutput;

class OutputBackend {
public:
    virtual ~OutputBackend() = default;

    // Counts this system's devices now: full names, each with the system's
    // label ("JACK: ..."). `defaultDevice` is set to the index of the
    // system's own default among them.
    virtual std::vector<std::string> listDevices(size_t& defaultDevice) = 0;
    // What the last count found, for the terminal: "JACK server running".
    virtual std::string found() const = 0;

    // As WaveOutput: `device` indexes the last listDevices.
    virtual bool open(size_t device, LoopBuffer& loop, std::string& error) = 0;
    virtual bool start(std::string& error) = 0;
    virtual void close() = 0;
    virtual bool streamAlive() = 0;
    virtual uint32_t periodFrames() const = 0;
    // The open stream's rate and period in the device's own frames (0 when closed).
    virtual unsigned streamRate() const = 0;
    virtual unsigned streamPeriod() const = 0;
    // As WaveOutput::attachClockOutput; only JACK sends it here (the
    // others through a ClockPort).
    virtual bool attachClockOutput(ClockOutput* output) {
        (void)output;
        return false;
    }
    virtual int clockOutputListeners() { return -1; }
    // As WaveOutput::attachTransport; only JACK has a transport.
    virtual bool attachTransport(TransportInput* input) {
        (void)input;
        return false;
    }
};

// A MIDI output port of its own, for the clock of a stream that cannot
// send it (platform/rtmidi_output.h).
class ClockPort {
public:
    virtual ~ClockPort() = default;
    // Opens the port and sends `output`'s messages as `loop` plays them;
    // false when no MIDI output can be opened.
    virtual bool attach(ClockOutput& output, LoopBuffer& loop) = 0;
    // Sends a Stop still owed, and closes the port (nothing when closed).
    virtual void detach() = 0;
    // As WaveOutput::clockOutputListeners and clockOutputName.
    virtual int listeners() = 0;
    virtual std::string name() const = 0;
};

}  // namespace tamboro
