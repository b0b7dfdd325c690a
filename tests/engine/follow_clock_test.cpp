// Following a master's MIDI clock, end to end on fake devices: a master
// sends Start and clocks at chosen frames inside the device's periods, as
// JACK delivers them; the main thread ticks every 10 ms; the played sound
// of a song with a short sound on every beat is compared with where the
// master's beats are. Everything is counted in frames, so it is exact and
// the same on every run.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "engine/midi_sync.h"
#include "tests/support/clock_master.h"
#include "tests/support/playback_rig.h"

namespace tamboro {
namespace {

using test::BeatErrors;
using test::ClockMaster;
using test::MasterEvent;
using test::milliseconds;

constexpr double TwoMs = 88.2;
constexpr int64_t TickFrames = 441;   // 10 ms

constexpr int16_t BeatValue = 2000;    // what the beat's sound plays
constexpr int16_t MarkValue = -1000;   // what the marked step's sound plays

// 16 steps: a short sound on every beat (steps 0, 4, 8, 12) on channel 0,
// and on `markedStep` a sound of its own on channel 1.
std::unique_ptr<SongState> beatSong(int16_t tempo, int markedStep = -1) {
    auto song = test::quietSong();
    test::installSample(*song, 0, std::vector<int16_t>(200, 8000));
    test::installSample(*song, 1, std::vector<int16_t>(200, -4000));
    for (int step = 0; step < 16; step += 4)
        song->stepGrid[step * ChannelCount + 0] = 1;
    if (markedStep >= 0)
        song->stepGrid[markedStep * ChannelCount + 1] = 1;
    song->tempo = tempo;
    return song;
}

uint32_t heldUpMicroseconds = 0;

struct FollowRig : test::PlaybackRig {
    explicit FollowRig(int16_t songTempo, int markedStep = -1) {
        song = beatSong(songTempo, markedStep);
        // Time runs 3 ms on at every look: as if the thread were held up
        // before each message. A message's frame must not move with it.
        out.loop.useClock([] { return heldUpMicroseconds += 3000; });
        song->followMidiClock = 1;
        const MidiSyncResult armed = toggleMidiSync(out, *song);
        EXPECT_EQ(armed.change, MidiSyncChange::TurnedOn);
        EXPECT_TRUE(armed.output.ok());
    }

    // Plays up to device frame `end`: each of the master's messages at its
    // own frame inside the period (the loop obeys the transport there, as
    // on JACK), a tick every 10 ms between periods.
    void run(const std::vector<MasterEvent>& events, int64_t end) {
        while (now < end) {
            const int64_t periodEnd = std::min<int64_t>((now / wave.period + 1) * wave.period, end);
            while (sent < events.size() && events[sent].frame < periodEnd) {
                const int64_t at = std::max(events[sent].frame, now);
                wave.play(static_cast<uint32_t>(at - now));
                now = at;
                out.loop.markMessage();   // as the JACK client does
                midi.send(events[sent].message);
                ++sent;
            }
            wave.play(static_cast<uint32_t>(periodEnd - now));
            now = periodEnd;
            if (now >= nextTick) {
                tick();
                nextTick += TickFrames;
            }
        }
    }
    std::vector<int64_t> sounds() const { return test::onsets(wave.played); }
    int16_t valueAt(int64_t frame) const { return wave.played[static_cast<size_t>(frame) * 2]; }

