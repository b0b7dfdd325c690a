#include "platform/pulse_output.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

#include "engine/wave_output.h"
#include "platform/realtime_thread.h"

namespace tamboro {

namespace {

constexpr uint32_t FrameBytes = 4;           // 16-bit stereo
// The server's buffer: a target of two requests of 512 frames (23.2 ms at
// 44,100 Hz). Start and Stop do not wait for it (see jump); half of it
// would, but dropped out several times more often in a minute of playback
// beside a full test run on two busy cores.
constexpr uint32_t RequestFrames = 512;
constexpr uint32_t TargetFrames = 2 * RequestFrames;
// Frames written between two calls of LoopBuffer::obeyTransport.
constexpr uint32_t ChunkFrames = 256;
constexpr pa_sample_spec SongSpec{PA_SAMPLE_S16LE, 44100, 2};

using Clock = std::chrono::steady_clock;

std::string serverText(pa_context* context) {
    return pa_strerror(pa_context_errno(context));
}

// A plain main loop on the calling thread, run until `done` or the deadline.
class Asking {
public:
    explicit Asking(std::chrono::milliseconds timeout)
        : loop_(pa_mainloop_new()), deadline_(Clock::now() + timeout) {}
    ~Asking() {
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        if (loop_)
            pa_mainloop_free(loop_);
    }
    Asking(const Asking&) = delete;
    Asking& operator=(const Asking&) = delete;

    bool connect() {
        if (!loop_)
            return false;
        context_ = pa_context_new(pa_mainloop_get_api(loop_), StreamName);
        if (!context_ || pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        return runUntil([this] {
            const pa_context_state_t state = pa_context_get_state(context_);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        }) && pa_context_get_state(context_) == PA_CONTEXT_READY;
    }

    // Runs the loop until `done()` holds; false when the time ran out or
    // the connection broke first.
    template <typename Done>
    bool runUntil(Done done) {
        while (!done()) {
            if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)))
                return false;
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline_ - Clock::now());
            if (left.count() <= 0)
                return false;
            if (pa_mainloop_prepare(loop_, static_cast<int>(std::min<int64_t>(left.count(), 100000))) < 0 ||
                pa_mainloop_poll(loop_) < 0 || pa_mainloop_dispatch(loop_) < 0)
                return false;
        }
        return true;
    }

    pa_context* context() { return context_; }

private:
    pa_mainloop* loop_;
    pa_context* context_ = nullptr;
    Clock::time_point deadline_;
};

struct Listing {
    PulseServer* found;
    int pending = 2;
};

void onServerInfo(pa_context*, const pa_server_info* info, void* data) {
    auto& listing = *static_cast<Listing*>(data);
    if (info) {
        listing.found->defaultSink = info->default_sink_name ? info->default_sink_name : "";
        const std::string name = info->server_name ? info->server_name : "";
        listing.found->pipeWire = name.find("PipeWire") != std::string::npos;
    }
    --listing.pending;
}

void onSinkInfo(pa_context*, const pa_sink_info* info, int end, void* data) {
    auto& listing = *static_cast<Listing*>(data);
    if (end) {
        --listing.pending;
        return;
    }
    if (info && info->name)
        listing.found->sinks.push_back({info->name, info->description ? info->description : info->name});
}

}  // namespace

PulseServer askPulseServer(std::chrono::milliseconds timeout) {
    PulseServer found;
    Asking asking(timeout);
    if (!asking.connect())
        return found;
    Listing listing{&found};
    pa_operation* server = pa_context_get_server_info(asking.context(), &onServerInfo, &listing);
    pa_operation* sinks = pa_context_get_sink_info_list(asking.context(), &onSinkInfo, &listing);
    const bool answered = server && sinks && asking.runUntil([&] { return listing.pending == 0; });
    if (server) {
        pa_operation_cancel(server);
        pa_operation_unref(server);
    }
    if (sinks) {
        pa_operation_cancel(sinks);
        pa_operation_unref(sinks);
    }
    if (!answered)
        return PulseServer{};
    found.running = true;
    return found;
}

// --- PulseOutput ---

PulseOutput::PulseOutput() : wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

