#pragma once
// The MIDI input as the engine sees it. The real one is platform/'s RtMidi
// adapter; tests use a fake that delivers messages when told.
//
// Threads: every function here runs on the main thread; the callback given
// to `open` runs on the input's own thread (on JACK, the real-time process
// thread), between `start` and `stop`, and never after `close` returns.

#include <cstdint>
#include <string>

namespace tamboro {

// The virtual port that index 0 opens, for sequencers to connect to.
inline constexpr const char* VirtualMidiPortName = "Tamboro MIDI In";

// One short message packed into an integer, status byte in the low byte, as
// the old platform delivered it: a real-time Start arrives as 250.
using MidiMessageCallback = void (*)(void* context, uint32_t message);

class MidiInput {
public:
    virtual ~MidiInput() = default;

    // Counts the inputs now: the virtual port, then every input port.
    virtual int portCount() = 0;
    // The name of an input of the last count; empty when it has gone.
    virtual std::string portName(int index) = 0;

    // Opens input `index`, delivering to `callback` once started. Returns
    // false when it cannot be opened; nothing is open then.
    virtual bool open(int index, MidiMessageCallback callback, void* context) = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    // Closes; the callback is not called any more when it returns.
    virtual void close() = 0;
};

}  // namespace tamboro
