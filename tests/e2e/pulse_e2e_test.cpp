// End to end against private sound servers that each test starts itself:
// PulseAudio, and PipeWire with its PulseAudio server. `tamboro --play`
// plays to a null sink whose monitor the test records, each block stamped
// with CLOCK_MONOTONIC as it arrives; MIDI Start and Stop come from a JACK
// MIDI sender that stamps them the same way. Latency figures are printed
// for the report, never asserted beyond generous bounds.

#include <gtest/gtest.h>

#include <dirent.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/song_ops.h"
#include "files/song_file.h"
#include "tests/e2e/jack_harness.h"
#include "tests/e2e/pulse_harness.h"

namespace tamboro::e2e {
namespace {

using namespace std::chrono_literals;

// The threads of process `pid` that run in SCHED_FIFO.
size_t realtimeThreads(int pid) {
    size_t count = 0;
    const std::string folder = "/proc/" + std::to_string(pid) + "/task";
    if (DIR* tasks = opendir(folder.c_str())) {
        while (const dirent* task = readdir(tasks))
            if (task->d_name[0] != '.' &&
                (sched_getscheduler(std::atoi(task->d_name)) & ~SCHED_RESET_ON_FORK) == SCHED_FIFO)
                ++count;
        closedir(tasks);
    }
    return count;
}

constexpr int Quiet = 64;   // below this a sample counts as silence (PipeWire converts)

const char* nameOf(ServerKind kind) {
    return kind == ServerKind::PulseAudio ? "PulseAudio" : "PipeWire";
}

struct Folder : TestSongs {
    Folder() : TestSongs("tamboro-pulse-e2e") {
        // dense.sng: the noise on every step, so that the song never pauses
        // and a Stop or a dropout shows as silence.
        SongState song;
        newSong(song);
        if (loadSong(song, path / "straight.sng") != SongLoadResult::Loaded)
            std::abort();
        for (int step = 0; step < 16; ++step)
            song.stepGrid[step * ChannelCount + 1] = 1;
        if (saveSong(song, path / "dense.sng") != 0)
            std::abort();
    }
};

std::vector<std::string> listDevices() {
    TamboroProcess tamboro({"--list-devices"});
    std::vector<std::string> lines;
    for (std::string line = tamboro.readLine(20); !line.empty(); line = tamboro.readLine(20))
        lines.push_back(line);
    tamboro.wait();
    return lines;
}

// The number of the listed device called exactly `name`; -1 when none is.
// Lines read "  N  NAME".
int deviceNumber(const std::vector<std::string>& lines, const std::string& name) {
    for (const std::string& line : lines) {
        const size_t number = line.find_first_not_of(' ');
        const size_t gap = number == std::string::npos ? number : line.find("  ", number);
        if (gap != std::string::npos && line.compare(gap + 2, std::string::npos, name) == 0)
            return std::atoi(line.c_str() + number);
    }
    return -1;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

size_t occurrences(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// The frame of `reference` that the capture holds at `frame`: where 2048
// frames of it appear exactly among the reference's first 8192; -1 when they do not.
long songFrameAt(const std::vector<int16_t>& capture, size_t frame, const std::vector<int16_t>& reference) {
    const size_t length = 2048;
    if ((frame + length) * 2 > capture.size())
        return -1;
    for (size_t r = 0; r < 8192 && (r + length) * 2 <= reference.size(); ++r) {
        if (std::equal(capture.begin() + 2 * frame, capture.begin() + 2 * (frame + length), reference.begin() + 2 * r))
            return static_cast<long>(r);
    }
    return -1;
}

// The latency the server configured for `sink`, in ms, from pactl; 0 when unknown.
double configuredLatencyMs(const SoundServer& server, const std::string& sink) {
    std::string text;
    if (!server.pactl("list sinks", &text))
        return 0;
    const size_t at = text.find("Name: " + sink + "\n");
    const size_t configured = at == std::string::npos ? at : text.find("configured ", at);
    return configured == std::string::npos ? 0 : std::atof(text.c_str() + configured + 11) / 1000;
}

// For each clock stamped at `stamps`, whether the master was steady enough
// before it to judge a beat there: no interval since the first clock that
// the follower takes for clocks lost (one and a half periods), and none
// more than `tolerance` seconds off the period in the four beats before.
std::vector<bool> steadyBefore(const std::vector<double>& stamps, double period, double tolerance) {
    std::vector<bool> steady(stamps.size(), true);
    bool gap = false;
    size_t lastOff = 0;
    bool off = false;
    for (size_t i = 1; i < stamps.size(); ++i) {
        const double interval = stamps[i] - stamps[i - 1];
        gap = gap || interval > 1.5 * period;
        if (std::abs(interval - period) > tolerance) {
            off = true;
            lastOff = i;
        }
        steady[i] = !gap && !(off && i - lastOff < 96);
    }
    return steady;
}

// A server of the kind with one null sink "tamboro_test" ("Test Sink").
struct Rig {
    explicit Rig(ServerKind kind) : server(kind) {}
    SoundServer server;
    Folder folder;
    bool up() { return server.ready() && server.addNullSink("tamboro_test", "Test_Sink"); }
    int device() { return deviceNumber(listDevices(), "PulseAudio: Test_Sink"); }
};

class PulseSync : public ::testing::TestWithParam<ServerKind> {};

// Ten Starts and Stops at random moments: each Start sounds the song from
// step 0 soon after the message, each Stop silences it soon after.
TEST_P(PulseSync, StartAndStopActSoonAfterTheMessage) {
    Rig rig(GetParam());
    ASSERT_TRUE(rig.up()) << nameOf(GetParam()) << " did not start";
    JackServer jack(44100, 256);
    ASSERT_TRUE(jack.ready()) << "jackd -d dummy did not start";
    const int device = rig.device();
    ASSERT_GT(device, 0);
    JackMidiSender sender;
    ASSERT_TRUE(sender.ok());
    MonitorRecorder recorder("tamboro_test", 40);
    ASSERT_TRUE(recorder.ok());
    TamboroProcess tamboro({"--play", rig.folder.song("dense.sng"), "--samples", rig.folder.samples(),
                            "--midi-sync", "--device", std::to_string(device), "--seconds", "60"});
    ASSERT_EQ(tamboro.readLine(10).rfind("armed: PulseAudio: Test_Sink, 44100 Hz", 0), 0u);
    ASSERT_TRUE(sender.connectTamboro());
    std::this_thread::sleep_for(300ms);

    std::mt19937 random(7);
    std::uniform_int_distribution<int> jitter(0, 40);
    std::vector<double> startAt, stopAt;
    for (int i = 0; i < 10; ++i) {
        startAt.push_back(sender.send(i % 3 == 1 ? 0xFB : 0xFA));
        EXPECT_EQ(tamboro.readLine(2), "playing");
        std::this_thread::sleep_for(std::chrono::milliseconds(350 + jitter(random)));
        stopAt.push_back(sender.send(0xFC));
        EXPECT_EQ(tamboro.readLine(2), "stopped");
        std::this_thread::sleep_for(std::chrono::milliseconds(300 + jitter(random)));
    }
    const double sinkLatency = configuredLatencyMs(rig.server, "tamboro_test");
    EXPECT_EQ(tamboro.stop(), 0);
    recorder.stop();

    const auto& capture = recorder.samples();
    const FrameClock clock = fitFrameClock(recorder.arrivals(), MonitorRecorder::BlockFrames);
    const auto reference = renderFromStepZero(rig.folder.song("dense.sng"), rig.folder.samples(), 44100);
    std::vector<double> starts, stops, spreads;
    for (size_t i = 0; i < startAt.size(); ++i) {
        // The frames' times from the blocks within a second of this Start and Stop.
        const auto block = static_cast<long>(clock.frame(startAt[i]) / MonitorRecorder::BlockFrames);
        const FrameClock local = fitFrameClock(recorder.arrivals(), MonitorRecorder::BlockFrames,
                                               static_cast<size_t>(std::max(0L, block - 172)),
                                               static_cast<size_t>(block + 240));
        spreads.push_back(local.spreadMs);
        const auto from = static_cast<size_t>(local.frame(startAt[i] - 0.1));
        const auto until = static_cast<size_t>(local.frame(stopAt[i]));
        const size_t onset = firstLoud(capture, from, until, Quiet);
        ASSERT_LT(onset, until) << "Start " << i << " did not sound before its Stop";
        starts.push_back((local.time(onset) - startAt[i]) * 1000);
        // Up to shortly before the next Start, whose sound may come within
        // the stamps' spread of its message.
        const size_t next = i + 1 < startAt.size() ? static_cast<size_t>(local.frame(startAt[i + 1] - 0.05))
                                                   : capture.size() / 2;
        const size_t end = endOfLoud(capture, static_cast<size_t>(local.frame(stopAt[i] - 0.1)), next, Quiet);
        stops.push_back((local.time(end) - stopAt[i]) * 1000);
        if (GetParam() == ServerKind::PulseAudio) {
            // PulseAudio passes the samples through untouched: 20 ms after
            // the onset the capture is the song 20 ms after step 0 (a
            // rewind of the sink may cost the monitor a few frames).
            const long at = songFrameAt(capture, onset + 882, reference);
            EXPECT_NEAR(at, 882, 441) << "Start " << i << " is not the song from step 0 (song frame " << at
                                      << " 20 ms after the onset)";
        }
    }
    // A change whose blocks arrived too unevenly to time it (a busy machine
    // delays the recorder itself) is not judged; most changes must be.
    size_t judged = 0;
    for (size_t i = 0; i < starts.size(); ++i) {
        if (spreads[i] > 5.0)
            continue;
        ++judged;
        // Never clearly before the message (the sink's rendering ahead and
        // the stamps' spread allowed) and never a whole buffer of the
        // server's default later.
        EXPECT_GT(starts[i], -10.0) << "Start " << i;
        EXPECT_LT(starts[i], 100.0) << "Start " << i;
        EXPECT_GT(stops[i], -10.0) << "Stop " << i;
        EXPECT_LT(stops[i], 100.0) << "Stop " << i;
    }
    EXPECT_GE(judged, 6u) << "the recording's timing was too uneven to judge the changes";
    const Figures start = figuresOf(starts), stop = figuresOf(stops);
    EXPECT_LT(start.median, 50.0);
    EXPECT_LT(stop.median, 50.0);
    std::printf("[figure] %s: MIDI Start to sound: median %.1f ms, worst %.1f ms, best %.1f ms (10 Starts)\n",
                nameOf(GetParam()), start.median, start.worst, start.best);
    std::printf("[figure] %s: MIDI Stop to silence: median %.1f ms, worst %.1f ms, best %.1f ms (10 Stops)\n",
                nameOf(GetParam()), stop.median, stop.worst, stop.best);
    // The monitor shows a frame when the sink renders it, up to the sink's
    // latency before the sink's clock reaches it: the figures may be that
    // much early, and the stamps' spread either way.
    const std::string ahead = sinkLatency > 0 ? "+0 to +" + std::to_string(sinkLatency).substr(0, 4) +
                                                    " ms (the sink's configured latency: it renders that far ahead)"
                                              : "+0 to the sink's latency (the server does not report it)";
    std::printf("[figure] %s: error bars: %s; monitor blocks arrive a median %.2f ms (worst of the ten fits "
                "%.2f ms) after the line fitted to the 2 s around each change; sink clock %+.3f %% against "
                "CLOCK_MONOTONIC\n",
                nameOf(GetParam()), ahead.c_str(), figuresOf(spreads).median, figuresOf(spreads).worst,
                (clock.secondsPerFrame * 44100 - 1) * 100);
}

// From the command to the first sound, and a dense song played without
// dropouts as a habit: every dropout (the server found the buffer empty)
// shows as silence.
// TAMBORO_SOAK_SECONDS plays longer (e.g. 60 beside the whole test suite).
TEST_P(PulseSync, PlaysFromTheCommandWithoutRepeatedDropouts) {
    Rig rig(GetParam());
    ASSERT_TRUE(rig.up()) << nameOf(GetParam()) << " did not start";
    const int device = rig.device();
    ASSERT_GT(device, 0);
    const char* soak = std::getenv("TAMBORO_SOAK_SECONDS");
    const double seconds = soak ? std::atof(soak) : 6.0;
    MonitorRecorder recorder("tamboro_test", seconds + 10);
    ASSERT_TRUE(recorder.ok());
    std::this_thread::sleep_for(300ms);
    const double launched = monotonicNow();
    TamboroProcess tamboro({"--play", rig.folder.song("dense.sng"), "--samples", rig.folder.samples(),
                            "--device", std::to_string(device), "--seconds", std::to_string(seconds)});
    EXPECT_EQ(tamboro.readLine(10).rfind("playing: PulseAudio: Test_Sink", 0), 0u);
    // The thread that feeds the server runs before the machine's ordinary
    // work where the system allows it (here as root).
    if (geteuid() == 0) {
        EXPECT_GE(realtimeThreads(tamboro.pid()), 1u) << "the stream's thread in SCHED_FIFO";
    }
    EXPECT_EQ(tamboro.wait(), 0);
    std::this_thread::sleep_for(200ms);
    recorder.stop();

    const auto& capture = recorder.samples();
    // The frames' times from the blocks around the launch (a stall later
    // in a long run would bend a fit over all of them).
    const FrameClock overall = fitFrameClock(recorder.arrivals(), MonitorRecorder::BlockFrames);
    const auto block = static_cast<long>(overall.frame(launched) / MonitorRecorder::BlockFrames);
    const FrameClock clock = fitFrameClock(recorder.arrivals(), MonitorRecorder::BlockFrames,
                                           static_cast<size_t>(std::max(0L, block - 50)),
                                           static_cast<size_t>(block + 400));
    const size_t onset = firstLoud(capture, static_cast<size_t>(std::max(0.0, clock.frame(launched - 0.2))),
                                   capture.size() / 2, Quiet);
    ASSERT_LT(onset, capture.size() / 2) << "nothing sounded";
    const size_t end = endOfLoud(capture, onset, capture.size() / 2, Quiet);
    const double firstSound = (clock.time(onset) - launched) * 1000;
    EXPECT_GT(firstSound, 0.0);
    EXPECT_LT(firstSound, 5000.0);
    EXPECT_NEAR((end - onset) / 44100.0, seconds, 0.5);
    // 1.5 ms of silence inside the dense song is a dropout. A machine busy
    // with other tests makes the servers themselves drop out now and then
    // (PipeWire's graph too, whatever the client's buffer): the count is a
    // figure; only dropouts as a habit fail.
    const auto spans = quietSpans(capture, onset, end, Quiet, 64);
    size_t silent = 0;
    for (const Span& span : spans)
        silent += span.end - span.begin;
    std::printf("[figure] %s: tamboro --play to first sound: %.0f ms\n", nameOf(GetParam()), firstSound);
    std::printf("[figure] %s: dropouts in %.0f s of playback: %zu (%.1f ms of silence)\n", nameOf(GetParam()),
                seconds, spans.size(), silent * 1000.0 / 44100);
    EXPECT_LE(spans.size(), static_cast<size_t>(2 * seconds)) << "dropouts again and again";
    EXPECT_LT(silent, (end - onset) / 20) << "more than 5 % of the playback is silence";
}

// The program stalls for 150 ms while it plays tone.sng (a tone on every
// beat), as a busy machine can make it: the server runs out of sound and
// plays silence, and then the song goes on where it would have been, not
// 150 ms late, so that a drum machine in sync or playing along a band stays
// on the beat after a dropout. The recording of the sink's monitor runs on
// the server's clock: every tone outside the stall starts on one grid of
// beats (22,016 frames at 120 bpm).
TEST_P(PulseSync, AStallLeavesAGapButTheBeatGoesOnOnTime) {
    Rig rig(GetParam());
    ASSERT_TRUE(rig.up()) << nameOf(GetParam()) << " did not start";
    const int device = rig.device();
    ASSERT_GT(device, 0);
    MonitorRecorder recorder("tamboro_test", 15);
    ASSERT_TRUE(recorder.ok());
    std::this_thread::sleep_for(300ms);
    TamboroProcess tamboro({"--play", rig.folder.song("tone.sng"), "--samples", rig.folder.samples(), "--device",
                            std::to_string(device), "--seconds", "5"});
    ASSERT_EQ(tamboro.readLine(10).rfind("playing: PulseAudio: Test_Sink", 0), 0u);
    std::this_thread::sleep_for(1200ms);
    ::kill(tamboro.pid(), SIGSTOP);
    std::this_thread::sleep_for(150ms);
    ::kill(tamboro.pid(), SIGCONT);
    EXPECT_EQ(tamboro.wait(), 0);
    std::this_thread::sleep_for(200ms);
    recorder.stop();

    const auto& capture = recorder.samples();
    const size_t frames = capture.size() / 2;
    const size_t first = firstLoud(capture, 0, frames, Quiet);
    ASSERT_LT(first, frames) << "nothing sounded";
    constexpr size_t Beat = 4 * 5504;
    // Each beat's tone begins at the first loud frame near its place on the
    // grid; one that the stall cut is not on it, nor are the beats after,
    // when the song waited through the stall.
    std::string beats;
    size_t offGrid = 0, afterStall = 0;
    for (size_t k = 1; first + k * Beat + 2 * Beat / 3 < frames; ++k) {
        const size_t expected = first + k * Beat;
        const size_t onset = firstLoud(capture, expected - Beat / 3, expected + 2 * Beat / 3, Quiet);
        if (onset >= expected + 2 * Beat / 3)
            continue;   // the end of the playback, or a beat the stall silenced
        const long off = static_cast<long>(onset) - static_cast<long>(expected);
        beats += " " + std::to_string(off);
        if (std::labs(off) > 32)
            ++offGrid;
        else if (k >= 4)   // the stall begins about 1.2 s in
            ++afterStall;
    }
    std::printf("[figure] %s: after a stall of 150 ms, the beats' tones from the grid of the first (frames):%s\n",
                nameOf(GetParam()), beats.c_str());
    EXPECT_LE(offGrid, 1u) << "beats off the grid (frames):" << beats;
    EXPECT_GE(afterStall, 3u) << "beats after the stall on the grid (frames):" << beats;
}

// The server goes away while playing: the program says so once and ends
// with status 1, in MIDI Sync too, instead of playing silence on.
TEST_P(PulseSync, ALostServerIsToldOnceAndEndsThePlay) {
    for (bool midi : {false, true}) {
        Rig rig(GetParam());
        ASSERT_TRUE(rig.up()) << nameOf(GetParam()) << " did not start";
        std::unique_ptr<JackServer> jack;
        if (midi) {
            jack = std::make_unique<JackServer>(44100, 256);
            ASSERT_TRUE(jack->ready()) << "jackd -d dummy did not start";
        }
        const int device = rig.device();
        ASSERT_GT(device, 0);
        std::vector<std::string> args{"--play", rig.folder.song("dense.sng"), "--samples", rig.folder.samples(),
                                      "--device", std::to_string(device), "--seconds", "60"};
        if (midi)
            args.push_back("--midi-sync");
        TamboroProcess tamboro(args, true);
        EXPECT_NE(tamboro.readLine(10), "");
        std::this_thread::sleep_for(500ms);
        rig.server.kill();
        const double killed = monotonicNow();
        std::string line;
        while (!(line = tamboro.readLine(10)).empty() && line != "stopped") {
        }
        EXPECT_EQ(line, midi ? "" : "stopped");
        EXPECT_EQ(tamboro.wait(), 1) << (midi ? "MIDI Sync" : "play");
        EXPECT_LT(monotonicNow() - killed, 10.0);
        EXPECT_EQ(occurrences(tamboro.errors(), "The output device has stopped"), 1u) << tamboro.errors();
    }
}

// Following a master's clock: Start, then 24 clocks a beat at 120 bpm for
// 15 s, while tone.sng sounds on every beat. Each tone's onset is measured
// against the master's beat, the stamp of every 24th clock (the cycle in
// which the program received it).
TEST_P(PulseSync, FollowedBeatsSoundOnTheMastersBeats) {
    Rig rig(GetParam());
    ASSERT_TRUE(rig.up()) << nameOf(GetParam()) << " did not start";
    JackServer jack(44100, 64);   // the clocks' cycles 1.5 ms apart
    ASSERT_TRUE(jack.ready()) << "jackd -d dummy did not start";
    const int device = rig.device();
    ASSERT_GT(device, 0);
    // A master that stalled through much of a run leaves too little to
    // judge: it plays again, up to four times, and the beats judged in every
    // run count together.
    constexpr size_t Beats = 30;
    std::vector<double> judged, spreads;
    double drift = 0;   // first to last judged beat of the last run with two
    std::string each;
    size_t unsteady = 0;
    double sinkLatency = 0;
    size_t runs = 0;
    for (; runs < 4 && judged.size() < Beats / 2; ++runs) {
        JackMidiSender sender;
        ASSERT_TRUE(sender.ok());
        MonitorRecorder recorder("tamboro_test", 40);
        ASSERT_TRUE(recorder.ok());
        TamboroProcess tamboro({"--play", rig.folder.song("tone.sng"), "--samples", rig.folder.samples(),
                                "--midi-sync", "--midi-clock", "--device", std::to_string(device), "--seconds", "60"});
        ASSERT_EQ(tamboro.readLine(10).rfind("armed: PulseAudio: Test_Sink, 44100 Hz", 0), 0u);
        ASSERT_TRUE(sender.connectTamboro());
        std::this_thread::sleep_for(300ms);

        sender.startClocks(918.75, Beats * 24 + 1, 44);   // 120 bpm, the first clock 1 ms after the Start
        EXPECT_EQ(tamboro.readLine(3), "playing");
        const double giveUp = monotonicNow() + 30;
        while (!sender.clocksDone() && monotonicNow() < giveUp)
            std::this_thread::sleep_for(50ms);
        ASSERT_TRUE(sender.clocksDone());
        std::this_thread::sleep_for(100ms);
        sender.send(0xFC);
        EXPECT_EQ(tamboro.readLine(2), "stopped");
        sinkLatency = configuredLatencyMs(rig.server, "tamboro_test");
        EXPECT_EQ(tamboro.stop(), 0);
        recorder.stop();

        const auto& capture = recorder.samples();
        const auto& stamps = sender.clockStamps();
        // A JACK cycle that comes late sends its clocks late, and the cycles
        // after it catch up: the master itself jitters then, and a gap of one
        // and a half periods is taken for clocks lost, which moves the count on
        // for good. Beats where the master was not steady are not judged.
        const std::vector<bool> steady = steadyBefore(stamps, 918.75 / 44100, 0.005);
        const FrameClock clock = fitFrameClock(recorder.arrivals(), MonitorRecorder::BlockFrames);
        const size_t before = judged.size();
        if (runs > 0)
            each += " |";
        for (size_t beat = 0; beat < Beats; ++beat) {
            if (!steady[beat * 24]) {
                ++unsteady;
                continue;
            }
            const double at = stamps[beat * 24];
            const auto block = static_cast<long>(clock.frame(at) / MonitorRecorder::BlockFrames);
            const FrameClock local = fitFrameClock(recorder.arrivals(), MonitorRecorder::BlockFrames,
                                                   static_cast<size_t>(std::max(0L, block - 172)),
                                                   static_cast<size_t>(block + 172));
            spreads.push_back(local.spreadMs);
            // A beat whose blocks arrived too unevenly to time it (a busy
            // machine delays the recorder itself) is not judged.
            if (local.spreadMs > 5.0)
                continue;
            // The tone lasts 50 ms: the one before has ended 100 ms before the beat.
            const auto from = static_cast<size_t>(local.frame(at - 0.1));
            const auto until = static_cast<size_t>(local.frame(at + 0.2));
            const size_t onset = firstLoud(capture, from, until, Quiet);
            EXPECT_LT(onset, until) << "beat " << beat << " did not sound";
            if (onset < until) {
                judged.push_back((local.time(onset) - at) * 1000);
                each += " " + std::to_string(judged.back()).substr(0, 5);
            }
        }
        if (judged.size() - before >= 2)
            drift = judged.back() - judged[before];
    }
    ASSERT_GE(judged.size(), Beats / 2) << "the master's or the recording's timing was too uneven to judge the "
                                           "beats (the master unsteady at "
                                        << unsteady << " beats in all runs)";
    const Figures error = figuresOf(judged);
    std::vector<double> sizes;
    for (double e : judged)
        sizes.push_back(std::abs(e));
    const double worst = figuresOf(sizes).worst;
    std::printf("[figure] %s: MIDI clock 120 bpm followed, 15 s: each beat after the master's: median %+.1f ms, "
                "worst %.1f ms off (%+.1f to %+.1f); drift first to last beat of a run %+.1f ms (%zu beats judged "
                "from %zu run(s) of %zu)\n",
                nameOf(GetParam()), error.median, worst, error.best, error.worst, drift,
                judged.size(), runs, Beats);
    std::printf("[figure] %s: error bars: the sink's configured latency %.1f ms (it renders that far ahead of "
                "its clock); monitor blocks arrive a median %.2f ms after the local line\n",
                nameOf(GetParam()), sinkLatency, figuresOf(spreads).median);
    // A queue late (23 ms on PulseAudio, 40 ms on PipeWire) is what the
    // sound would be, were the clocks placed where the program writes.
    // PipeWire's graph moves in quanta of 5.8 ms and its monitor's blocks
    // arrive some 3 ms unevenly: a single beat there may be measured 15 ms
    // off on a busy machine.
    EXPECT_LT(std::abs(error.median), 10.0) << "beats (ms):" << each;
    EXPECT_LT(worst, GetParam() == ServerKind::PipeWire ? 25.0 : 15.0) << "beats (ms):" << each;
}

INSTANTIATE_TEST_SUITE_P(Servers, PulseSync, ::testing::Values(ServerKind::PulseAudio, ServerKind::PipeWire),
                         [](const auto& info) { return std::string(nameOf(info.param)); });

// --- The device list against a private PulseAudio server ---

// Two sinks that share a description are two devices, each playing to
// its own sink; a change of the default sink moves no device number.
TEST(PulseDevices, SinksThatShareADescriptionAreEachListedAndOpened) {
    SoundServer server(ServerKind::PulseAudio);
    ASSERT_TRUE(server.ready());
    ASSERT_TRUE(server.addNullSink("twin_a", "Twin"));
    ASSERT_TRUE(server.addNullSink("twin_b", "Twin"));
    ASSERT_TRUE(server.addNullSink("single", "Single"));
    ASSERT_TRUE(server.pactl("set-default-sink twin_a"));
    const auto before = listDevices();
    const int a = deviceNumber(before, "PulseAudio: Twin (twin_a)");
    const int b = deviceNumber(before, "PulseAudio: Twin (twin_b)");
    const int single = deviceNumber(before, "PulseAudio: Single");
    ASSERT_GT(a, 0) << joined(before);
    ASSERT_GT(b, 0) << joined(before);
    ASSERT_GT(single, 0) << joined(before);
    EXPECT_EQ(deviceNumber(before, "Default output (PulseAudio: Twin (twin_a))"), 0) << joined(before);

    ASSERT_TRUE(server.pactl("set-default-sink single"));
    const auto after = listDevices();
    EXPECT_EQ(deviceNumber(after, "PulseAudio: Twin (twin_a)"), a) << joined(after);
    EXPECT_EQ(deviceNumber(after, "PulseAudio: Twin (twin_b)"), b) << joined(after);
    EXPECT_EQ(deviceNumber(after, "PulseAudio: Single"), single) << joined(after);
    EXPECT_EQ(deviceNumber(after, "Default output (PulseAudio: Single)"), 0) << joined(after);

    Folder folder;
    for (const auto& [device, sink] : {std::pair{a, "twin_a"}, {b, "twin_b"}, {0, "single"}, {single, "single"}}) {
        TamboroProcess tamboro({"--play", folder.song("tone.sng"), "--samples", folder.samples(), "--device",
                                std::to_string(device), "--seconds", "5"});
        EXPECT_NE(tamboro.readLine(10), "");
        std::string playsTo;
        for (int i = 0; i < 100 && playsTo.empty(); ++i) {
            playsTo = server.sinkOfStream("Tamboro");
            std::this_thread::sleep_for(20ms);
        }
        EXPECT_EQ(playsTo, sink) << "--device " << device;
        tamboro.stop();
    }
}

// A sink is listed once: ALSA's default, which leads into the same server,
// is not listed beside it.
TEST(PulseDevices, TheSameSinkIsNotListedAgainThroughAlsa) {
    SoundServer server(ServerKind::PulseAudio);
    ASSERT_TRUE(server.ready());
    ASSERT_TRUE(server.addNullSink("only", "Only_Sink"));
    const auto lines = listDevices();
    EXPECT_EQ(occurrences(joined(lines), "Only_Sink"), 2u) << joined(lines);   // the default, and itself
    EXPECT_EQ(deviceNumber(lines, "Default output (PulseAudio: Only_Sink)"), 0) << joined(lines);
    EXPECT_EQ(deviceNumber(lines, "ALSA: default"), -1) << joined(lines);
    EXPECT_EQ(deviceNumber(lines, "ALSA: pulse"), -1) << joined(lines);
}

// A unix socket file that nobody listens on, as a server that crashed leaves it.
void leaveStaleSocket(const std::filesystem::path& path) {
    std::filesystem::create_directories(path.parent_path());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

// The server is found by asking it where libpulse looks (here
// PULSE_RUNTIME_PATH), whatever socket files lie about.
TEST(PulseDevices, TheServerIsFoundByAskingItNotBySocketFiles) {
    SoundServer server(ServerKind::PulseAudio, true);
    ASSERT_TRUE(server.ready());
    ASSERT_TRUE(server.addNullSink("elsewhere", "Elsewhere"));
    leaveStaleSocket(std::filesystem::path(std::getenv("XDG_RUNTIME_DIR")) / "pulse" / "native");
    const auto found = listDevices();
    EXPECT_GT(deviceNumber(found, "PulseAudio: Elsewhere"), 0) << joined(found);
    EXPECT_NE(joined(found).find("PulseAudio server running"), std::string::npos);

    server.kill();   // its own socket stays behind, stale too
    const double asked = monotonicNow();
    const auto gone = listDevices();
    EXPECT_LT(monotonicNow() - asked, 10.0);
    EXPECT_NE(joined(gone).find("no PulseAudio server"), std::string::npos) << joined(gone);
    EXPECT_EQ(joined(gone).find("PulseAudio:"), std::string::npos) << joined(gone);
}

}  // namespace
}  // namespace tamboro::e2e