PulseOutput::~PulseOutput() {
    close();
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

bool PulseOutput::open(const std::string& sink, LoopBuffer& loop, std::string& error) {
    close();
    if (wakeFd_ < 0) {
        error = "The PulseAudio output cannot be made: no event descriptor.";
        return false;
    }
    uint64_t stale = 0;
    while (::read(wakeFd_, &stale, sizeof stale) > 0) {
    }
    mainloop_ = pa_threaded_mainloop_new();
    if (!mainloop_) {
        error = "The PulseAudio output cannot be made.";
        return false;
    }
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(mainloop_);
    context_ = pa_context_new(api, StreamName);
    if (!context_) {
        error = "The PulseAudio output cannot be made.";
        close();
        return false;
    }
    loop_ = &loop;
    loop.writesAhead(true);
    pa_context_set_state_callback(context_, &PulseOutput::onContextState, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        error = "No PulseAudio server: " + serverText(context_);
        close();
        return false;
    }
    wakeEvent_ = api->io_new(api, wakeFd_, PA_IO_EVENT_INPUT, &PulseOutput::onWakeUp, this);

    pa_threaded_mainloop_lock(mainloop_);
    if (pa_threaded_mainloop_start(mainloop_) < 0 || !waitUntilReady(error)) {
        pa_threaded_mainloop_unlock(mainloop_);
        if (error.empty())
            error = "The PulseAudio output cannot be started.";
        close();
        return false;
    }

    stream_ = pa_stream_new(context_, StreamName, &SongSpec, nullptr);
    if (!stream_) {
        error = "The PulseAudio stream cannot be made: " + serverText(context_);
        pa_threaded_mainloop_unlock(mainloop_);
        close();
        return false;
    }
    pa_stream_set_state_callback(stream_, &PulseOutput::onStreamState, this);
    pa_stream_set_write_callback(stream_, &PulseOutput::onWrite, this);
    pa_stream_set_underflow_callback(stream_, &PulseOutput::onUnderflow, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = TargetFrames * FrameBytes;
    // No pre-buffering: a dropout does not pause the stream until its
    // buffer is full again (which would put the song late for good, off the
    // beat of a master or a band); the server plays silence and drops what
    // comes too late, and the song goes on on time. The stream begins to
    // play when start uncorks it.
    attr.prebuf = 0;
    attr.minreq = RequestFrames * FrameBytes;
    attr.fragsize = static_cast<uint32_t>(-1);
    // The timing flags let the write request ask how far ahead of the sound
    // it writes, without a round trip to the server.
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED |
                                                      PA_STREAM_INTERPOLATE_TIMING |
                                                      PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(stream_, sink.empty() ? nullptr : sink.c_str(), &attr, flags, nullptr,
                                   nullptr) < 0 ||
        !waitUntilReady(error)) {
        if (error.empty())
            error = "The PulseAudio stream cannot be opened: " + serverText(context_);
        pa_threaded_mainloop_unlock(mainloop_);
        close();
        return false;
    }
    const pa_buffer_attr* granted = pa_stream_get_buffer_attr(stream_);
    periodFrames_ = granted ? granted->minreq / FrameBytes : RequestFrames;
    bufferFrames_ = granted ? granted->tlength / FrameBytes : TargetFrames;
    alive_.store(true, std::memory_order_release);
    pa_threaded_mainloop_unlock(mainloop_);
    return true;
}

// Under the lock: until the context (and the stream, once made) is ready,
// fails, or the server leaves it unanswered for 5 s.
bool PulseOutput::waitUntilReady(std::string& error) {
    timedOut_ = false;
    pa_time_event* timer =
        pa_context_rttime_new(context_, pa_rtclock_now() + 5 * PA_USEC_PER_SEC, &PulseOutput::onTimeout, this);
    bool ready = false;
    while (true) {
        const pa_context_state_t context = pa_context_get_state(context_);
        if (!PA_CONTEXT_IS_GOOD(context)) {
            error = "No PulseAudio server: " + serverText(context_);
            break;
        }
        if (context == PA_CONTEXT_READY) {
            if (!stream_) {
                ready = true;
                break;
            }
            const pa_stream_state_t stream = pa_stream_get_state(stream_);
            if (stream == PA_STREAM_READY) {
                ready = true;
                break;
            }
            if (!PA_STREAM_IS_GOOD(stream)) {
                error = "The PulseAudio stream cannot be opened: " + serverText(context_);
                break;
            }
        }
        if (timedOut_) {
            error = "The PulseAudio server does not answer.";
            break;
        }
        pa_threaded_mainloop_wait(mainloop_);
    }
    if (timer)
        pa_threaded_mainloop_get_api(mainloop_)->time_free(timer);
    return ready;
}

bool PulseOutput::start(std::string& error) {
    if (!mainloop_) {
        error = "The PulseAudio output is not open.";
        return false;
    }
    pa_threaded_mainloop_lock(mainloop_);
    started_ = true;
    fill(pa_stream_writable_size(stream_));
    pa_operation* uncork = pa_stream_cork(stream_, 0, nullptr, nullptr);
    if (uncork)
        pa_operation_unref(uncork);
    pa_threaded_mainloop_unlock(mainloop_);
    loop_->setTransportListener(this);
    if (!uncork) {
        error = "The PulseAudio stream cannot be started: " + serverText(context_);
        return false;
    }
    return true;
}

void PulseOutput::close() {
    if (loop_)
        loop_->setTransportListener(nullptr);
    if (mainloop_) {
        pa_threaded_mainloop_lock(mainloop_);
        started_ = false;
        if (stream_) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        if (wakeEvent_) {
            pa_threaded_mainloop_get_api(mainloop_)->io_free(wakeEvent_);
            wakeEvent_ = nullptr;
        }
        if (context_) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
            context_ = nullptr;
        }
        pa_threaded_mainloop_unlock(mainloop_);
        pa_threaded_mainloop_stop(mainloop_);
        pa_threaded_mainloop_free(mainloop_);
        mainloop_ = nullptr;
    }
    if (loop_)
        loop_->writesAhead(false);
    loop_ = nullptr;
    alive_.store(false, std::memory_order_release);
    periodFrames_ = 0;
    bufferFrames_ = 0;
}

