#pragma once
// Tamboro's one JACK client, "Tamboro": its two audio outputs ("outport 0",
// "outport 1"), its MIDI input ("MIDI In") and, while MIDI clock is sent,
// its MIDI output ("MIDI Out") meet in one process callback,
// so a MIDI Start or Stop acts at its own frame inside the period. While the
// transport is followed, the callback tells the engine what the JACK
// transport says at the top of each period, before the loop obeys.
//
// As an output system it lists one device, the client with its two
// outputs; opening it registers them and connects them to the first two
// physical playback ports (system:playback_1 and _2), as the program always
// did. The MIDI input (platform/system_midi_input.h) registers "MIDI In"
// and, for a source other than the virtual port, connects that source to it.
//
// The client joins the server once, at the first count of devices or MIDI
// inputs, and stays while the program runs (again after the server dropped
// it). Closing the output or the MIDI input unregisters its ports only.
//
// Threads: everything on the main thread, except `process`, which JACK runs
// on its real-time thread: it reads the LoopBuffer (through the resampler
// at another rate than 44,100 Hz), parses the MIDI port's bytes and calls the
// MIDI callback, and allocates, locks and prints nothing. What it uses is
// handed over through atomic pointers; the main thread changes it only
// after the callback has let go of it (`detach`).

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/midi_input.h"
#include "engine/midi_parser.h"
#include "platform/output_backend.h"
#include "platform/resampler.h"

namespace tamboro {

// The client's name, and its MIDI input and output ports' (in JACK
// "Tamboro:MIDI In" and "Tamboro:MIDI Out").
inline constexpr const char* JackClientName = "Tamboro";
inline constexpr const char* JackMidiPortName = "MIDI In";
inline constexpr const char* JackMidiOutPortName = "MIDI Out";

class JackClient : public OutputBackend {
public:
    JackClient() = default;
    ~JackClient() override;
    JackClient(const JackClient&) = delete;
    JackClient& operator=(const JackClient&) = delete;

    // Joins the server unless joined; false with the reason when it cannot.
    bool join(std::string& reason);
    // The name JACK gave the client ("Tamboro", or "Tamboro-01" beside another).
    std::string clientName() const;

    // --- The output system ---
    std::vector<std::string> listDevices(size_t& defaultDevice) override;
    std::string found() const override { return found_; }
    bool open(size_t device, LoopBuffer& loop, std::string& error) override;
    bool start(std::string& error) override;
    void close() override;
    bool streamAlive() override;
    uint32_t periodFrames() const override { return periodFrames_; }
    unsigned streamRate() const override { return output_.rate; }
    unsigned streamPeriod() const override { return output_.period; }
    bool attachTransport(TransportInput* input) override;
    bool attachClockOutput(ClockOutput* output) override;
    int clockOutputListeners() override { return clockOut_.port ? jack_port_connected(clockOut_.port) : -1; }

    // --- The MIDI input ---
    // Every other client's MIDI output port, by full name.
    std::vector<std::string> midiSources();
    // Registers "MIDI In" and connects `source` to it (none for an empty
    // name); messages go to `callback` while started.
    bool openMidi(const std::string& source, MidiMessageCallback callback, void* context,
                  std::string& reason);
    void startMidi();
    void stopMidi();
    void closeMidi();

    // --- Another client's port (RtMidi's, platform/rtmidi_output.h) ---
    // The full names of every MIDI output port called `shortName`.
    std::vector<std::string> midiOutputsNamed(const std::string& shortName);
    // Its connections now; -1 when it is not there.
    int connectionsOf(const std::string& fullName);

private:
    static constexpr uint32_t ScratchFrames = 1024;

    struct Output {
        jack_port_t* ports[2] = {};
        std::atomic<LoopBuffer*> loop{nullptr};   // set by start: silence before it
        LoopBuffer* opened = nullptr;             // the loop open was given
        Resampler resampler;                      // open when the server is not at 44,100 Hz
        std::vector<int16_t> pcm;
        std::vector<float> scratch;
        unsigned rate = 0;
        unsigned period = 0;
    };
    struct Midi {
        jack_port_t* port = nullptr;
        MidiParser parser;
        MidiMessageCallback callback = nullptr;
        void* context = nullptr;
        std::atomic<bool> started{false};
    };

    static int process(jack_nframes_t frames, void* self);
    static void shutDown(jack_status_t, const char*, void* self);
    void run(jack_nframes_t frames, Output* output, Midi* midi);
    void tellTransport(TransportInput& input, jack_nframes_t frames);
    // Where in a period a playback began and ended, for the MIDI clock sent.
    struct Edges {
        int beganAt = -1;
        int endedAt = -1;
    };
    struct ClockOut {
        jack_port_t* port = nullptr;
        ClockOutput* output = nullptr;
    };
    static void play(Output& output, LoopBuffer& loop, float* left, float* right, Edges& edges, uint32_t from,
                     uint32_t to);
    static void obey(Output& output, LoopBuffer& loop, Edges& edges, uint32_t at);
    void sendClock(const ClockOut& clock, const LoopBuffer& loop, const Edges& edges, jack_nframes_t frames);
    // Takes `slot` away from the callback and waits until no callback
    // still uses what it held.
    template <typename T>
    void detach(std::atomic<T*>& slot);
    void leave();

    jack_client_t* client_ = nullptr;
    std::string found_ = "no JACK server";
    uint32_t periodFrames_ = 0;
    Output output_;
    Midi midi_;
    std::atomic<Output*> outputSlot_{nullptr};
    std::atomic<Midi*> midiSlot_{nullptr};
    std::atomic<TransportInput*> transportSlot_{nullptr};   // set while the output is open
    ClockOut clockOut_;                                      // the port "MIDI Out" while clock is sent
    std::atomic<ClockOut*> clockSlot_{nullptr};
    std::atomic<uint64_t> entered_{0};   // callbacks begun
    std::atomic<uint64_t> left_{0};      // callbacks ended
    std::atomic<bool> dropped_{false};   // the server shut the client down
};

}  // namespace tamboro
