#pragma once
// The MIDI input on Linux through RtMidi: the ALSA sequencer where it exists
// (/dev/snd/seq), else JACK MIDI when a JACK server runs. Index 0 is the
// virtual port "Tamboro MIDI In" that sequencers connect to, then every MIDI
// input port of the system.
//
// Threads: everything here on the main thread, except the delivery, which
// RtMidi runs on its input thread (on JACK, the real-time process thread):
// it only checks an atomic and calls the engine's callback.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <rtmidi/RtMidi.h>

#include "engine/midi_input.h"

namespace tamboro {

// The JACK or ALSA client name of Tamboro's MIDI input.
inline constexpr const char* MidiClientName = "Tamboro MIDI";

class RtMidiInput : public MidiInput {
public:
    ~RtMidiInput() override;

    int portCount() override;
    std::string portName(int index) override;
    bool open(int index, MidiMessageCallback callback, void* context) override;
    void start() override;
    void stop() override;
    void close() override;

    // The MIDI system in use after the last count: "ALSA sequencer", "JACK
    // MIDI" or "no MIDI system".
    std::string systemFound() const { return found_; }

private:
    static void deliver(double time, std::vector<unsigned char>* message, void* self);
    std::unique_ptr<RtMidiIn> makeInput();

    RtMidi::Api api_ = RtMidi::UNSPECIFIED;
    std::string found_ = "no MIDI system";
    std::vector<std::string> names_;
    std::unique_ptr<RtMidiIn> input_;
    MidiMessageCallback callback_ = nullptr;
    void* context_ = nullptr;
    std::atomic<bool> started_{false};
};

}  // namespace tamboro