// --- On the main loop's thread, under its lock ---

void PulseOutput::onContextState(pa_context* context, void* self) {
    auto& me = *static_cast<PulseOutput*>(self);
    const pa_context_state_t state = pa_context_get_state(context);
    if (!PA_CONTEXT_IS_GOOD(state))
        me.alive_.store(false, std::memory_order_release);
    // The main loop's thread writes the stream: it gets a core before the
    // machine's ordinary work, where the system allows it.
    if (state == PA_CONTEXT_READY)
        makeThisThreadRealtime(FeederPriority);
    pa_threaded_mainloop_signal(me.mainloop_, 0);
}

void PulseOutput::onStreamState(pa_stream* stream, void* self) {
    auto& me = *static_cast<PulseOutput*>(self);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        me.alive_.store(false, std::memory_order_release);
    pa_threaded_mainloop_signal(me.mainloop_, 0);
}

void PulseOutput::onTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
    auto& me = *static_cast<PulseOutput*>(self);
    me.timedOut_ = true;
    pa_threaded_mainloop_signal(me.mainloop_, 0);
}

void PulseOutput::onUnderflow(pa_stream*, void* self) {
    static_cast<PulseOutput*>(self)->underruns_.fetch_add(1, std::memory_order_relaxed);
}

void PulseOutput::onWrite(pa_stream* stream, size_t bytes, void* self) {
    auto& me = *static_cast<PulseOutput*>(self);
    if (me.started_)
        me.fill(bytes);
    // A fresh report at every request: between the automatic ones (which
    // come further and further apart) the interpolated latency drifts by
    // several milliseconds on PipeWire.
    if (pa_operation* update = pa_stream_update_timing_info(stream, nullptr, nullptr))
        pa_operation_unref(update);
}

// Writes `bytes` from the loop, a chunk at a time, into blocks of
// libpulse's memory pool. A Start or Stop met on the way throws away what
// the server holds (as the wake-up does), so a playback begins with the
// server's queue empty: its first frame sounds at once, where the clock
// that began it puts frame 0.
void PulseOutput::fill(size_t bytes) {
    for (;;) {
        const LoopBuffer::Obeyed obeyed = loop_->obeyTransport();
        if (obeyed != LoopBuffer::Obeyed::Nothing) {
            if (pa_operation* flush = pa_stream_flush(stream_, nullptr, nullptr))
                pa_operation_unref(flush);
            bytes = std::max(bytes, size_t{bufferFrames_} * FrameBytes);
            // What was queued behind an end is thrown away: the end sounds now.
            if (obeyed == LoopBuffer::Obeyed::Ended)
                loop_->markTime();
        }
        bytes -= bytes % FrameBytes;
        if (bytes == 0)
            break;
        size_t n = std::min<size_t>(bytes, ChunkFrames * FrameBytes);
        void* data = nullptr;
        if (pa_stream_begin_write(stream_, &data, &n) < 0 || !data)
            break;
        n -= n % FrameBytes;
        if (n == 0) {
            pa_stream_cancel_write(stream_);
            break;
        }
        loop_->readFrames(static_cast<int16_t*>(data), static_cast<uint32_t>(n / FrameBytes));
        if (pa_stream_write(stream_, data, n, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            break;
        bytes -= n;
    }
    markSounding();
}

// The frames written that have not sounded yet: the server's queue and the
// sink's latency, interpolated from the server's last timing report. Just
// after a flush the server has not reported yet; the position noted at the
// beginning then runs on by the clock. Through an underrun the server
// plays on and skips what comes too late for its place (no pre-buffering):
// the frames stay on the time, and so does the sounding position.
void PulseOutput::markSounding() {
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream_, &latency, &negative) < 0)
        return;
    const uint64_t frames = negative ? 0 : std::min<uint64_t>(latency * SongSpec.rate / PA_USEC_PER_SEC, SongSpec.rate);
    loop_->reportQueued(static_cast<uint32_t>(frames));
}

void PulseOutput::transportChanged() noexcept {
    const uint64_t one = 1;
    // Non-blocking; a full counter means a wake-up is pending anyway.
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

void PulseOutput::onWakeUp(pa_mainloop_api*, pa_io_event*, int fd, pa_io_event_flags_t, void* self) {
    uint64_t count = 0;
    while (::read(fd, &count, sizeof count) > 0) {
    }
    auto& me = *static_cast<PulseOutput*>(self);
    if (me.started_ && me.stream_)
        me.jump();
}

// A Start or Stop: what the server holds is the old content (silence, or
// the song that stops); it is thrown away and the new content written at
// once, a whole buffer of it, so that playback goes on without waiting.
// (Nothing is written when nothing audible changed, e.g. a Start before
// the priming.)
void PulseOutput::jump() {
    fill(0);
}

}  // namespace tamboro
