#pragma once
// The wave output on a PulseAudio server (also PipeWire's PulseAudio
// server) through libpulse, at a latency a MIDI Start can live with.
//
// The server is found by asking it, as every client finds it (PULSE_SERVER,
// PULSE_RUNTIME_PATH, XDG_RUNTIME_DIR): a socket file alone proves nothing.
// Sinks are told apart by their unique server names, never by their
// descriptions, which two sinks may share.
//
// The stream asks the server for 44,100 Hz 16-bit stereo (the server
// converts for a sink at another rate) and for a short buffer: a target of
// two requests of 512 frames (PA_STREAM_ADJUST_LATENCY, about 23 ms; the
// server may grant more). On every change of the LoopBuffer's transport (a
// Start or a Stop) the output throws away what the server still holds
// (pa_stream_flush, which also rewinds the sink where the sink can) and
// writes the new content at once, so a Start or Stop does not wait behind
// the queued audio. After each write it tells the LoopBuffer how much of
// what it wrote has not sounded yet (the stream's latency, interpolated by
// libpulse from the server's timing reports), so that a MIDI clock is
// placed on the frame sounding when it came, not on the one being written.
//
// Threads: everything here on the main thread, except what runs on
// libpulse's threaded main loop: the write request, which calls
// LoopBuffer::obeyTransport and readFrames and hands the frames to libpulse
// (pa_stream_begin_write / pa_stream_write, pa_stream_get_latency and a
// timing request, libpulse's own memory pool and socket, under its
// main-loop lock; nothing else allocates or locks), the
// transport wake-up (the same), and the state and underflow notices, which
// only set atomics. transportChanged runs on whichever thread changes the
// transport (the MIDI thread): it only writes to an eventfd.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <pulse/pulseaudio.h>

#include "engine/loop_buffer.h"

namespace tamboro {

struct PulseSink {
    std::string name;          // the server's own name, unique among its sinks
    std::string description;   // the name shown to a person; two sinks may share it
};

// What asking the server found. `running` is false when no server answered
// within the time given.
struct PulseServer {
    bool running = false;
    bool pipeWire = false;          // PipeWire's PulseAudio server
    std::string defaultSink;        // the name of the server's default sink
    std::vector<PulseSink> sinks;   // in the server's order (its sink index)
};

// Main thread; waits at most `timeout` for the server's answers.
PulseServer askPulseServer(std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));

class PulseOutput : private TransportListener {
public:
    PulseOutput();
    ~PulseOutput();
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // Opens a stream to sink `sink` (empty: the server's default sink at the
    // time), silent and corked until `start`. On failure `error` says why
    // and nothing is open.
    bool open(const std::string& sink, LoopBuffer& loop, std::string& error);
    // Fills the server's buffer from the loop and lets it play.
    bool start(std::string& error);
    // Disconnects at once (no drain); no callback runs when it returns.
    void close();
    bool isOpen() const { return mainloop_ != nullptr; }
    // False once the server has dropped the connection or the stream.
    bool alive() const { return alive_.load(std::memory_order_acquire); }

    // The frames the server asks for at a time (its minimum request), the
    // buffer it granted, and the rate; 0 while closed.
    uint32_t periodFrames() const { return periodFrames_; }
    uint32_t bufferFrames() const { return bufferFrames_; }
    unsigned rate() const { return isOpen() ? 44100u : 0u; }
    // Times the server found the stream's buffer empty while it played.
    uint64_t underruns() const { return underruns_.load(std::memory_order_relaxed); }

private:
    static void onContextState(pa_context* context, void* self);
    static void onStreamState(pa_stream* stream, void* self);
    static void onWrite(pa_stream* stream, size_t bytes, void* self);
    static void onUnderflow(pa_stream* stream, void* self);
    static void onWakeUp(pa_mainloop_api* api, pa_io_event* event, int fd, pa_io_event_flags_t flags,
                         void* self);
    static void onTimeout(pa_mainloop_api* api, pa_time_event* event, const struct timeval* time,
                          void* self);
    void transportChanged() noexcept override;

    bool waitUntilReady(std::string& error);
    void fill(size_t bytes);
    void markSounding();
    void jump();

    int wakeFd_ = -1;   // eventfd: the transport changed
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_io_event* wakeEvent_ = nullptr;
    LoopBuffer* loop_ = nullptr;
    bool started_ = false;            // under the main-loop lock
    bool timedOut_ = false;           // under the main-loop lock
    std::atomic<bool> alive_{false};
    std::atomic<uint64_t> underruns_{0};
    uint32_t periodFrames_ = 0;
    uint32_t bufferFrames_ = 0;
};

}  // namespace tamboro
