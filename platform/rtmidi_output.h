#pragma once
// MIDI clock for an output that cannot send it on its own stream
// (PulseAudio, ALSA through RtAudio): the virtual port "Tamboro MIDI Out"
// through RtMidi, on the ALSA sequencer where it exists, else on JACK MIDI
// when a JACK server runs (as the MIDI input chooses), and a sender thread
// of its own that sends each message as the playback reaches its frame
// (engine/clock_sender.h). On JACK, RtMidi writes what it is given at the
// top of its next cycle: up to a JACK period later.
//
// The port is there from attach to detach, as the JACK client's "MIDI Out"
// is while its stream is open.
//
// Threads: everything on the main thread, except the sender thread, which
// reads the loop's view and position and calls RtMidi's sendMessage only.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include <rtmidi/RtMidi.h>

#include "platform/jack_client.h"
#include "platform/output_backend.h"

namespace tamboro {

inline constexpr const char* MidiOutPortName = "Tamboro MIDI Out";

class RtMidiClockPort : public ClockPort {
public:
    explicit RtMidiClockPort(JackClient& jack) : jack_(jack) {}
    ~RtMidiClockPort() override { detach(); }
    RtMidiClockPort(const RtMidiClockPort&) = delete;
    RtMidiClockPort& operator=(const RtMidiClockPort&) = delete;

    bool attach(ClockOutput& output, LoopBuffer& loop) override;
    void detach() override;
    int listeners() override;
    std::string name() const override { return name_; }

private:
    static void noteError(RtMidiError::Type type, const std::string& text, void* self);
    void run(ClockOutput* output, LoopBuffer* loop);

    JackClient& jack_;
    std::unique_ptr<RtMidiOut> port_;
    bool onJack_ = false;
    std::string name_;                  // the port's full name
    std::atomic<bool> failed_{false};   // RtMidi reported an error
    std::thread sender_;
    std::atomic<bool> quit_{false};
};

}  // namespace tamboro
