#pragma once
// The MIDI input as the engine sees it. The real ones are platform/'s: JACK
// MIDI through Tamboro's JACK client, the ALSA sequencer through RtMidi;
// tests use a fake that delivers messages when told.
//
// Threads: every function here runs on the main thread; the callback given
// to `open` runs on the input's own thread (on JACK, the real-time process
// thread), between `start` and `stop`, and never after `close` returns.

#include <cstdint>
#include <string>

namespace tamboro {

// The virtual port that index 0 opens, for sequencers to connect to.
inline constexpr const char* VirtualMidiPortName = "Tamboro MIDI In";

// One message packed into an integer, status byte in the low byte and the
// data bytes above it (engine/midi_parser.h): a real-time Start arrives as
// 250. System Exclusive messages are not delivered.
using MidiMessageCallback = void (*)(void* context, uint32_t message);

class MidiInput {
public:
    virtual ~MidiInput() = default;

    // Counts the inputs now: the virtual port, then every input port.
    virtual int portCount() = 0;
    // The name of an input of the last count; empty when it has gone.
    virtual std::string portName(int index) = 0;

    // Opens input `index`, delivering to `callback` once started. Returns
    // false when it cannot be opened, with the reason in words for a person
    // ("no JACK server is running"); nothing is open then.
    virtual bool open(int index, MidiMessageCallback callback, void* context, std::string& reason) = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
    // Closes; the callback is not called any more when it returns.
    virtual void close() = 0;
};

}  // namespace tamboro
