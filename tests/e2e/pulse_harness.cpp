#include "tests/e2e/pulse_harness.h"

#include <jack/midiport.h>
#include <pulse/error.h>
#include <pulse/simple.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

namespace tamboro::e2e {

namespace {

using namespace std::chrono_literals;

int startQuietly(const std::vector<std::string>& args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

// Waits up to `patience` for the child to end; false when it did not.
bool reap(int pid, std::chrono::milliseconds patience) {
    const auto end = std::chrono::steady_clock::now() + patience;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

void quiet(const char*) {}

}  // namespace

double monotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// --- SoundServer ---

SoundServer::SoundServer(ServerKind kind, bool runtimePathVariable) : kind_(kind) {
    static int serial = 0;
    folder_ = std::filesystem::temp_directory_path() /
              ("tamboro-sound-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_ / "xdg");
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
    std::filesystem::permissions(folder_ / "xdg", std::filesystem::perms::owner_all);

    for (const char* name : {"XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH", "PULSE_SERVER", "HOME", "XDG_CONFIG_HOME",
                             "XDG_STATE_HOME", "DBUS_SESSION_BUS_ADDRESS", "PIPEWIRE_RUNTIME_DIR"}) {
        const char* value = std::getenv(name);
        savedEnvironment_.emplace_back(name, value ? std::string(1, '=') + value : std::string());
        unsetenv(name);
    }
    setenv("XDG_RUNTIME_DIR", (folder_ / "xdg").c_str(), 1);
    setenv("HOME", folder_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
    setenv("XDG_STATE_HOME", (folder_ / "state").c_str(), 1);
    if (runtimePathVariable) {
        std::filesystem::create_directories(folder_ / "elsewhere");
        std::filesystem::permissions(folder_ / "elsewhere", std::filesystem::perms::owner_all);
        setenv("PULSE_RUNTIME_PATH", (folder_ / "elsewhere").c_str(), 1);
    }

    if (kind == ServerKind::PulseAudio) {
        pids_.push_back(startQuietly({"pulseaudio", "--daemonize=no", "-n", "--exit-idle-time=-1",
                                      "--use-pid-file=no", "--log-target=stderr", "-L",
                                      "module-native-protocol-unix"}));
    } else {
        // No Bluetooth: its monitor wants systemd-logind, which a bare
        // system (a chroot, a container) lacks, and WirePlumber quits then.
        const auto bluetooth = folder_ / "config" / "wireplumber" / "bluetooth.lua.d";
        std::filesystem::create_directories(bluetooth);
        std::ofstream(bluetooth / "80-tamboro-test.lua") << "bluez_monitor.enabled = false\n";
        const std::string bus = "unix:path=" + (folder_ / "bus").string();
        pids_.push_back(startQuietly({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + bus}));
        setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
        for (int i = 0; i < 200 && !std::filesystem::exists(folder_ / "bus"); ++i)
            std::this_thread::sleep_for(10ms);
        pids_.push_back(startQuietly({"pipewire"}));
        std::this_thread::sleep_for(200ms);
        pids_.push_back(startQuietly({"wireplumber"}));
        pids_.push_back(startQuietly({"pipewire-pulse"}));
    }
    ready_ = std::all_of(pids_.begin(), pids_.end(), [](int pid) { return pid > 0; }) && waitForAnswer();
}

SoundServer::~SoundServer() {
    for (auto pid = pids_.rbegin(); pid != pids_.rend(); ++pid) {
        if (*pid <= 0)
            continue;
        ::kill(*pid, SIGTERM);
        if (!reap(*pid, 3000ms)) {
            ::kill(*pid, SIGKILL);
            reap(*pid, 3000ms);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    for (const auto& [name, value] : savedEnvironment_) {
        if (value.empty())
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str() + 1, 1);
    }
}

bool SoundServer::waitForAnswer() {
    for (int i = 0; i < 200; ++i) {
        if (pactl("info"))
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

bool SoundServer::pactl(const std::string& args, std::string* output) const {
    FILE* pipe = popen(("pactl " + args + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return false;
    std::string text;
    char chunk[4096];
    size_t got = 0;
    while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        text.append(chunk, got);
    const int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool SoundServer::addNullSink(const std::string& name, const std::string& description) {
    if (!pactl("load-module module-null-sink sink_name=" + name + " sink_properties=device.description=" +
               description))
        return false;
    // PipeWire makes the node a moment later.
    for (int i = 0; i < 200; ++i) {
        std::string sinks;
        if (pactl("list sinks short", &sinks) && sinks.find("\t" + name + "\t") != std::string::npos)
            return true;
        std::this_thread::sleep_for(25ms);
    }
    return false;
}

std::string SoundServer::sinkOfStream(const std::string& stream) const {
    std::string inputs, sinks;
    if (!pactl("list sink-inputs", &inputs) || !pactl("list sinks short", &sinks))
        return {};
    std::istringstream lines(inputs);
    std::string line, sinkIndex, found;
    while (std::getline(lines, line)) {
        const auto text = line.find_first_not_of(" \t");
        if (text == std::string::npos)
            continue;
        line.erase(0, text);
        if (line.rfind("Sink Input #", 0) == 0)
            sinkIndex.clear();
        else if (line.rfind("Sink: ", 0) == 0)
            sinkIndex = line.substr(6);
        else if (line == "media.name = \"" + stream + "\"" && found.empty())
            found = sinkIndex;
    }
    if (found.empty())
        return {};
    std::istringstream rows(sinks);
    while (std::getline(rows, line)) {
        std::istringstream fields(line);
        std::string index, name;
        std::getline(fields, index, '\t');
        std::getline(fields, name, '\t');
        if (index == found)
            return name;
    }
    return {};
}

void SoundServer::kill() {
    for (auto pid = pids_.rbegin(); pid != pids_.rend(); ++pid) {
        if (*pid <= 0)
            continue;
        ::kill(*pid, SIGKILL);
        reap(*pid, 3000ms);
        *pid = -1;
    }
}

// --- MonitorRecorder ---

MonitorRecorder::MonitorRecorder(const std::string& sink, double maxSeconds) {
    const size_t blocks = static_cast<size_t>(maxSeconds * 44100 / BlockFrames) + 1;
    samples_.assign(blocks * BlockFrames * 2, 0);
    arrivals_.assign(blocks, 0.0);
    const pa_sample_spec format{PA_SAMPLE_S16LE, 44100, 2};
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = BlockFrames * 4;
    int error = 0;
    // A silent stream that keeps the sink at the short latency that
    // Tamboro's own stream asks for, before, during and after it: an idle
    // PulseAudio null sink renders up to 2 s ahead and rewinds when a
    // stream comes, which the monitor cannot take back.
    pa_buffer_attr keep{};
    keep.maxlength = static_cast<uint32_t>(-1);
    keep.tlength = 2 * BlockFrames * 4;
    keep.prebuf = static_cast<uint32_t>(-1);
    keep.minreq = BlockFrames * 4;
    pa_simple* keeper = pa_simple_new(nullptr, "tamboro-test", PA_STREAM_PLAYBACK, sink.c_str(), "silence", &format,
                                      nullptr, &keep, &error);
    const std::vector<int16_t> silence(BlockFrames * 2 * 2, 0);
    if (!keeper || pa_simple_write(keeper, silence.data(), silence.size() * 2, &error) < 0) {
        if (keeper)
            pa_simple_free(keeper);
        return;
    }
    pa_simple* connection = pa_simple_new(nullptr, "tamboro-test", PA_STREAM_RECORD, (sink + ".monitor").c_str(),
                                          "monitor", &format, nullptr, &attr, &error);
    if (!connection) {
        pa_simple_free(keeper);
        return;
    }
    ok_ = true;
    keeperThread_ = std::thread([this, keeper] {
        // pa_simple_write waits while the server's buffer is full: this keeps pace.
        const std::vector<int16_t> block(BlockFrames * 2, 0);
        int status = 0;
        while (!stopping_.load(std::memory_order_relaxed) &&
               pa_simple_write(keeper, block.data(), block.size() * 2, &status) >= 0) {
        }
        pa_simple_free(keeper);
    });
    thread_ = std::thread([this, connection] { run(connection); });
    // A monitor delivers nothing for about a second after it is joined,
    // then in time: the test begins once the blocks flow.
    for (int i = 0; i < 1000 && blocks_.load() < 60; ++i)
        std::this_thread::sleep_for(10ms);
    ok_ = blocks_.load() >= 60;
}

MonitorRecorder::~MonitorRecorder() {
    stop();
}

void MonitorRecorder::run(void* opaque) {
    auto* connection = static_cast<pa_simple*>(opaque);
    const size_t capacity = arrivals_.size();
    int error = 0;
    for (size_t block = 0; block < capacity && !stopping_.load(std::memory_order_relaxed); ++block) {
        if (pa_simple_read(connection, samples_.data() + block * BlockFrames * 2, BlockFrames * 4, &error) < 0)
            break;
        arrivals_[block] = monotonicNow();
        blocks_.store(block + 1, std::memory_order_release);
    }
    pa_simple_free(connection);
}

void MonitorRecorder::stop() {
    stopping_.store(true);
    if (thread_.joinable())
        thread_.join();
    if (keeperThread_.joinable())
        keeperThread_.join();
    const size_t blocks = blocks_.load();
    samples_.resize(blocks * BlockFrames * 2);
    arrivals_.resize(blocks);
}

FrameClock fitFrameClock(const std::vector<double>& arrivals, uint32_t blockFrames) {
    return fitFrameClock(arrivals, blockFrames, std::min<size_t>(40, arrivals.size() / 4), arrivals.size());
}

FrameClock fitFrameClock(const std::vector<double>& arrivals, uint32_t blockFrames, size_t skip, size_t until) {
    FrameClock clock;
    until = std::min(until, arrivals.size());
    if (skip + 10 > until)
        return clock;
    const size_t n = until - skip;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const double t0 = arrivals[skip];
    for (size_t i = skip; i < until; ++i) {
        const double x = double(i + 1) * blockFrames, y = arrivals[i] - t0;
        sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double intercept = (sy - slope * sx) / n + t0;
    std::vector<double> residuals;
    for (size_t i = skip; i < until; ++i)
        residuals.push_back(arrivals[i] - (intercept + slope * double(i + 1) * blockFrames));
    const double lowest = *std::min_element(residuals.begin(), residuals.end());
    for (double& r : residuals)
        r -= lowest;
    std::sort(residuals.begin(), residuals.end());
    clock.secondsPerFrame = slope;
    clock.zero = intercept + lowest;
    clock.spreadMs = residuals[residuals.size() / 2] * 1000;
    clock.worstSpreadMs = residuals.back() * 1000;
    return clock;
}

// --- JackMidiSender ---

JackMidiSender::JackMidiSender() {
    jack_set_error_function(&quiet);
    jack_set_info_function(&quiet);
    jack_status_t status{};
    client_ = jack_client_open("tamboro-midi-test", JackNoStartServer, &status);
    if (!client_)
        return;
    out_ = jack_port_register(client_, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    jack_set_process_callback(client_, &JackMidiSender::process, this);
    if (!out_ || jack_activate(client_) != 0) {
        jack_client_close(client_);
        client_ = nullptr;
    }
}

JackMidiSender::~JackMidiSender() {
    if (client_) {
        jack_deactivate(client_);
        jack_client_close(client_);
    }
}

int JackMidiSender::process(jack_nframes_t frames, void* self) {
    auto& me = *static_cast<JackMidiSender*>(self);
    void* midi = jack_port_get_buffer(me.out_, frames);
    jack_midi_clear_buffer(midi);
    const uint32_t sent = me.sent_.load(std::memory_order_relaxed);
    if (me.pending_.load(std::memory_order_acquire) > sent) {
        jack_midi_event_write(midi, 0, &me.messages_[sent % 256], 1);
        me.stamps_[sent % 256] = monotonicNow();
        me.sent_.store(sent + 1, std::memory_order_release);
    }
    if (me.streaming_.load(std::memory_order_acquire))
        me.sendClocks(midi, frames);
    return 0;
}

// The receiver takes every message of a cycle when the cycle runs (a
// sound-server output has no frame of its own inside it), so the cycle's
// stamp is the clock's time for it.
void JackMidiSender::sendClocks(void* midi, jack_nframes_t frames) {
    const double now = monotonicNow();
    if (!startedClocks_.load(std::memory_order_relaxed)) {
        const uint8_t start = 0xFA;
        jack_midi_event_write(midi, 0, &start, 1);
        startStamp_ = now;
        cycleFrames_ = 0;
        startedClocks_.store(true, std::memory_order_release);
    }
    const double end = cycleFrames_ + frames;
    size_t sent = clocksSent_.load(std::memory_order_relaxed);
    while (sent < clockStamps_.size() && firstClock_ + static_cast<double>(sent) * framesPerClock_ < end) {
        const double at = std::max(0.0, firstClock_ + static_cast<double>(sent) * framesPerClock_ - cycleFrames_);
        const uint8_t clock = 0xF8;
        jack_midi_event_write(midi, static_cast<jack_nframes_t>(at), &clock, 1);
        clockStamps_[sent] = now;
        ++sent;
    }
    clocksSent_.store(sent, std::memory_order_release);
    cycleFrames_ = end;
    if (sent >= clockStamps_.size())
        streaming_.store(false, std::memory_order_release);
}

double JackMidiSender::startClocks(double framesPerClock, size_t clocks, double lead) {
    clockStamps_.assign(clocks, 0.0);
    framesPerClock_ = framesPerClock;
    firstClock_ = lead;
    startedClocks_.store(false, std::memory_order_relaxed);
    clocksSent_.store(0, std::memory_order_relaxed);
    streaming_.store(true, std::memory_order_release);
    while (!startedClocks_.load(std::memory_order_acquire))
        std::this_thread::sleep_for(100us);
    return startStamp_;
}

bool JackMidiSender::connectTamboro() {
    const std::string from = std::string(jack_get_client_name(client_)) + ":midi_out";
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < end) {
        if (const char** ports = jack_get_ports(client_, "^Tamboro:MIDI In$", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput)) {
            const int result = ports[0] ? jack_connect(client_, from.c_str(), ports[0]) : -1;
            jack_free(ports);
            if (result == 0 || result == EEXIST)
                return true;
        }
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

double JackMidiSender::send(uint8_t status) {
    const uint32_t index = pending_.load(std::memory_order_relaxed);
    messages_[index % 256] = status;
    pending_.store(index + 1, std::memory_order_release);
    while (sent_.load(std::memory_order_acquire) <= index)
        std::this_thread::sleep_for(100us);
    return stamps_[index % 256];
}

// --- Analysis ---

namespace {

bool loud(const std::vector<int16_t>& samples, size_t frame, int threshold) {
    return std::abs(samples[2 * frame]) > threshold || std::abs(samples[2 * frame + 1]) > threshold;
}

}  // namespace

std::vector<Span> quietSpans(const std::vector<int16_t>& samples, size_t from, size_t to, int threshold,
                             size_t minFrames) {
    std::vector<Span> spans;
    to = std::min(to, samples.size() / 2);
    size_t start = from;
    for (size_t f = from; f <= to; ++f) {
        if (f == to || loud(samples, f, threshold)) {
            if (f - start >= minFrames)
                spans.push_back({start, f});
            start = f + 1;
        }
    }
    return spans;
}

size_t firstLoud(const std::vector<int16_t>& samples, size_t from, size_t to, int threshold) {
    to = std::min(to, samples.size() / 2);
    for (size_t f = from; f < to; ++f)
        if (loud(samples, f, threshold))
            return f;
    return to;
}

size_t endOfLoud(const std::vector<int16_t>& samples, size_t from, size_t to, int threshold) {
    to = std::min(to, samples.size() / 2);
    for (size_t f = to; f > from; --f)
        if (loud(samples, f - 1, threshold))
            return f;
    return from;
}

Figures figuresOf(std::vector<double> values) {
    Figures figures;
    if (values.empty())
        return figures;
    std::sort(values.begin(), values.end());
    figures.median = values[values.size() / 2];
    figures.worst = values.back();
    figures.best = values.front();
    return figures;
}

}  // namespace tamboro::e2e
