#pragma once
// End-to-end harness for the PulseAudio output: a private sound server
// (PulseAudio, or PipeWire with its PulseAudio server and a D-Bus session
// bus of its own) in a runtime folder that the test makes and removes, a
// recorder of a sink's monitor that stamps each block with CLOCK_MONOTONIC
// as it arrives, a JACK MIDI sender that stamps each message the same way,
// and the arithmetic that turns these into latencies and dropouts.

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace tamboro::e2e {

enum class ServerKind { PulseAudio, PipeWire };

// CLOCK_MONOTONIC in seconds.
double monotonicNow();

// A sound server of the test's own, reached through the environment of the
// test process (and so of the programs it starts): XDG_RUNTIME_DIR, or
// PULSE_RUNTIME_PATH when `runtimePathVariable` is set. Stopped by PID, its
// folder removed, the environment restored.
class SoundServer {
public:
    explicit SoundServer(ServerKind kind, bool runtimePathVariable = false);
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    bool ready() const { return ready_; }
    ServerKind kind() const { return kind_; }
    const std::filesystem::path& folder() const { return folder_; }

    // pactl with `args` against this server; its output, and whether it succeeded.
    bool pactl(const std::string& args, std::string* output = nullptr) const;
    bool addNullSink(const std::string& name, const std::string& description);
    // The name of the sink that the playback stream `stream` plays to; "" when none.
    std::string sinkOfStream(const std::string& stream) const;
    // Kills the server (and PipeWire's helpers) at once, as a crash would.
    void kill();

private:
    bool waitForAnswer();

    ServerKind kind_;
    std::filesystem::path folder_;
    std::vector<int> pids_;   // started in this order, stopped in the reverse
    std::vector<std::pair<std::string, std::string>> savedEnvironment_;
    bool ready_ = false;
};

// Records a sink's monitor at 44,100 Hz 16-bit stereo in blocks of 256
// frames, each stamped on arrival; from construction (which returns once
// the blocks flow) until stop. Plays
// silence to the sink meanwhile, to hold the sink's latency short.
class MonitorRecorder {
public:
    MonitorRecorder(const std::string& sink, double maxSeconds);
    ~MonitorRecorder();
    bool ok() const { return ok_; }
    void stop();

    static constexpr uint32_t BlockFrames = 256;
    size_t frames() const { return blocks_.load(std::memory_order_acquire) * BlockFrames; }
    const std::vector<int16_t>& samples() const { return samples_; }   // after stop
    const std::vector<double>& arrivals() const { return arrivals_; }   // per block, after stop

private:
    void run(void* connection);

    std::vector<int16_t> samples_;
    std::vector<double> arrivals_;
    std::atomic<size_t> blocks_{0};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    std::thread keeperThread_;
    bool ok_ = false;
};

// The time at which each recorded frame sounded: a straight line fitted to
// the arrival stamps (the null sink's clock may run a little fast or slow
// against CLOCK_MONOTONIC), moved down onto the earliest arrivals.
struct FrameClock {
    double secondsPerFrame = 1.0 / 44100;
    double zero = 0;            // CLOCK_MONOTONIC of frame 0
    double spreadMs = 0;        // median arrival after the line: the stamps' own uncertainty
    double worstSpreadMs = 0;
    double time(double frame) const { return zero + frame * secondsPerFrame; }
    double frame(double time) const { return (time - zero) / secondsPerFrame; }
};
FrameClock fitFrameClock(const std::vector<double>& arrivals, uint32_t blockFrames);
// The same over blocks [from, until) only: a local fit, which a change of
// the server's block size or a stall elsewhere in the recording cannot bend.
FrameClock fitFrameClock(const std::vector<double>& arrivals, uint32_t blockFrames, size_t from, size_t until);

// Sends one-byte MIDI messages from a JACK client's output to Tamboro's
// virtual MIDI input, stamping each with CLOCK_MONOTONIC in the process
// callback that sends it; and a master's steady clock, each clock sent in
// the cycle its frame falls in and stamped there.
class JackMidiSender {
public:
    JackMidiSender();
    ~JackMidiSender();
    bool ok() const { return client_ != nullptr; }
    // Waits (up to 10 s) for an input port named "...Tamboro MIDI In" and connects to it.
    bool connectTamboro();
    // Sends `status`; returns the stamp of the cycle that sent it.
    double send(uint8_t status);
    // Sends Start now, then `clocks` clocks `framesPerClock` apart from
    // `lead` frames after it on; returns the Start's stamp at once.
    double startClocks(double framesPerClock, size_t clocks, double lead);
    bool clocksDone() const { return clocksSent_.load(std::memory_order_acquire) >= clockStamps_.size(); }
    // The stamp of each clock's cycle, once clocksDone.
    const std::vector<double>& clockStamps() const { return clockStamps_; }

private:
    static int process(jack_nframes_t frames, void* self);
    void sendClocks(void* midi, jack_nframes_t frames);

    jack_client_t* client_ = nullptr;
    jack_port_t* out_ = nullptr;
    std::atomic<uint32_t> pending_{0};
    std::atomic<uint32_t> sent_{0};
    uint8_t messages_[256] = {};
    double stamps_[256] = {};
    // The clock stream: set while none is sent.
    std::vector<double> clockStamps_;
    std::atomic<size_t> clocksSent_{0};
    std::atomic<bool> streaming_{false};
    double framesPerClock_ = 0;
    double firstClock_ = 0;       // in frames since the Start's cycle
    double cycleFrames_ = 0;      // since the Start's cycle (callback only)
    std::atomic<bool> startedClocks_{false};
    double startStamp_ = 0;
};

// Frame ranges of the capture at least `minFrames` long in which every
// value stays within +-threshold, between `from` and `to`.
struct Span {
    size_t begin, end;
};
std::vector<Span> quietSpans(const std::vector<int16_t>& samples, size_t from, size_t to, int threshold,
                             size_t minFrames);
// The first frame at or after `from` (before `to`) above the threshold; `to` when none.
size_t firstLoud(const std::vector<int16_t>& samples, size_t from, size_t to, int threshold);
// The last frame before `to` (at or after `from`) above the threshold, plus one; `from` when none.
size_t endOfLoud(const std::vector<int16_t>& samples, size_t from, size_t to, int threshold);

struct Figures {
    double median = 0, worst = 0, best = 0;
};
Figures figuresOf(std::vector<double> values);

}  // namespace tamboro::e2e