    int64_t now = 0;
    size_t sent = 0;
    int64_t nextTick = TickFrames;
};

void figure(const char* what, const BeatErrors& e) {
    std::printf("[figure] %s: worst beat error %.2f ms, drift %.2f ms over %zu beats\n", what,
                milliseconds(e.worst), milliseconds(e.drift()), e.compared);
}

// A master at the song's tempo for 30 s, with and without ±2 ms of jitter
// on every clock: every sound within 2 ms of its beat, and no drift.
TEST(FollowClock, StaysOnTheMastersBeatFor30Seconds) {
    for (int16_t tempo : {120, 200}) {
        for (double jitter : {0.0, TwoMs}) {
            FollowRig rig(tempo);
            ClockMaster master(4410.3, jitter, 7);
            master.start();
            const int beats = static_cast<int>(30 * tempo / 60);
            master.clocks(tempo, 24 * beats + 1);
            rig.run(master.events, static_cast<int64_t>(master.nextClock()) + 4410);

            const auto sounds = rig.sounds();
            ASSERT_EQ(sounds.size(), master.beats.size()) << tempo << " bpm";
            const BeatErrors e = test::beatErrors(sounds, master.beats);
            char what[80];
            std::snprintf(what, sizeof what, "MIDI clock %d bpm, jitter +-%.0f ms, 30 s (simulated)", tempo,
                          milliseconds(jitter));
            figure(what, e);
            EXPECT_LT(e.worst, TwoMs) << what;
            EXPECT_LT(e.drift(), TwoMs) << what;
            EXPECT_EQ(rig.song->followedTempo, tempo);
            EXPECT_EQ(rig.song->tempo, tempo);   // the song's own tempo is not touched
        }
    }
}

// 120 to 126 beats per minute after 8 beats: the beat after the change is
// heard where the old tempo put it (rendered ahead), the next ones within
// 5 ms; the panel shows the new tempo, the song keeps its own.
TEST(FollowClock, CatchesUpWithATempoChangeWithinABeat) {
    for (double jitter : {0.0, TwoMs}) {
        FollowRig rig(120);
        ClockMaster master(4410, jitter, 3);
        master.start();
        master.clocks(120, 8 * 24);
        master.clocks(126, 16 * 24 + 1);
        rig.run(master.events, static_cast<int64_t>(master.nextClock()) + 4410);

        const auto sounds = rig.sounds();
        ASSERT_EQ(sounds.size(), master.beats.size());
        const BeatErrors before = test::beatErrors({sounds.begin(), sounds.begin() + 9}, master.beats);
        const BeatErrors firstAfter = test::beatErrors({sounds[9]}, {master.beats[9]});
        const BeatErrors after = test::beatErrors(sounds, master.beats, 0, 10);
        char what[96];
        std::snprintf(what, sizeof what, "MIDI clock 120 -> 126 bpm, jitter +-%.0f ms, from the second beat after",
                      milliseconds(jitter));
        figure(what, after);
        std::printf("[figure] MIDI clock 120 -> 126 bpm, jitter +-%.0f ms: the first beat after the change %.2f ms off\n",
                    milliseconds(jitter), milliseconds(firstAfter.worst));
        EXPECT_LT(before.worst, TwoMs) << what;
        EXPECT_LT(after.worst, 5 * 44.1) << what;
        EXPECT_EQ(rig.song->followedTempo, 126);
        EXPECT_EQ(rig.song->tempo, 120);
    }
}

// Continue from a Song Position Pointer begins with that step at the
// first clock; a position beyond the song's 16 steps is taken modulo 16;
// a Continue with no position since the last Stop begins at step 0.
TEST(FollowClock, ContinueBeginsAtTheSongPosition) {
    for (uint32_t position : {5u, 21u, 16u * 1000u + 5u}) {
        FollowRig rig(120, 5);
        ClockMaster master(4410);
        master.continueAt(position, 3000);   // the position comes well before the first clock
        master.clocks(120, 4 * 24);
        rig.run(master.events, static_cast<int64_t>(master.nextClock()));

        const auto sounds = rig.sounds();
        ASSERT_GE(sounds.size(), 2u) << position;
        EXPECT_EQ(sounds[0], 4410) << position;   // step 5, marked, at the first clock
        EXPECT_EQ(rig.valueAt(sounds[0]), MarkValue) << position;
        const double step8 = 4410 + 18 * 918.75;   // three steps on, the beat
        EXPECT_NEAR(static_cast<double>(sounds[1]), step8, 33) << position;
        EXPECT_EQ(rig.valueAt(sounds[1]), BeatValue) << position;
    }
    FollowRig rig(120, 5);
    ClockMaster master(4410);
    master.continueAt(5, 3000);
    master.clocks(120, 24);
    master.stop();
    master.moveTo(master.nextClock() + 4410);
    master.send(0xFB);   // Continue without a position
    const double resumed = master.nextClock();
    master.clocks(120, 6);
    rig.run(master.events, static_cast<int64_t>(master.nextClock()));
    const auto sounds = rig.sounds();
    ASSERT_EQ(sounds.size(), 3u);   // steps 5 and 8, then step 0
    EXPECT_EQ(rig.valueAt(sounds[2]), BeatValue);
    EXPECT_EQ(sounds[2], static_cast<int64_t>(resumed));
}

// The position, the Continue and the first clock in one period: the first
// half cannot be primed for that clock in time. The playback then begins
// at the master's next step boundary, with the step the master is at.
TEST(FollowClock, APositionTooLateForTheFirstClockBeginsAtALaterStepOfTheMaster) {
    FollowRig rig(120, 5);
    ClockMaster master(4410);
    master.continueAt(5);
    master.clocks(120, 4 * 24);
    rig.run(master.events, static_cast<int64_t>(master.nextClock()));

    const auto sounds = rig.sounds();
    ASSERT_FALSE(sounds.empty());
    // Step 5 (the mark) is missed; the beat of step 8 sounds on the master's grid.
    EXPECT_EQ(rig.valueAt(sounds[0]), BeatValue);
    EXPECT_NEAR(static_cast<double>(sounds[0]), 4410 + 18 * 918.75, 33);
}

// Clocks before any Start do nothing; a Start without clock waits, silent,
// for the first clock, which begins step 0.
TEST(FollowClock, ClocksBeforeStartAreIgnoredAndStartWaitsForTheFirstClock) {
    FollowRig rig(120);
    ClockMaster master(4410);
    master.clocks(120, 48);
    rig.run(master.events, static_cast<int64_t>(master.nextClock()));
    EXPECT_TRUE(rig.sounds().empty());
    EXPECT_EQ(rig.song->playing, 0);

    master.start();
    rig.run(master.events, rig.now + 44100);   // a second without clock
    EXPECT_TRUE(rig.sounds().empty());
    EXPECT_EQ(rig.song->playing, 0);

    master.moveTo(static_cast<double>(rig.now + 1000));
    const double first = master.nextClock();
    master.clocks(120, 2 * 24 + 1);
    rig.run(master.events, static_cast<int64_t>(master.nextClock()));
    const auto sounds = rig.sounds();
    ASSERT_EQ(sounds.size(), 3u);
    EXPECT_EQ(sounds[0], static_cast<int64_t>(first));
    EXPECT_EQ(rig.song->playing, 1);
}

// Tempos far from the song's (30 and 300 bpm against a song at 120): the
// clocks are followed from the second beat on.
TEST(FollowClock, FollowsClocksFarFromTheSongsTempo) {
    for (double tempo : {30.0, 300.0}) {
        FollowRig rig(120);
        ClockMaster master(4410, TwoMs, 11);
        master.start();
        master.clocks(tempo, static_cast<int>(tempo / 60 * 20) * 24 + 1);
        rig.run(master.events, static_cast<int64_t>(master.nextClock()) + 4410);

        const auto sounds = rig.sounds();
        // Each sound from the second beat on, against the beat nearest it.
        std::vector<double> nearest;
        for (size_t i = 0; i < sounds.size(); ++i) {
            const auto beat = std::min_element(master.beats.begin(), master.beats.end(), [&](double a, double b) {
                return std::abs(a - static_cast<double>(sounds[i])) < std::abs(b - static_cast<double>(sounds[i]));
            });
            if (beat - master.beats.begin() >= 1)
                nearest.push_back(*beat);
            else
                nearest.push_back(static_cast<double>(sounds[i]));
        }
        const BeatErrors e = test::beatErrors(sounds, nearest);
        char what[80];
        std::snprintf(what, sizeof what, "MIDI clock %.0f bpm, song at 120, jitter +-2 ms, 20 s", tempo);
        figure(what, e);
        EXPECT_LT(e.worst, TwoMs) << what;
        EXPECT_GE(sounds.size() + 1, master.beats.size()) << what;   // the second beat may be missed at most
        EXPECT_LE(sounds.size(), master.beats.size()) << what;
        EXPECT_EQ(rig.song->followedTempo, static_cast<int16_t>(tempo)) << what;
    }
}

// Clocks that stop without a Stop: the playback goes on at the tempo
// followed last, on the master's beat, and locks on again when they come
// back.
TEST(FollowClock, HoldsTheTempoThroughAGapInTheClock) {
    FollowRig rig(120);
    ClockMaster master(4410, TwoMs, 5);
    master.start();
    master.clocks(123, 8 * 24);
    master.silence(123, 3 * 21512);   // three beats without clock
    master.clocks(123, 8 * 24 + 1);
    rig.run(master.events, static_cast<int64_t>(master.nextClock()) + 4410);

    const auto sounds = rig.sounds();
    ASSERT_EQ(sounds.size(), master.beats.size());
    const BeatErrors e = test::beatErrors(sounds, master.beats, 0, 1);
    figure("MIDI clock 123 bpm with three beats of no clock", e);
    EXPECT_LT(e.worst, TwoMs);
    EXPECT_EQ(rig.song->followedTempo, 123);
}

// Ten thousand clocks a second, then a Stop: nothing breaks, the Stop is
// not lost, and the next Start follows a sane clock again.
TEST(FollowClock, AFloodOfClocksDoesNoHarm) {
    FollowRig rig(120);
    ClockMaster master(4410);
    master.start();
    for (int i = 0; i < 10000; ++i)
        master.sendAt(4410 + i * 441 / 100, 0xF8);
    master.moveTo(4410 + 44100);
    master.stop();
    rig.run(master.events, 4410 + 44100 + 2000);
    EXPECT_EQ(rig.song->playing, 0);
    const size_t played = rig.wave.played.size();
    rig.run(master.events, rig.now + 10000);
    EXPECT_TRUE(test::silent({rig.wave.played.begin() + static_cast<long>(played), rig.wave.played.end()}));

    ClockMaster sane(static_cast<double>(rig.now + 3000));
    sane.start();
    sane.clocks(120, 8 * 24 + 1);
    const size_t before = rig.wave.played.size();
    rig.sent = 0;
    rig.run(sane.events, static_cast<int64_t>(sane.nextClock()) + 4410);
    const std::vector<int16_t> after(rig.wave.played.begin() + static_cast<long>(before), rig.wave.played.end());
    std::vector<int64_t> sounds = test::onsets(after);
    for (int64_t& frame : sounds)
        frame += static_cast<int64_t>(before / 2);
    ASSERT_EQ(sounds.size(), sane.beats.size());
    EXPECT_LT(test::beatErrors(sounds, sane.beats, 0, 2).worst, TwoMs);
}

// Clocks that arrive on a thread of their own (the ALSA sequencer) are
// placed by the time since the callback last read: a clock 10 ms after a
// read is 441 frames on; an old read is not extrapolated past a quarter
// second. A clock handled in the callback at its own frame is not moved.
uint32_t fakeMicroseconds = 0;

TEST(FollowClock, AClockOnAnotherThreadIsPlacedByTheTimeSinceTheLastRead) {
    test::PlaybackRig rig;
    rig.out.loop.useClock([] { return fakeMicroseconds; });
    ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
    fakeMicroseconds = 1000;
    rig.wave.play(1000);
    const uint32_t read = rig.out.loop.view().position;
    EXPECT_EQ(rig.out.loop.positionNow(), read);
    fakeMicroseconds = 1000 + 10000;
    EXPECT_EQ(rig.out.loop.positionNow(), read + 441 * 4);
    fakeMicroseconds = 1000 + 3000000;
    EXPECT_EQ(rig.out.loop.positionNow(), read + 11025 * 4);
    fakeMicroseconds = 0xFFFFFF00u;   // the clock's 32 bits wrap
    rig.wave.play(100);
    fakeMicroseconds = 0xFFFFFF00u + 1000;
    EXPECT_EQ(rig.out.loop.positionNow(), read + 100 * 4 + 44 * 4);

    // A message's frame inside a JACK period is exact, however late the
    // thread handles it; the next read lets the time count again.
    rig.out.loop.markMessage();
    fakeMicroseconds += 20000;
    EXPECT_EQ(rig.out.loop.positionNow(), read + 100 * 4);
    rig.wave.play(10);
    fakeMicroseconds += 10000;
    EXPECT_EQ(rig.out.loop.positionNow(), read + 110 * 4 + 441 * 4);
}

// An output that writes ahead (a sound server): the read position runs
// ahead of the sound by what the output still holds. The sounding position
// it notes is what a clock is placed at, and reads note nothing.
TEST(FollowClock, AClockIsPlacedAtTheFrameSoundingBehindAnOutputThatWritesAhead) {
    test::PlaybackRig rig;
    rig.out.loop.useClock([] { return fakeMicroseconds; });
    rig.out.loop.writesAhead(true);
    fakeMicroseconds = 5000;
    ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
    rig.wave.play(256);   // the beginning notes the first frame as sounding now
    EXPECT_EQ(rig.out.loop.positionNow(), 0u);
    rig.wave.play(1024);
    const uint32_t read = rig.out.loop.view().position;
    EXPECT_EQ(rig.out.loop.positionNow(), 0u) << "a read moved the sounding position";
    rig.out.loop.markSounding(1000);
    EXPECT_EQ(rig.out.loop.positionNow(), read - 1000 * 4);
    fakeMicroseconds = 5000 + 10000;
    EXPECT_EQ(rig.out.loop.positionNow(), read - 1000 * 4 + 441 * 4);
    // More queued than played: the sounding frame lies before the beginning.
    rig.out.loop.markSounding(2000);
    EXPECT_EQ(rig.out.loop.positionNow(), read - 2000 * 4);
    EXPECT_GT(rig.out.loop.positionNow(), read) << "wraps below the start, as the follower expects";

    // After the end the server plays on what it holds: the sounding frame
    // moves on by the time, past the end, however the reads stand still.
    rig.out.loop.markSounding(1000);
    rig.out.loop.requestStop();
    rig.wave.play(256);
    const uint32_t end = rig.out.loop.view().position;
    ASSERT_FALSE(rig.out.loop.view().active);
    rig.out.loop.markSounding(1000);
    fakeMicroseconds += 30000;   // 1,323 frames later
    rig.wave.play(256);
    rig.out.loop.markSounding(1000);
    EXPECT_GT(static_cast<int32_t>(rig.out.loop.positionNow() - end), 0) << "the end never sounds";
}

// A simulated sound server: it holds about 1,000 frames written ahead and
// asks for 512 at a time; a beginning throws away what it holds (as the
// PulseAudio output does), and after every write it reports how much is
// still queued. Clocks arrive on the MIDI thread at the time their frame
// sounds. The beats must sound on the master's, not a queue late. Like a
// server without pre-buffering, it plays on through an underrun and drops
// what comes too late for its place.
struct ServerRig : test::PlaybackRig {
    static constexpr int64_t Target = 1024, Request = 512, Quantum = 64;

