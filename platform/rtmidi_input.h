#pragma once
// The MIDI input through RtMidi on the ALSA sequencer (where /dev/snd/seq
// exists). Index 0 is the virtual port "Tamboro MIDI In" that sequencers
// connect to, then every MIDI input port of the system. (JACK MIDI goes
// through Tamboro's own JACK client: platform/jack_client.h.)
//
// RtMidi is told to drop nothing; every message it delivers is fed byte by
// byte through the engine's MIDI parser, which passes real-time messages on
// wherever they stand. (RtMidi itself holds what follows an F0 without its
// F7 until the F7 comes; a Start inside that arrives only then.)
//
// Threads: everything here on the main thread, except the delivery, which
// RtMidi runs on its input thread: it checks an atomic, parses and calls
// the engine's callback, allocating nothing.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <rtmidi/RtMidi.h>

#include "engine/midi_input.h"
#include "engine/midi_parser.h"

namespace tamboro {

// The ALSA client name of Tamboro's MIDI input.
inline constexpr const char* MidiClientName = "Tamboro MIDI";

class RtMidiInput : public MidiInput {
public:
    ~RtMidiInput() override;

    // The ALSA sequencer is there to be used.
    static bool sequencerExists();

    int portCount() override;
    std::string portName(int index) override;
    bool open(int index, MidiMessageCallback callback, void* context, std::string& reason) override;
    void start() override;
    void stop() override;
    void close() override;

private:
    static void deliver(double time, std::vector<unsigned char>* message, void* self);
    std::unique_ptr<RtMidiIn> makeInput(std::string& reason);

    std::vector<std::string> names_;
    std::unique_ptr<RtMidiIn> input_;
    MidiMessageCallback callback_ = nullptr;
    void* context_ = nullptr;
    MidiParser parser_;                 // the input thread's
    std::atomic<bool> started_{false};
};

}  // namespace tamboro
