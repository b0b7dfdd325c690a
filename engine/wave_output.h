#pragma once
// The wave output device as the engine sees it: a list of devices and one
// stream that plays the LoopBuffer. The real one is platform/'s (Tamboro's
// own JACK client, RtAudio for PulseAudio and ALSA); tests use a fake whose
// byte position they advance.
//
// Threads: every function here runs on the main thread. Once `start` has
// returned, the device's own thread calls LoopBuffer::obeyTransport and
// readFrames once per period (on JACK also at a MIDI message's frame inside
// it), until `close` returns.

#include <cstdint>
#include <string>

namespace tamboro {

class LoopBuffer;
class TransportInput;
class ClockOutput;

// The stream's name; JACK shows a client of this name.
inline constexpr const char* StreamName = "Tamboro";

class WaveOutput {
public:
    virtual ~WaveOutput() = default;

    // Counts the devices now (index 0 is the system's default output).
    virtual int deviceCount() = 0;
    // The full name of a device of the last count; empty when it has gone.
    virtual std::string deviceName(int index) = 0;

    // Opens device `index` for 44,100 Hz 16-bit stereo as heard (a device at
    // another rate is resampled), to play `loop`. On failure returns false
    // with the library's text in `error`, and nothing is open.
    virtual bool open(int index, LoopBuffer& loop, std::string& error) = 0;
    // Frames the device asks for at once, counted at 44,100 Hz; valid while open.
    virtual uint32_t periodFrames() const = 0;
    // Starts the callbacks (the loop buffer plays silence until a Start).
    virtual bool start(std::string& error) = 0;
    // Stops at once and closes; no callback runs any more when it returns.
    // Does nothing when nothing is open.
    virtual void close() = 0;
    // False when the stream has ended without `close`, e.g. because the
    // audio server dropped the client.
    virtual bool streamAlive() = 0;

    // While open: the stream's callback hands `input` the JACK transport at
    // the top of every period (null: no more). False when the open device
    // has no JACK transport.
    virtual bool attachTransport(TransportInput* input) {
        (void)input;
        return false;
    }

    // While open: `output`'s MIDI clock goes out through a MIDI output port
    // (null: no more). On JACK the stream's callback writes each message at
    // its own frame; another device's clock goes through a MIDI output of
    // the program's own, each message as its frame sounds. False when no
    // MIDI output can be opened.
    virtual bool attachClockOutput(ClockOutput* output) {
        (void)output;
        return false;
    }
    // The connections of that MIDI output port now; -1 when there is none.
    virtual int clockOutputListeners() { return -1; }
    // Its full name, as a slave connects to it.
    virtual std::string clockOutputName() { return std::string(StreamName) + ":MIDI Out"; }
};

}  // namespace tamboro