    ServerRig() {
        song = beatSong(120);
        wave.period = Request;
        wave.recording = false;
        out.loop.useClock([] { return fakeMicroseconds; });
        out.loop.writesAhead(true);
        song->followMidiClock = 1;
        EXPECT_TRUE(toggleMidiSync(out, *song).output.ok());
    }

    // Up to sound frame `end`, a quantum at a time: the master's messages
    // due by then, a refill of the server while it holds less than its
    // target, a tick every 10 ms.
    void run(const std::vector<MasterEvent>& events, int64_t end) {
        while (now < end) {
            now += Quantum;
            fakeMicroseconds = static_cast<uint32_t>(now * 1000000 / 44100);
            while (!heldUp(holdUps) && sent < events.size() && events[sent].frame <= now)
                midi.send(events[sent++].message);
            // A Start asked for wakes the output at once, which fills the
            // whole buffer anew.
            const bool starting = !out.loop.view().active && out.loop.transportRunning();
            while (!heldUp(outputHoldUps) && written - now < (starting ? Target : Target - Request)) {
                const bool before = out.loop.view().active;
                const auto frames = wave.play(Request);
                if (!before && out.loop.view().active)
                    written = now;   // the beginning throws away what the server held
                write(frames);
                out.loop.reportQueued(static_cast<uint32_t>(std::max<int64_t>(0, written - now)));
            }
            if (now >= nextTick) {
                tick();
                nextTick += TickFrames;
            }
        }
    }
    void write(const std::vector<int16_t>& frames) {
        const auto count = static_cast<int64_t>(frames.size() / 2);
        const int64_t late = std::clamp<int64_t>(now - written, 0, count);
        const auto at = static_cast<size_t>(written + late) * 2;
        if (sounded.size() < at + frames.size())
            sounded.resize(at + frames.size());
        std::copy(frames.begin() + late * 2, frames.end(), sounded.begin() + static_cast<long>(at));
        written += count;
    }

