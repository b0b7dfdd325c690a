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

struct Folder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("tamboro-follow-e2e-" + std::to_string(::getpid()));
    Folder() { writeTestSongs(path); }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string song(int16_t tempo, const std::vector<int>& steps) const {
        std::string name = "tone" + std::to_string(tempo);
        for (int step : steps)
            name += "-" + std::to_string(step);
        const auto file = path / (name + ".sng");
        writeToneSong(file, tempo, steps);
        return file.string();
    }
    std::string samples() const { return (path / "Samples").string(); }
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

}  // namespace
}  // namespace tamboro::e2e
