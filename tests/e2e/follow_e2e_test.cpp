// Following a master end to end on a real JACK server: a JACK client of the
// test's own plays the master, sending Start, Song Position, Continue and
// 24 clocks a beat to "Tamboro:MIDI In" at chosen frames (with jitter when
// asked), while `tamboro --play --midi-clock` plays a song with a short
// tone on every beat; the recording's onsets are compared with the frames
// of the master's beats. Sender, Tamboro and recorder run in one cycle, so
// a frame time means the same frame to all three. Figures are printed.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include <unistd.h>

#include "tests/e2e/jack_harness.h"
#include "tests/support/clock_master.h"

namespace tamboro::e2e {
namespace {

using namespace std::chrono_literals;
using test::BeatErrors;
using test::ClockMaster;
using test::milliseconds;

constexpr double TwoMs = 88.2;

struct Folder : TestSongs {
    Folder() : TestSongs("tamboro-follow-e2e") {}
    std::string song(int16_t tempo, const std::vector<int>& steps, int16_t length = 16,
                     const std::vector<int>& noiseSteps = {}) const {
        std::string name = "tone" + std::to_string(tempo) + "-" + std::to_string(length);
        for (int step : steps)
            name += "-" + std::to_string(step);
        for (int step : noiseSteps)
            name += "-n" + std::to_string(step);
        const auto file = path / (name + ".sng");
        writeToneSong(file, tempo, steps, length, noiseSteps);
        return file.string();
    }
};

// A JACK server, the recorder and master, and tamboro --play --midi-clock
// armed on a song with the tone on `steps` at `songTempo`.
struct FollowRig {
    FollowRig(int16_t songTempo, const std::vector<int>& steps, double seconds)
        : server(44100, 256), recorder(seconds) {
        if (!server.ready() || !recorder.ok())
            return;
        tamboro = std::make_unique<TamboroProcess>(std::vector<std::string>{
            "--play", folder.song(songTempo, steps), "--samples", folder.samples(), "--midi-clock", "--seconds",
            "300"});
        armed = tamboro->readLine(10).rfind("armed: ", 0) == 0 && recorder.connectTamboro(true);
        std::this_thread::sleep_for(300ms);
    }
    // The program ends on its own terms (SIGTERM) while the server still
    // runs: a killed client would hold the server up.
    ~FollowRig() {
        if (tamboro) {
            EXPECT_EQ(tamboro->stop(), 0);
        }
    }
    bool ok() const { return armed; }

    // A master whose first clock comes a second from now.
    ClockMaster master(double jitterFrames = 0, uint32_t seed = 1) const {
        return ClockMaster(static_cast<double>(recorder.frameTimeNow()) + 44100, jitterFrames, seed);
    }
    // Sends what the master says, from its `from`th message on, and waits
    // until the recording reaches `until` (a frame time) and a bit more.
    void play(const ClockMaster& master, double until, size_t from = 0) {
        for (size_t i = from; i < master.events.size(); ++i) {
            const uint32_t m = master.events[i].message;
            const auto frame = static_cast<uint32_t>(master.events[i].frame);
            if ((m & 0xFF) == 0xF2)
                recorder.schedule(frame, {0xF2, static_cast<uint8_t>(m >> 8 & 0x7F), static_cast<uint8_t>(m >> 16 & 0x7F)});
            else
                recorder.schedule(frame, {static_cast<uint8_t>(m)});
        }
        const auto target = static_cast<uint32_t>(until) + 4410;
        while (static_cast<int32_t>(recorder.frameTimeNow() - target) < 0)
            std::this_thread::sleep_for(20ms);
        recorder.waitFrames(recorder.frames() + 2 * recorder.period());

    }
    // The frame times at which the tone begins, from frame time `from` on.
    std::vector<int64_t> sounds(double from = 0) const {
        const uint32_t first = recorder.firstFrameTime();
        std::vector<int64_t> found;
        for (int64_t onset : test::onsets(recorder.samples())) {
            const int64_t time = onset + first;
            if (static_cast<double>(time) >= from)
                found.push_back(time);
        }
        return found;
    }