    // Sound frames during which the MIDI thread (holdUps) or the output's
    // thread (outputHoldUps) is held up: the clocks that come meanwhile are
    // handed on in a burst after it; the server runs dry.
    struct HoldUp {
        int64_t from, until;
    };
    bool heldUp(const std::vector<HoldUp>& spans) const {
        return std::any_of(spans.begin(), spans.end(), [&](const HoldUp& h) { return now >= h.from && now < h.until; });
    }
    std::vector<HoldUp> holdUps;
    std::vector<HoldUp> outputHoldUps;
    std::vector<int16_t> sounded;   // by the frame at which it sounds
    int64_t now = 0;
    int64_t written = 0;
    size_t sent = 0;
    int64_t nextTick = TickFrames;
};

// A master at 120 bpm for `beats` beats behind the rig's server, its first
// clock half a second in; returns where the tones sound.
std::vector<int64_t> followBehindServer(ServerRig& rig, ClockMaster& master, int beats) {
    master.start();
    master.clocks(120, 24 * beats + 1);
    rig.run(master.events, static_cast<int64_t>(master.nextClock()) + 4410);
    return test::onsets(rig.sounded);
}

TEST(FollowClock, BehindASoundServerTheBeatsSoundOnTheMasters) {
    ServerRig rig;
    ClockMaster master(22050.3);
    const auto sounds = followBehindServer(rig, master, 20);
    ASSERT_EQ(sounds.size(), master.beats.size());
    const BeatErrors e = test::beatErrors(sounds, master.beats);
    figure("MIDI clock 120 bpm behind a server holding 1,024 frames (simulated)", e);
    EXPECT_LT(e.worst, TwoMs);
    EXPECT_LT(e.drift(), TwoMs);
}

// The MIDI thread held up for 15, 35 and 60 ms: the clocks that came
// meanwhile arrive late, in a burst. They are no lost clocks: the count
// and the beat hold.
TEST(FollowClock, BehindASoundServerAHeldUpMidiThreadCostsNoClock) {
    ServerRig rig;
    rig.holdUps = {{3 * 44100, 3 * 44100 + 662}, {6 * 44100, 6 * 44100 + 1544}, {9 * 44100, 9 * 44100 + 2646}};
    ClockMaster master(22050.3);
    const auto sounds = followBehindServer(rig, master, 24);
    ASSERT_EQ(sounds.size(), master.beats.size());
    const BeatErrors e = test::beatErrors(sounds, master.beats);
    figure("MIDI clock 120 bpm behind a server, the MIDI thread held up three times (simulated)", e);
    EXPECT_LT(e.worst, TwoMs);
    EXPECT_LT(e.drift(), TwoMs);
}

// The output held up for 60 and 120 ms: the server plays silence and
// drops what comes too late for its place, so the frames stay on the
// time. The count holds and the beats stay on the master's; the first
// ones after a dropout are let off with 5 ms.
TEST(FollowClock, BehindASoundServerADropoutMovesNoBeat) {
    ServerRig rig;
    const std::vector<ServerRig::HoldUp> dropouts = {{5 * 44100 + 5000, 5 * 44100 + 5000 + 2646},
                                                      {10 * 44100 + 5000, 10 * 44100 + 5000 + 5292}};
    rig.outputHoldUps = dropouts;
    ClockMaster master(22050.3);
    const auto sounds = followBehindServer(rig, master, 28);
    ASSERT_EQ(sounds.size(), master.beats.size());
    const BeatErrors e = test::beatErrors(sounds, master.beats);
    figure("MIDI clock 120 bpm behind a server, two dropouts of 60 and 120 ms (simulated)", e);
    EXPECT_LT(e.worst, 5 * 44.1) << "while catching up";
    EXPECT_LT(e.drift(), TwoMs);
    for (size_t i = 0; i < sounds.size(); ++i) {
        const bool catchingUp = std::any_of(dropouts.begin(), dropouts.end(), [&](const ServerRig::HoldUp& d) {
            return master.beats[i] > static_cast<double>(d.from) && master.beats[i] < static_cast<double>(d.until) + 66150;
        });
        if (!catchingUp) {
            EXPECT_LT(std::abs(static_cast<double>(sounds[i]) - master.beats[i]), TwoMs) << "beat " << i;
        }
    }
}

}  // namespace
}  // namespace tamboro
