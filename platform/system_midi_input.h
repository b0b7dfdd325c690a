#pragma once
// The MIDI input on Linux: the ALSA sequencer through RtMidi where it
// exists (/dev/snd/seq), else JACK MIDI through Tamboro's JACK client when
// a JACK server runs. Index 0 is the virtual port a sequencer connects to
// ("Tamboro MIDI In", in JACK "Tamboro:MIDI In"); the others are the
// system's MIDI sources.
//
// Only on JACK does a message carry its frame to the output: there a Start
// or Stop acts at its own frame when the output is JACK's too. Through the
// ALSA sequencer it reaches the output's callback at its next period.
//
// Threads: main thread, as engine/midi_input.h says.

#include <string>
#include <vector>

#include "engine/midi_input.h"
#include "platform/jack_client.h"
#include "platform/rtmidi_input.h"

namespace tamboro {

class SystemMidiInput : public MidiInput {
public:
    explicit SystemMidiInput(JackClient& jack) : jack_(jack) {}
    ~SystemMidiInput() override { close(); }

    int portCount() override;
    std::string portName(int index) override;
    bool open(int index, MidiMessageCallback callback, void* context, std::string& reason) override;
    void start() override;
    void stop() override;
    void close() override;

    // The MIDI system in use after the last count: "ALSA sequencer", "JACK
    // MIDI" or "no MIDI system".
    std::string systemFound() const;

private:
    enum class System { None, Alsa, Jack };
    // The system to use now; the reason when there is none.
    System choose(std::string& reason);

    JackClient& jack_;
    RtMidiInput alsa_;
    System system_ = System::None;    // of the last count
    System open_ = System::None;
    std::vector<std::string> jackNames_;   // the last count's JACK sources
};

}  // namespace tamboro