    JackServer server;
    JackRecorder recorder;
    Folder folder;
    std::unique_ptr<TamboroProcess> tamboro;
    bool armed = false;
};

struct ClockCase {
    int16_t tempo;
    double jitterMs;
};

void PrintTo(const ClockCase& c, std::ostream* out) {
    *out << c.tempo << " bpm, jitter +-" << c.jitterMs << " ms";
}

class JackFollowClock : public ::testing::TestWithParam<ClockCase> {};

// 30 s of a master at the song's tempo: every tone within 2 ms of its
// beat, no drift between the first beat and the last.
TEST_P(JackFollowClock, EveryBeatWithinTwoMillisecondsFor30Seconds) {
    const auto [tempo, jitterMs] = GetParam();
    FollowRig rig(tempo, {0, 4, 8, 12}, 40);
    ASSERT_TRUE(rig.ok()) << "jackd -d dummy, the recorder or tamboro did not come up";
    ClockMaster master = rig.master(jitterMs * 44.1, 17);
    master.start();
    master.clocks(tempo, 30 * tempo / 60 * 24 + 1);
    master.stop();
    rig.play(master, master.nextClock());
    EXPECT_EQ(rig.tamboro->readLine(2), "playing");
    EXPECT_EQ(rig.tamboro->readLine(2), "stopped");
    EXPECT_EQ(rig.recorder.scheduledLate(), 0u) << "the master itself was late";

    const auto sounds = rig.sounds();
    ASSERT_EQ(sounds.size(), master.beats.size());
    const BeatErrors e = test::beatErrors(sounds, master.beats);
    std::printf("[figure] JACK, MIDI clock %d bpm, jitter +-%.0f ms, 30 s: worst beat error %.2f ms, "
                "drift %.2f ms over %zu beats\n",
                tempo, jitterMs, milliseconds(e.worst), milliseconds(e.drift()), e.compared);
    EXPECT_LT(e.worst, TwoMs);
    EXPECT_LT(e.drift(), TwoMs);
}

INSTANTIATE_TEST_SUITE_P(Tempos, JackFollowClock,
                         ::testing::Values(ClockCase{120, 0}, ClockCase{200, 0}, ClockCase{120, 2},
                                           ClockCase{200, 2}),
                         [](const ::testing::TestParamInfo<ClockCase>& info) {
                             return std::to_string(info.param.tempo) + "bpm_jitter" +
                                    std::to_string(static_cast<int>(info.param.jitterMs)) + "ms";
                         });

// 120 to 126 bpm after 8 beats: from the second beat at the new tempo on,
// every tone within 5 ms of its beat.
TEST(JackFollowClockChange, ATempoChangeIsFollowedFromTheSecondBeatOn) {
    FollowRig rig(120, {0, 4, 8, 12}, 20);
    ASSERT_TRUE(rig.ok()) << "jackd -d dummy, the recorder or tamboro did not come up";
    ClockMaster master = rig.master();
    master.start();
    master.clocks(120, 8 * 24);
    master.clocks(126, 16 * 24 + 1);
    master.stop();
    rig.play(master, master.nextClock());
    EXPECT_EQ(rig.recorder.scheduledLate(), 0u) << "the master itself was late";

    const auto sounds = rig.sounds();
    ASSERT_EQ(sounds.size(), master.beats.size());
    const BeatErrors before = test::beatErrors({sounds.begin(), sounds.begin() + 9}, master.beats);
    const BeatErrors first = test::beatErrors({sounds[9]}, {master.beats[9]});
    const BeatErrors after = test::beatErrors(sounds, master.beats, 0, 10);
    std::printf("[figure] JACK, MIDI clock 120 -> 126 bpm: the first beat after the change %.2f ms off, "
                "then worst %.2f ms over %zu beats\n",
                milliseconds(first.worst), milliseconds(after.worst), after.compared);
    EXPECT_LT(before.worst, TwoMs);
    EXPECT_LT(after.worst, 5 * 44.1);
}

// Song Position 5 (and 21, beyond the 16 steps), then Continue: the
// playback begins with step 5 at the first clock, so the tone of step 8
// sounds three steps later, on the master's grid, and nothing before it.
TEST(JackFollowClockPosition, ContinueBeginsAtTheSongPosition) {
    FollowRig rig(120, {8}, 20);
    ASSERT_TRUE(rig.ok()) << "jackd -d dummy, the recorder or tamboro did not come up";
    ClockMaster master = rig.master();
    size_t sent = 0;
    for (uint32_t position : {5u, 21u}) {
        const double begin = master.nextClock();
        master.continueAt(position, 22050);
        master.clocks(120, 2 * 24);
        master.stop();
        rig.play(master, master.nextClock(), sent);
        sent = master.events.size();
        master.moveTo(master.nextClock() + 44100);

        const auto sounds = rig.sounds(begin - 22050);
        ASSERT_FALSE(sounds.empty()) << position;
        const double step8 = begin + 18 * 918.75;
        EXPECT_NEAR(static_cast<double>(sounds[0]), step8, TwoMs) << position;
        std::printf("[figure] JACK, Song Position %u and Continue: step 8 %.2f ms from the master's\n", position,
                    milliseconds(static_cast<double>(sounds[0]) - step8));
    }
    EXPECT_EQ(rig.recorder.scheduledLate(), 0u);
}

// --- The JACK transport ---

// The stretches in which the transport rolled on without a jump, as the
// recorder saw them: the frame time of a transport frame in each.
struct Rolling {
    uint32_t startTime = 0;    // the frame time of its first cycle
    uint32_t endTime = 0;      // the frame time after its last cycle
    uint32_t startFrame = 0;   // the transport frame at its first cycle
    double timeOf(double transportFrame) const { return startTime + (transportFrame - startFrame); }
};

std::vector<Rolling> rollingStretches(const std::vector<JackRecorder::TransportSeen>& seen, uint32_t period) {
    std::vector<Rolling> found;
    for (size_t i = 0; i < seen.size(); ++i) {
        if (!seen[i].rolling)
            continue;
        const bool continues = i > 0 && seen[i - 1].rolling && seen[i].frame == seen[i - 1].frame + period &&
                               seen[i].frameTime == seen[i - 1].frameTime + period;
        if (!continues)
            found.push_back({seen[i].frameTime, seen[i].frameTime, seen[i].frame});
        found.back().endTime = seen[i].frameTime + period;
    }
    return found;
}

// The frame times of the beats (every `beat` transport frames from frame
// 0) inside a stretch, from `from` on.
std::vector<double> beatsIn(const Rolling& r, double beat, double from = 0) {
    std::vector<double> found;
    for (double f = std::ceil(r.startFrame / beat) * beat; r.timeOf(f) < r.endTime; f += beat)
        if (r.timeOf(f) >= from)
            found.push_back(r.timeOf(f));
    return found;
}

// jack_transport or the test's own timebase master, both at 120 bpm.
struct Master {
    explicit Master(bool own) {
        if (own)
            timebase = std::make_unique<TimebaseMaster>();
        else
            tool = std::make_unique<TransportMaster>();
    }
    bool ok() const { return timebase ? timebase->ok() : tool->ok(); }
    void play() { timebase ? timebase->play() : tool->say("play"); }
    void stop() { timebase ? timebase->stop() : tool->say("stop"); }
    void locate(uint32_t frame) {
        timebase ? timebase->locate(frame) : tool->say("locate " + std::to_string(frame));
    }
    std::unique_ptr<TimebaseMaster> timebase;
    std::unique_ptr<TransportMaster> tool;
};

struct TransportRig {
    TransportRig(bool ownMaster, int16_t songTempo, const std::vector<int>& steps, double seconds,
                 int16_t length = 16, const std::vector<int>& noiseSteps = {})
        : server(44100, 256), master(ownMaster), recorder(seconds) {
        if (!server.ready() || !recorder.ok() || !master.ok())
            return;
        if (master.tool) {
            master.tool->say("tempo 120");
            master.tool->say("locate 0");
        }
        tamboro = std::make_unique<TamboroProcess>(std::vector<std::string>{
            "--play", folder.song(songTempo, steps, length, noiseSteps), "--samples", folder.samples(),
            "--jack-transport", "--seconds", "300"});
        armed = tamboro->readLine(10).rfind("armed: ", 0) == 0 && recorder.connectTamboro(false);
        std::this_thread::sleep_for(500ms);
    }
    ~TransportRig() {
        if (tamboro) {
            EXPECT_EQ(tamboro->stop(), 0);
        }
    }
    bool ok() const { return armed; }
    void wait(double seconds) {
        recorder.waitFrames(recorder.frames() + static_cast<size_t>(seconds * 44100));
    }
    std::vector<int64_t> sounds(double from = 0) const {
        std::vector<int64_t> found;
        for (int64_t onset : test::onsets(recorder.samples()))
            if (static_cast<double>(onset + recorder.firstFrameTime()) >= from)
                found.push_back(onset + recorder.firstFrameTime());
        return found;
    }
    int16_t valueAt(int64_t frameTime) const {
        return recorder.samples()[static_cast<size_t>(frameTime - recorder.firstFrameTime()) * 2];
    }

