#pragma once
// End-to-end harness: a JACK server of the test's own (`jackd -d dummy`
// under a unique name, stopped by its PID), a JACK client that records
// Tamboro's output and sends it MIDI, the tamboro program as a child
// process, and the songs and samples the tests play.

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace tamboro::e2e {

// A dummy-driver JACK server at `rate` and `period`. The test process's
// clients (and the children it starts) use it through JACK_DEFAULT_SERVER;
// JACK_NO_START_SERVER keeps any client from starting one of its own.
// Construction fails the test (no skipping) when the server does not come up.
class JackServer {
public:
    JackServer(unsigned rate, unsigned period);
    ~JackServer();
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;
    bool ready() const { return ready_; }
    const std::string& name() const { return name_; }

private:
    std::string name_;
    int pid_ = -1;
    bool ready_ = false;
};

// Records two audio inputs into memory from its activation on, and sends
// MIDI messages at a chosen frame inside a cycle, noting that frame's time.
// The sender is a client of its own ("tamboro-test-midi"), so that the graph
// runs sender, Tamboro, recorder in one cycle: a message sent at frame F and
// the sound it starts at frame F share one frame time. Its process
// callbacks allocate nothing.
class JackRecorder {
public:
    explicit JackRecorder(double maxSeconds);
    ~JackRecorder();
    bool ok() const { return client_ != nullptr; }
    unsigned rate() const { return rate_; }
    unsigned period() const { return period_; }

    // Waits (up to 10 s) for Tamboro's ports and connects them: audio to
    // this client's inputs and, with `midi`, the sender's MIDI output to
    // Tamboro's virtual MIDI input ("Tamboro:MIDI In"); with `midiOut`,
    // Tamboro's MIDI output ("Tamboro:MIDI Out") to this client's MIDI input.
    bool connectTamboro(bool midi, bool midiOut = false);

    // The MIDI messages this client received (first byte), each at the
    // frame time it fell on.
    struct Received {
        uint32_t frameTime;
        uint8_t status;
    };
    std::vector<Received> received() const;

    // Sends `status` at frame `offset` of the next cycle (the cycle's last
    // frame when the period is shorter) and returns that frame's time once
    // it went out.
    uint32_t send(uint8_t status, uint32_t offset = 0);
    // The same for a message of up to 16 bytes, in one MIDI event.
    uint32_t send(const std::vector<uint8_t>& bytes, uint32_t offset);
    // Queues `status` without waiting (unless 256 are queued already); up to
    // four queued messages go out in one cycle, each at its offset or after
    // the one before. waitSent waits until all have gone out.
    void post(uint8_t status, uint32_t offset);
    void waitSent() const;

    // Schedules a message of up to 3 bytes at JACK frame time `frameTime`:
    // it goes out in the cycle that holds that frame, at its frame (at the
    // cycle's first frame when its time has passed: it counts as late).
    // Messages go out in the order scheduled; up to ScheduleCapacity in all.
    static constexpr size_t ScheduleCapacity = 1 << 17;
    void schedule(uint32_t frameTime, std::initializer_list<uint8_t> bytes);
    // The scheduled messages sent so far, and those of them sent late.
    size_t scheduledSent() const { return timedNext_.load(std::memory_order_acquire); }
    size_t scheduledLate() const { return timedLate_.load(std::memory_order_acquire); }
    // The frame time now, as JACK estimates it.
    uint32_t frameTimeNow() const { return jack_frame_time(client_); }

    // The JACK transport as the recorder saw it at the top of each cycle
    // it recorded (frame time, rolling, transport frame).
    struct TransportSeen {
        uint32_t frameTime;
        bool rolling;
        uint32_t frame;
    };
    std::vector<TransportSeen> transportSeen() const;

    // The system time (jack_get_time, microseconds) of a frame time.
    uint64_t microseconds(uint32_t frameTime) const;

    // Frames recorded so far; the samples as 16-bit values (the JACK output
    // carries x / 32768 exactly), interleaved left, right.
    size_t frames() const { return recorded_.load(std::memory_order_acquire); }
    std::vector<int16_t> samples() const;
    std::vector<float> left() const;
    std::vector<float> right() const;
    uint32_t firstFrameTime() const { return firstTime_.load(std::memory_order_acquire); }
    void waitFrames(size_t frames) const;

private:
    static int process(jack_nframes_t frames, void* self);
    static int sendMidi(jack_nframes_t frames, void* self);

    struct Message {
        uint8_t bytes[16];
        uint8_t size;
        uint32_t offset;
    };
    struct Timed {
        uint32_t frameTime;
        uint8_t bytes[3];
        uint8_t size;
    };

    jack_client_t* client_ = nullptr;
    jack_client_t* sender_ = nullptr;
    jack_port_t* in_[2] = {};
    jack_port_t* midiOut_ = nullptr;
    jack_port_t* midiIn_ = nullptr;
    std::unique_ptr<Received[]> received_;      // ReceiveCapacity, allocated before the callbacks run
    std::atomic<size_t> receivedCount_{0};
    static constexpr size_t ReceiveCapacity = 1 << 16;
    unsigned rate_ = 0;
    unsigned period_ = 0;
    std::vector<float> record_;        // interleaved
    std::vector<TransportSeen> transport_;   // one a cycle, as many as the recording holds
    std::atomic<size_t> recorded_{0};
    std::atomic<uint32_t> firstTime_{0};
    std::atomic<uint32_t> pending_{0}; // messages asked for
    std::atomic<uint32_t> sent_{0};    // messages sent
    Message messages_[256] = {};
    uint32_t sentTimes_[256] = {};
    std::unique_ptr<Timed[]> timed_;         // ScheduleCapacity, allocated before the callbacks run
    std::atomic<size_t> timedCount_{0};      // scheduled
    std::atomic<size_t> timedNext_{0};       // sent
    std::atomic<size_t> timedLate_{0};
};

// jack_transport as the timebase master of the JACK transport, told
// commands on its standard input ("tempo 120", "locate 0", "play", "stop").
class TransportMaster {
public:
    TransportMaster();
    ~TransportMaster();   // "quit", then it ends (killed after 2 s)
    bool ok() const { return pid_ > 0; }
    void say(const std::string& command);

private:
    int pid_ = -1;
    int in_ = -1;
};

// A timebase master of the test's own, at 120 bpm in 4/4 with 1920 ticks a
// beat, its bar position computed from the transport frame every cycle;
// it starts, stops and locates the transport. (jack_transport of jackd2
// 1.9.21 hangs in its timebase callback after a locate while rolling.)
class TimebaseMaster {
public:
    TimebaseMaster();
    ~TimebaseMaster();
    bool ok() const { return client_ != nullptr; }
    void play() { jack_transport_start(client_); }
    void stop() { jack_transport_stop(client_); }
    void locate(uint32_t frame) { jack_transport_locate(client_, frame); }

private:
    static void timebase(jack_transport_state_t, jack_nframes_t, jack_position_t* position, int, void*);
    jack_client_t* client_ = nullptr;
};

// tamboro started with `args`; its standard output is read line by line,
// its standard error goes to the test's, or into a file to be read.
class TamboroProcess {
public:
    explicit TamboroProcess(const std::vector<std::string>& args, bool keepErrors = false);
    // Everything it wrote to standard error so far (with keepErrors).
    std::string errors() const;
    ~TamboroProcess();
    // The next line of output, or "" after `seconds` without one.
    std::string readLine(double seconds);
    // SIGTERM (when still running), then the exit status (-1: killed by a signal).
    int stop();
    // The exit status once it ends by itself.
    int wait();
    int pid() const { return pid_; }

private:
    int pid_ = -1;
    int out_ = -1;
    std::string buffer_;
    std::filesystem::path errorFile_;
};

// The test songs, written into `folder` with their samples in folder/Samples.
//  beat.sng: noise hits and a 1 kHz tone at steps 0, 4, 8, 12, shuffle, so
//  that no half of a pass repeats; step 0 sounds from its first frame.
//  straight.sng: beat.sng without shuffle.
//  tone.sng: only the tone at steps 0, 4, 8, 12, no shuffle.
//  drone.sng: noise at every step, no shuffle: it sounds in every frame, so
//  that the first and last sounding frames show a Start and a Stop.
void writeTestSongs(const std::filesystem::path& folder);

// The test songs in a folder of the test process's own, removed with it.
struct TestSongs {
    explicit TestSongs(const std::string& prefix);
    ~TestSongs();
    TestSongs(const TestSongs&) = delete;
    TestSongs& operator=(const TestSongs&) = delete;
    std::string song(const char* name) const { return (path / name).string(); }
    std::string samples() const { return (path / "Samples").string(); }
    const std::filesystem::path path;
};

// A song of the tone (50 ms from its peak, writeTestSongs wrote it) on
// `steps` of `length`, at `tempo`, without shuffle; with the noise too on
// `noiseSteps`.
void writeToneSong(const std::filesystem::path& file, int16_t tempo, const std::vector<int>& steps,
                   int16_t length = 16, const std::vector<int>& noiseSteps = {});

// What playback of `song` renders from step 0, `frames` stereo frames long.
std::vector<int16_t> renderFromStepZero(const std::filesystem::path& song,
                                        const std::filesystem::path& samples, size_t frames);

// The frames at which the steps of `song` begin as playback renders them
// from step 0, over `frames` frames (the first is 0).
std::vector<int64_t> stepStartsFromStepZero(const std::filesystem::path& song, size_t frames);

}  // namespace tamboro::e2e
