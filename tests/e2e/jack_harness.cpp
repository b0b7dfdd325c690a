#include "tests/e2e/jack_harness.h"

#include <jack/midiport.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "engine/clock_out.h"
#include "engine/mixer.h"
#include "engine/song_ops.h"
#include "engine/step_clock.h"
#include "files/sample_reload.h"
#include "files/song_file.h"

extern char** environ;

namespace tamboro::e2e {

namespace {

using namespace std::chrono_literals;

void quiet(const char*) {}

jack_client_t* openClient(const char* name) {
    jack_set_error_function(&quiet);
    jack_set_info_function(&quiet);
    jack_status_t status{};
    return jack_client_open(name, JackNoStartServer, &status);
}

int spawn(const std::vector<std::string>& args, int stdoutFd, int stderrFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    if (stderrFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stderrFd, 2);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

// Connected now (or already before).
bool connectOnce(jack_client_t* client, const std::string&, const std::string& from,
                 const std::string& to) {
    const int result = jack_connect(client, from.c_str(), to.c_str());
    return result == 0 || result == EEXIST;
}

int waitFor(int pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// --- JackServer ---

JackServer::JackServer(unsigned rate, unsigned period) {
    static int serial = 0;
    name_ = "tamboro-test-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    // Synchronous mode (-S): each cycle waits for every client, so a test
    // machine busy with other work delays the dummy clock instead of
    // dropping a client's period.
    const int devnull = ::open("/dev/null", O_WRONLY);
    pid_ = spawn({"jackd", "-n", name_, "-S", "-t", "5000", "-d", "dummy", "-r", std::to_string(rate), "-p",
                  std::to_string(period), "-C", "0", "-P", "2"},
                 devnull, devnull);
    ::close(devnull);
    if (pid_ < 0)
        return;
    // Ready once a client can join (jack_lsp would do the same).
    for (int i = 0; i < 200 && !ready_; ++i) {
        std::this_thread::sleep_for(25ms);
        if (jack_client_t* probe = openClient("tamboro-test-probe")) {
            jack_client_close(probe);
            ready_ = true;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
    }
}

JackServer::~JackServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitFor(pid_);   // its exit status after SIGTERM says nothing
    }
    // The server leaves its semaphores behind in /dev/shm.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
        const std::string file = entry.path().filename().string();
        if (file.find("_" + name_ + "_") != std::string::npos || file.rfind("jack_" + name_, 0) == 0)
            std::filesystem::remove(entry.path(), error);
    }
}

// --- JackRecorder ---

JackRecorder::JackRecorder(double maxSeconds) {
    client_ = openClient("tamboro-test");
    sender_ = openClient("tamboro-test-midi");
    if (!client_ || !sender_) {
        if (client_)
            jack_client_close(client_);
        if (sender_)
            jack_client_close(sender_);
        client_ = sender_ = nullptr;
        return;
    }
    rate_ = jack_get_sample_rate(client_);
    period_ = jack_get_buffer_size(client_);
    timed_ = std::make_unique<Timed[]>(ScheduleCapacity);
    received_ = std::make_unique<Received[]>(ReceiveCapacity);
    record_.assign(static_cast<size_t>(maxSeconds * rate_) * 2, 0.0f);
    transport_.assign(record_.size() / 2 / std::max(period_, 1u) + 1, TransportSeen{});
    in_[0] = jack_port_register(client_, "in_1", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    in_[1] = jack_port_register(client_, "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    midiOut_ = jack_port_register(sender_, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    midiIn_ = jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client_, &JackRecorder::process, this);
    jack_set_process_callback(sender_, &JackRecorder::sendMidi, this);
    if (!in_[0] || !in_[1] || !midiOut_ || !midiIn_ || jack_activate(client_) != 0 ||
        jack_activate(sender_) != 0) {
        jack_client_close(client_);
        jack_client_close(sender_);
        client_ = sender_ = nullptr;
    }
}

JackRecorder::~JackRecorder() {
    if (client_) {
        jack_deactivate(sender_);
        jack_client_close(sender_);
        jack_deactivate(client_);
        jack_client_close(client_);
    }
}

int JackRecorder::sendMidi(jack_nframes_t frames, void* self) {
    auto& me = *static_cast<JackRecorder*>(self);
    void* midi = jack_port_get_buffer(me.midiOut_, frames);
    jack_midi_clear_buffer(midi);
    const uint32_t cycle = jack_last_frame_time(me.sender_);
    uint32_t sent = me.sent_.load(std::memory_order_relaxed);
    const uint32_t pending = me.pending_.load(std::memory_order_acquire);
    // The scheduled messages of this cycle, each at its frame.
    size_t next = me.timedNext_.load(std::memory_order_relaxed);
    const size_t scheduled = me.timedCount_.load(std::memory_order_acquire);
    size_t late = 0;
    uint32_t after = 0;   // events of a cycle go out in the order of their frames
    auto writeTimed = [&](uint32_t upTo) {
        while (next < scheduled) {
            const Timed& t = me.timed_[next];
            const auto ahead = static_cast<int32_t>(t.frameTime - cycle);
            const uint32_t offset = std::max<uint32_t>(ahead < 0 ? 0 : static_cast<uint32_t>(ahead), after);
            if (ahead >= static_cast<int32_t>(frames) || offset > upTo)
                break;
            late += ahead < 0 ? 1 : 0;
            jack_midi_event_write(midi, offset, t.bytes, t.size);
            after = offset;
            ++next;
        }
    };
    for (int n = 0; n < 4 && pending > sent; ++n, ++sent) {
        const Message& message = me.messages_[sent % 256];
        const uint32_t offset = std::min<uint32_t>(std::max(message.offset, after), frames - 1);
        writeTimed(offset);
        jack_midi_event_write(midi, offset, message.bytes, message.size);
        me.sentTimes_[sent % 256] = cycle + offset;
        after = offset;
    }
    writeTimed(frames - 1);
    me.sent_.store(sent, std::memory_order_release);
    me.timedLate_.fetch_add(late, std::memory_order_relaxed);
    me.timedNext_.store(next, std::memory_order_release);
    return 0;
}

void JackRecorder::schedule(uint32_t frameTime, std::initializer_list<uint8_t> bytes) {
    const size_t count = timedCount_.load(std::memory_order_relaxed);
    if (count >= ScheduleCapacity || bytes.size() > 3)
        std::abort();   // the test asked for more than the harness holds
    Timed& t = timed_[count];   // not yet read by the callback
    t = Timed{frameTime, {}, static_cast<uint8_t>(bytes.size())};
    std::copy(bytes.begin(), bytes.end(), t.bytes);
    timedCount_.store(count + 1, std::memory_order_release);
}

int JackRecorder::process(jack_nframes_t frames, void* self) {
    auto& me = *static_cast<JackRecorder*>(self);
    const uint32_t now = jack_last_frame_time(me.client_);
    const size_t done = me.recorded_.load(std::memory_order_relaxed);
    if ((done + frames) * 2 > me.record_.size())
        return 0;
    if (done == 0)
        me.firstTime_.store(now, std::memory_order_relaxed);
    void* midiIn = jack_port_get_buffer(me.midiIn_, frames);
    size_t got = me.receivedCount_.load(std::memory_order_relaxed);
    for (uint32_t i = 0, n = jack_midi_get_event_count(midiIn); i < n && got < ReceiveCapacity; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, midiIn, i) == 0 && event.size > 0)
            me.received_[got++] = Received{now + event.time, event.buffer[0]};
    }
    me.receivedCount_.store(got, std::memory_order_release);
    jack_position_t position;
    const bool rolling = jack_transport_query(me.client_, &position) == JackTransportRolling;
    if (const size_t cycle = done / frames; cycle < me.transport_.size())
        me.transport_[cycle] = TransportSeen{now, rolling, position.frame};
    const auto* l = static_cast<const float*>(jack_port_get_buffer(me.in_[0], frames));
    const auto* r = static_cast<const float*>(jack_port_get_buffer(me.in_[1], frames));
    float* out = me.record_.data() + done * 2;
    for (jack_nframes_t i = 0; i < frames; ++i) {
        out[2 * i] = l[i];
        out[2 * i + 1] = r[i];
    }
    me.recorded_.store(done + frames, std::memory_order_release);
    return 0;
}

std::vector<JackRecorder::Received> JackRecorder::received() const {
    const size_t n = receivedCount_.load(std::memory_order_acquire);
    return std::vector<Received>(received_.get(), received_.get() + n);
}

bool JackRecorder::connectTamboro(bool midi, bool midiOut) {
    const std::string me = jack_get_client_name(client_);
    const std::string sender = jack_get_client_name(sender_);
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < end) {
        const bool audio = jack_port_by_name(client_, "Tamboro:outport 0") &&
                           jack_port_by_name(client_, "Tamboro:outport 1");
        const bool midiIn = !midi || jack_port_by_name(client_, "Tamboro:MIDI In");
        const bool clockOut = !midiOut || jack_port_by_name(client_, "Tamboro:MIDI Out");
        // Ports of a client that is not active yet refuse connections: retry.
        if (audio && midiIn && clockOut && connectOnce(client_, me, "Tamboro:outport 0", me + ":in_1") &&
            connectOnce(client_, me, "Tamboro:outport 1", me + ":in_2") &&
            (!midi || connectOnce(client_, me, sender + ":midi_out", "Tamboro:MIDI In")) &&
            (!midiOut || connectOnce(client_, me, "Tamboro:MIDI Out", me + ":midi_in")))
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

uint32_t JackRecorder::send(uint8_t status, uint32_t offset) {
    return send(std::vector<uint8_t>{status}, offset);
}

void JackRecorder::post(uint8_t status, uint32_t offset) {
    const uint32_t index = pending_.load(std::memory_order_relaxed);
    while (index - sent_.load(std::memory_order_acquire) >= 256)
        std::this_thread::sleep_for(100us);
    Message& message = messages_[index % 256];
    message.bytes[0] = status;
    message.size = 1;
    message.offset = offset;
    pending_.store(index + 1, std::memory_order_release);
}

void JackRecorder::waitSent() const {
    while (sent_.load(std::memory_order_acquire) < pending_.load(std::memory_order_relaxed))
        std::this_thread::sleep_for(100us);
}

uint32_t JackRecorder::send(const std::vector<uint8_t>& bytes, uint32_t offset) {
    const uint32_t index = pending_.load(std::memory_order_relaxed);
    Message& message = messages_[index % 256];
    message.size = static_cast<uint8_t>(std::min<size_t>(bytes.size(), sizeof message.bytes));
    std::copy_n(bytes.begin(), message.size, message.bytes);
    message.offset = offset;
    pending_.store(index + 1, std::memory_order_release);
    while (sent_.load(std::memory_order_acquire) <= index)
        std::this_thread::sleep_for(100us);
    return sentTimes_[index % 256];
}

uint64_t JackRecorder::microseconds(uint32_t frameTime) const {
    return jack_frames_to_time(client_, frameTime);
}

void JackRecorder::waitFrames(size_t frames) const {
    for (int i = 0; i < 6000 && this->frames() < frames; ++i)
        std::this_thread::sleep_for(5ms);
}

std::vector<int16_t> JackRecorder::samples() const {
    const size_t n = frames() * 2;
    std::vector<int16_t> out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = static_cast<int16_t>(std::lrint(std::clamp(record_[i] * 32768.0f, -32768.0f, 32767.0f)));
    return out;
}

std::vector<JackRecorder::TransportSeen> JackRecorder::transportSeen() const {
    const size_t cycles = std::min(frames() / std::max(period_, 1u), transport_.size());
    return std::vector<TransportSeen>(transport_.begin(), transport_.begin() + static_cast<long>(cycles));
}

std::vector<float> JackRecorder::left() const {
    const size_t n = frames();
    std::vector<float> out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = record_[2 * i];
    return out;
}

std::vector<float> JackRecorder::right() const {
    const size_t n = frames();
    std::vector<float> out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = record_[2 * i + 1];
    return out;
}

// --- TimebaseMaster ---

TimebaseMaster::TimebaseMaster() {
    client_ = openClient("tamboro-test-timebase");
    if (!client_)
        return;
    if (jack_activate(client_) != 0 || jack_set_timebase_callback(client_, 0, &TimebaseMaster::timebase, this) != 0) {
        jack_client_close(client_);
        client_ = nullptr;
        return;
    }
    jack_transport_locate(client_, 0);
}

TimebaseMaster::~TimebaseMaster() {
    if (client_) {
        jack_transport_stop(client_);
        jack_release_timebase(client_);
        jack_client_close(client_);
    }
}

void TimebaseMaster::timebase(jack_transport_state_t, jack_nframes_t, jack_position_t* position, int, void*) {
    const double beats = position->frame / (position->frame_rate * 60.0 / 120.0);
    const auto whole = static_cast<int64_t>(beats);
    position->valid = JackPositionBBT;
    position->beats_per_bar = 4;
    position->beat_type = 4;
    position->ticks_per_beat = 1920;
    position->beats_per_minute = 120;
    position->bar = static_cast<int32_t>(whole / 4 + 1);
    position->beat = static_cast<int32_t>(whole % 4 + 1);
    position->tick = static_cast<int32_t>((beats - static_cast<double>(whole)) * 1920);
    position->bar_start_tick = (position->bar - 1) * 4 * 1920.0;
}

// --- TransportMaster ---

TransportMaster::TransportMaster() {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    char name[] = "jack_transport";
    char* argv[] = {name, nullptr};
    pid_t pid = -1;
    if (posix_spawnp(&pid, name, &actions, nullptr, argv, environ) == 0)
        pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[0]);
    in_ = pipeFds[1];
    say("master");
}

TransportMaster::~TransportMaster() {
    if (pid_ > 0) {
        say("quit");
        for (int i = 0; i < 200; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitFor(pid_);
        }
    }
    if (in_ >= 0)
        ::close(in_);
}

void TransportMaster::say(const std::string& command) {
    const std::string line = command + "\n";
    if (in_ >= 0 && ::write(in_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        std::abort();   // the pipe to jack_transport broke
}

// --- TamboroProcess ---

TamboroProcess::TamboroProcess(const std::vector<std::string>& args, bool keepErrors) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return;
    std::vector<std::string> all{TAMBORO_EXECUTABLE};
    all.insert(all.end(), args.begin(), args.end());
    int errors = -1;
    if (keepErrors) {
        static int serial = 0;
        errorFile_ = std::filesystem::temp_directory_path() /
                     ("tamboro-e2e-stderr-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
        errors = ::open(errorFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    pid_ = spawn(all, pipeFds[1], errors);
    if (errors >= 0)
        ::close(errors);
    ::close(pipeFds[1]);
    out_ = pipeFds[0];
}

TamboroProcess::~TamboroProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitFor(pid_);
    }
    if (out_ >= 0)
        ::close(out_);
    if (!errorFile_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(errorFile_, ignored);
    }
}

std::string TamboroProcess::errors() const {
    std::ifstream file(errorFile_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string TamboroProcess::readLine(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (true) {
        const auto newline = buffer_.find('\n');
        if (newline != std::string::npos) {
            std::string line = buffer_.substr(0, newline);
            buffer_.erase(0, newline + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || out_ < 0)
            return {};
        pollfd fd{out_, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count())) <= 0)
            return {};
        char chunk[256];
        const ssize_t got = ::read(out_, chunk, sizeof chunk);
        if (got <= 0)
            return {};
        buffer_.append(chunk, static_cast<size_t>(got));
    }
}

int TamboroProcess::stop() {
    if (pid_ <= 0)
        return -1;
    kill(pid_, SIGTERM);
    return wait();
}

int TamboroProcess::wait() {
    const int status = waitFor(pid_);
    pid_ = -1;
    return status;
}

// --- Songs ---

TestSongs::TestSongs(const std::string& prefix)
    : path(std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(::getpid()))) {
    writeTestSongs(path);
}

TestSongs::~TestSongs() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

namespace {

void writeMonoWave(const std::filesystem::path& path, const std::vector<int16_t>& values) {
    auto le = [](std::ofstream& f, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            f.put(static_cast<char>(v >> (8 * i) & 0xFF));
    };
    std::ofstream f(path, std::ios::binary);
    const uint32_t data = static_cast<uint32_t>(values.size() * 2);
    f.write("RIFF", 4);
    le(f, 36 + data, 4);
    f.write("WAVEfmt ", 8);
    le(f, 16, 4);
    le(f, 1, 2);
    le(f, 1, 2);
    le(f, 44100, 4);
    le(f, 88200, 4);
    le(f, 2, 2);
    le(f, 16, 2);
    f.write("data", 4);
    le(f, data, 4);
    for (int16_t v : values)
        le(f, static_cast<uint16_t>(v), 2);
}

void setName(SongState& song, int channel, const char* name) {
    std::strncpy(song.sampleName[channel].data(), name, SampleNameBytes - 1);
}

// A new song at `tempo` and `length` with no steps set, every channel
// empty at full volume without distortion, and the tone on channel 0.
void toneOnly(SongState& song, int16_t tempo, int16_t length) {
    newSong(song);
    song.stepGrid.fill(0);
    song.tempo = tempo;
    song.songLength = length;
    for (int c = 0; c < ChannelCount; ++c) {
        song.sampleName[c].fill(0);
        song.volume[c] = 64;
        song.distortion[c] = 0;
        updateDistortionCurve(song, c);
    }
    setName(song, 0, "tone.wav");
}

}  // namespace

void writeTestSongs(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder / "Samples");
    std::vector<int16_t> noise(9000);
    uint32_t state = 12345;
    for (size_t i = 0; i < noise.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        noise[i] = static_cast<int16_t>(static_cast<int32_t>(state >> 16) - 32768) / 2;
    }
    noise[0] = 20000;
    writeMonoWave(folder / "Samples" / "noise.wav", noise);
    std::vector<int16_t> tone(2205);   // 50 ms of 1 kHz, starting at its peak
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<int16_t>(std::lrint(16000 * std::cos(2 * M_PI * 1000.0 * i / 44100.0)));
    writeMonoWave(folder / "Samples" / "tone.wav", tone);

    SongState song;
    toneOnly(song, 120, 16);
    for (int step : {0, 4, 8, 12})
        song.stepGrid[step * ChannelCount + 0] = 1;
    if (saveSong(song, folder / "tone.sng") != 0)
        std::abort();

    setName(song, 1, "noise.wav");
    for (int step : {0, 3, 6, 7, 10, 13})
        song.stepGrid[step * ChannelCount + 1] = 1;
    song.volume[1] = 40;
    song.shuffle = 30;
    if (saveSong(song, folder / "beat.sng") != 0)
        std::abort();
    // Restarts draw the shuffle on from where the generator stands, so
    // songs that are compared after a restart have none.
    song.shuffle = 0;
    if (saveSong(song, folder / "straight.sng") != 0)
        std::abort();

    // Noise that is never near zero, started at every step on one channel.
    std::vector<int16_t> loud(6000);
    for (size_t i = 0; i < loud.size(); ++i) {
        const int16_t v = static_cast<int16_t>(4000 + std::abs(noise[i] % 8000));
        loud[i] = (i / 8) % 2 ? static_cast<int16_t>(-v) : v;   // about 2.8 kHz
    }
    writeMonoWave(folder / "Samples" / "loud.wav", loud);
    song.stepGrid.fill(0);
    for (int c = 0; c < ChannelCount; ++c)
        song.sampleName[c].fill(0);
    setName(song, 2, "loud.wav");
    song.volume[2] = 64;
    for (int step = 0; step < 16; ++step)
        song.stepGrid[step * ChannelCount + 2] = 1;
    if (saveSong(song, folder / "drone.sng") != 0)
        std::abort();
}

void writeToneSong(const std::filesystem::path& file, int16_t tempo, const std::vector<int>& steps,
                   int16_t length, const std::vector<int>& noiseSteps) {
    SongState song;
    toneOnly(song, tempo, length);
    for (int step : steps)
        song.stepGrid[step * ChannelCount + 0] = 1;
    if (!noiseSteps.empty())
        setName(song, 1, "noise.wav");
    for (int step : noiseSteps)
        song.stepGrid[step * ChannelCount + 1] = 1;
    if (saveSong(song, file) != 0)
        std::abort();
}

std::vector<int16_t> renderFromStepZero(const std::filesystem::path& songPath,
                                        const std::filesystem::path& samples, size_t frames) {
    auto song = std::make_unique<SongState>();
    newSong(*song);
    if (loadSong(*song, songPath) != SongLoadResult::Loaded)
        return {};
    reloadSamples(*song, samples, [](const SampleLoadFailure&) {});
    resetVoices(*song);
    const size_t halfValues = HalfBytes / 2;
    std::vector<int16_t> out((frames * 2 + halfValues - 1) / halfValues * halfValues);
    for (size_t at = 0; at < out.size(); at += halfValues)
        renderHalf(*song, out.data() + at);
    out.resize(frames * 2);
    return out;
}

std::vector<int64_t> stepStartsFromStepZero(const std::filesystem::path& songPath, size_t frames) {
    auto song = std::make_unique<SongState>();
    newSong(*song);
    if (loadSong(*song, songPath) != SongLoadResult::Loaded)
        return {};
    resetVoices(*song);
    std::vector<int64_t> starts{0};
    std::vector<int16_t> half(HalfBytes / 2);
    for (size_t at = 0; at < frames; at += HalfBytes / 4) {
        StepMarks marks;
        renderHalfMarking(*song, half.data(), marks);
        for (int i = 0; i < marks.count; ++i)
            starts.push_back(static_cast<int64_t>(at) + int64_t{marks.blocks[i]} * BlockFrames);
    }
    return starts;
}

}  // namespace tamboro::e2e