    JackServer server;
    Master master;   // after the server: it joins it
    JackRecorder recorder;
    Folder folder;
    std::unique_ptr<TamboroProcess> tamboro;
    bool armed = false;
};

// jack_transport as timebase master at 120 bpm, played from frame 0 for
// 30 s; the song is at 100 bpm, so what is heard is the master's tempo.
// Each beat's tone within 2 ms of the transport's beat.
TEST(JackFollowTransport, EveryBeatOnTheTransportsBeatFor30Seconds) {
    TransportRig rig(false, 100, {0, 4, 8, 12}, 40);
    ASSERT_TRUE(rig.ok()) << "jackd -d dummy, jack_transport, the recorder or tamboro did not come up";
    rig.master.play();
    EXPECT_EQ(rig.tamboro->readLine(3), "playing");
    rig.wait(30);
    rig.master.stop();
    EXPECT_EQ(rig.tamboro->readLine(3), "stopped");
    rig.wait(0.5);

    const auto stretches = rollingStretches(rig.recorder.transportSeen(), rig.recorder.period());
    ASSERT_EQ(stretches.size(), 1u);
    const auto beats = beatsIn(stretches[0], 22050);
    const auto sounds = rig.sounds();
    ASSERT_EQ(sounds.size(), beats.size());
    const BeatErrors e = test::beatErrors(sounds, beats);
    std::printf("[figure] JACK transport, jack_transport master at 120 bpm, 30 s: worst beat error %.2f ms, "
                "drift %.2f ms over %zu beats\n",
                milliseconds(e.worst), milliseconds(e.drift()), e.compared);
    EXPECT_LT(e.worst, TwoMs);
    EXPECT_LT(e.drift(), TwoMs);
}

// A locate to bar 3 while rolling, in a song of 64 steps with the tone on
// every step and noise too on step 38 (bar 3, beat 2 and a half): the
// locate is heard from the first Block not yet rendered, and from there
// every tone is on the new position's sixteenths, the noise where the
// transport puts step 38. The timebase master is the test's own (see
// TimebaseMaster).
TEST(JackFollowTransport, ALocateToBar3WhileRollingLandsOnThatBarsSteps) {
    std::vector<int> everyStep;
    for (int step = 0; step < 64; ++step)
        everyStep.push_back(step);
    TransportRig rig(true, 100, everyStep, 20, 64, {38});
    ASSERT_TRUE(rig.ok()) << "jackd -d dummy, the timebase master, the recorder or tamboro did not come up";

    rig.master.play();
    rig.wait(1.37);   // in bar 1, beat 3
    rig.master.locate(176400);
    rig.wait(3);
    rig.master.stop();
    rig.wait(0.3);

    const auto stretches = rollingStretches(rig.recorder.transportSeen(), rig.recorder.period());
    ASSERT_EQ(stretches.size(), 2u);
    const Rolling& before = stretches[0];
    const Rolling& after = stretches[1];
    ASSERT_GE(after.startFrame, 176400u);
    const double step = 5512.5;
    const auto newSteps = beatsIn(after, step);
    auto onNewStep = [&](int64_t t) {
        return std::any_of(newSteps.begin(), newSteps.end(), [&](double b) { return std::abs(b - t) < TwoMs; });
    };
    const auto sounds = rig.sounds(after.startTime);
    size_t landed = 0;
    while (landed < sounds.size() && !onNewStep(sounds[landed]))
        ++landed;
    ASSERT_LT(landed, sounds.size());
    std::printf("[figure] JACK transport, locate to bar 3 while rolling (period 256): the new position heard "
                "%.1f ms after the locate\n",
                milliseconds(static_cast<double>(sounds[landed] - after.startTime)));
    // At most: the half rendered ahead, the refill's lead, a step, a period.
    EXPECT_LT(sounds[landed] - after.startTime, 8192 + 2 * 256 + 1764 + 5513 + 256);
    for (size_t i = 0; i < landed; ++i)
        EXPECT_FALSE(onNewStep(sounds[i]) || sounds[i] > sounds[landed]) << "a sound off both grids";
    const double step38 = after.timeOf(38 * step);
    for (size_t i = landed; i < sounds.size() && sounds[i] < after.endTime; ++i) {
        EXPECT_TRUE(onNewStep(sounds[i])) << "tone " << i << " at " << sounds[i] - after.startTime;
        const bool noise = rig.valueAt(sounds[i]) != rig.valueAt(sounds[landed]);
        EXPECT_EQ(noise, std::abs(sounds[i] - step38) < TwoMs) << "tone " << i;
    }
    EXPECT_TRUE(std::any_of(sounds.begin(), sounds.end(), [&](int64_t t) { return std::abs(t - step38) < TwoMs; }))
        << "step 38 was not heard";
    // Before the locate: the old position's steps.
    const auto early = rig.sounds();
    const auto oldSteps = beatsIn(before, step);
    ASSERT_GE(early.size(), oldSteps.size());
    EXPECT_LT(test::beatErrors(early, oldSteps).worst, TwoMs);
}

// --- Sending MIDI clock ---

// tamboro --play --midi-clock-out on JACK, recorded with its MIDI output:
// Start at the frame of the first sound, six clocks in every step as it was
// rendered (the truncated step at 120 bpm, the shuffle's steps of beat.sng)
// each at its sixth, to the frame, and Stop where the sound ends.
TEST(JackClockOut, StartAtTheFirstSoundAndSixClocksAStepAtItsSixths) {
    for (const char* name : {"straight.sng", "beat.sng"}) {
        JackServer server(44100, 256);
        ASSERT_TRUE(server.ready()) << "jackd -d dummy did not start";
        JackRecorder recorder(12);
        ASSERT_TRUE(recorder.ok());
        Folder folder;
        const auto song = folder.path / name;
        TamboroProcess tamboro({"--play", song.string(), "--samples", folder.samples(), "--midi-clock-out",
                                "--seconds", "5"});
        EXPECT_EQ(tamboro.readLine(10).rfind("waiting up to 3 s for a connection to ", 0), 0u) << name;
        ASSERT_TRUE(recorder.connectTamboro(false, true)) << name;
        EXPECT_EQ(tamboro.readLine(5).rfind("playing: ", 0), 0u) << name;
        EXPECT_EQ(tamboro.wait(), 0) << name;
        recorder.waitFrames(recorder.frames() + 2 * recorder.period());

        const auto received = recorder.received();
        ASSERT_FALSE(received.empty()) << name;
        ASSERT_EQ(received.front().status, 0xFA) << name;
        const uint32_t start = received.front().frameTime;
        const auto sounds = test::onsets(recorder.samples());
        ASSERT_FALSE(sounds.empty()) << name;
        EXPECT_EQ(static_cast<int64_t>(start), sounds.front() + recorder.firstFrameTime()) << name;

        const auto steps = stepStartsFromStepZero(song, 6 * 44100);
        std::vector<int64_t> clocks;
        uint32_t stop = 0;
        for (const auto& r : received) {
            if (r.status == 0xF8)
                clocks.push_back(static_cast<int64_t>(r.frameTime - start));
            else if (r.status == 0xFC)
                stop = r.frameTime;
        }
        ASSERT_NE(stop, 0u) << name << ": no Stop";
        ASSERT_GE(clocks.size(), 6u * 30) << name;   // five seconds of steps of up to 160 ms
        int64_t worst = 0;
        size_t compared = 0;
        for (size_t s = 0; s + 1 < steps.size(); ++s)
            for (int i = 0; i < 6 && compared < clocks.size(); ++i, ++compared)
                worst = std::max<int64_t>(
                    worst, std::abs(clocks[compared] - (steps[s] + i * (steps[s + 1] - steps[s]) / 6)));
        std::printf("[figure] JACK, MIDI clock out (%s): Start %+ld frames from the first sound, %zu clocks, worst "
                    "%ld frames from its step's sixth\n",
                    name, static_cast<long>(start) - static_cast<long>(sounds.front() + recorder.firstFrameTime()),
                    compared, static_cast<long>(worst));
        EXPECT_EQ(worst, 0) << name;
        // Stop at the end of the fade that ends the sound, after the last clock.
        const auto samples = recorder.samples();
        size_t lastSound = samples.size() / 2;
        while (lastSound > 0 && samples[2 * (lastSound - 1)] == 0 && samples[2 * lastSound - 1] == 0)
            --lastSound;
        const int64_t silentFrom = static_cast<int64_t>(lastSound) + recorder.firstFrameTime();
        EXPECT_GE(static_cast<int64_t>(stop), start + clocks.back()) << name;
        EXPECT_LE(std::abs(static_cast<int64_t>(stop) - silentFrom), 256) << name;
    }
}

}  // namespace
}  // namespace tamboro::e2e
