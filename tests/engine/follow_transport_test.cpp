// Following the JACK transport on fake devices: the fake device has a
// transport of its own (a timebase master at a chosen tempo, or none) that
// it hands to the engine at the top of every period; the main thread ticks
// every 10 ms. The played sound of songs with a tone on every beat is
// compared with where the transport's beats are, in frames.

#include <gtest/gtest.h>

#include <cstdio>

#include "engine/midi_sync.h"
#include "tests/support/clock_master.h"
#include "tests/support/playback_rig.h"

namespace tamboro {
namespace {

using test::BeatErrors;
using test::milliseconds;

constexpr double TwoMs = 88.2;

// `length` steps at `tempo`: a short sound on every beat on channel 0, and
// a sound of its own on `markedStep` on channel 1.
std::unique_ptr<SongState> transportSong(int16_t tempo, int16_t length = 16, int markedStep = -1) {
    auto song = test::quietSong();
    test::installSample(*song, 0, std::vector<int16_t>(200, 8000));
    test::installSample(*song, 1, std::vector<int16_t>(200, -4000));
    song->songLength = length;
    for (int step = 0; step < length; step += 4)
        song->stepGrid[step * ChannelCount + 0] = 1;
    if (markedStep >= 0)
        song->stepGrid[markedStep * ChannelCount + 1] = 1;
    song->tempo = tempo;
    return song;
}

struct TransportRig : test::PlaybackRig {
    explicit TransportRig(std::unique_ptr<SongState> played, double masterTempo = 120, bool bbt = true) {
        song = std::move(played);
        wave.hasTransport = true;
        wave.transport.tempo = masterTempo;
        wave.transport.bbt = bbt;
        const TransportResult result = toggleFollowJackTransport(out, *song);
        EXPECT_EQ(result.change, TransportChange::TurnedOn);
        EXPECT_TRUE(result.output.ok());
    }
    // Whole periods up to device frame `end`, a tick every 10 ms.
    void run(int64_t end) {
        while (now < end) {
            wave.play(wave.period);
            now += wave.period;
            if (now >= nextTick) {
                tick();
                nextTick += 441;
            }
        }
    }
    std::vector<int64_t> sounds(int64_t from = 0) const {
        std::vector<int64_t> found;
        for (int64_t onset : test::onsets(wave.played))
            if (onset >= from)
                found.push_back(onset);
        return found;
    }
    // The transport's beats from device frame `rolledAt`, where it stood at
    // transport frame `frame`, up to device frame `end`.
    static std::vector<double> beats(int64_t rolledAt, uint32_t frame, double tempo, int64_t end) {
        const double beat = 44100.0 * 60.0 / tempo;
        std::vector<double> found;
        for (double b = std::ceil(frame / beat) * beat; rolledAt + b - frame < static_cast<double>(end); b += beat)
            found.push_back(static_cast<double>(rolledAt) + b - frame);
        return found;
    }
    int16_t valueAt(int64_t frame) const { return wave.played[static_cast<size_t>(frame) * 2]; }

    int64_t now = 0;
    int64_t nextTick = 441;
};

void figure(const char* what, const BeatErrors& e) {
    std::printf("[figure] %s: worst beat error %.2f ms, drift %.2f ms over %zu beats\n", what,
                milliseconds(e.worst), milliseconds(e.drift()), e.compared);
}

// Rolling from frame 0 for 30 s with a timebase master at 120 and at 200
// bpm (the song at 120), without one (the song's tempo), and with one whose
// ticks fall behind its frames: each beat's tone within 2 ms of the
// transport's beat; TEMPO shows the master's.
TEST(FollowTransport, EveryBeatOnTheTransportsBeatFor30Seconds) {
    struct Case {
        double tempo;
        bool bbt;
        bool wholeTicks;
    };
    for (const Case c : {Case{120, true, false}, Case{200, true, false}, Case{120, false, false},
                         Case{120, true, true}}) {
        TransportRig rig(transportSong(120), c.tempo, c.bbt);
        rig.wave.transport.wholeTicks = c.wholeTicks;
        rig.run(4096);
        EXPECT_EQ(rig.song->playing, 0);
        rig.wave.transport.rolling = true;
        const int64_t rolled = rig.now;
        rig.run(rolled + 30 * 44100);

        const auto sounds = rig.sounds();
        const double tempo = c.bbt ? c.tempo : 120;
        const auto beats = TransportRig::beats(rolled, 0, tempo, rig.now - 4410);
        ASSERT_GE(sounds.size(), beats.size());
        const BeatErrors e = test::beatErrors(sounds, beats);
        char what[96];
        std::snprintf(what, sizeof what, "JACK transport (simulated) %.0f bpm%s, 30 s", c.tempo,
                      !c.bbt ? " without a timebase master" : c.wholeTicks ? ", whole ticks a period" : "");
        figure(what, e);
        EXPECT_LT(e.worst, TwoMs) << what;
        EXPECT_EQ(rig.song->followedTempo, c.bbt ? static_cast<int16_t>(c.tempo) : 0) << what;
        EXPECT_EQ(rig.song->tempo, 120);
    }
}

// A timebase master that changes its tempo at every bar. By a tenth or so
// (110 to 132 bpm), each beat's tone stays within 2 ms of the master's
// beat, the first beat of every new tempo included. By up to half (90 to
// 180 bpm), the steps already rendered at the old tempo when the change
// comes (up to a half and its lead, about a quarter of a second) put the
// first beat after the change off by tens of milliseconds (about 30 from
// 160 to 120 bpm), caught up by an eighth of a step per step; from the
// second beat of the new tempo on, every beat is within 2 ms again. TEMPO shows the tempo of the bar that plays.
TEST(FollowTransport, AMasterThatChangesTempoEveryBarIsFollowedFromTheNextBeat) {
    struct Case {
        std::vector<double> tempos;
        bool firstBeatsToo;
    };
    for (const Case& c : {Case{{120, 126, 116, 132, 124, 110, 120, 128, 118, 120}, true},
                          Case{{120, 132, 100, 150, 90, 180, 126, 108, 160, 120}, false}}) {
        TransportRig rig(transportSong(120));
        rig.wave.transport.addUpBeats = true;
        rig.wave.transport.tempo = c.tempos[0];
        rig.run(4096);
        rig.wave.transport.rolling = true;
        std::vector<double> beats{static_cast<double>(rig.now)};
        size_t bar = 0;
        while (bar < c.tempos.size()) {
            const double before = rig.wave.transport.beats;
            const int64_t at = rig.now;
            rig.run(rig.now + rig.wave.period);
            const double after = rig.wave.transport.beats;
            // The master's beats in this period, at the period's tempo.
            for (double k = std::floor(before) + 1; k <= after; ++k)
                beats.push_back(static_cast<double>(at) + (k - before) / (after - before) * rig.wave.period);
            if (std::floor(after / 4) > std::floor(before / 4)) {
                EXPECT_EQ(rig.song->followedTempo, static_cast<int16_t>(c.tempos[bar])) << "bar " << bar;
                if (++bar < c.tempos.size())
                    rig.wave.transport.tempo = c.tempos[bar];
            }
        }
        beats.pop_back();   // the last may not be rendered yet
        const auto sounds = rig.sounds();
        ASSERT_GE(sounds.size(), beats.size());
        double worstFirst = 0, worstOthers = 0;
        for (size_t i = 0; i < beats.size(); ++i) {
            const double error = std::abs(static_cast<double>(sounds[i]) - beats[i]);
            // Beat 4k+1 is the first after the change at bar k's start.
            double& worst = i % 4 == 1 && i > 1 ? worstFirst : worstOthers;
            worst = std::max(worst, error);
        }
        std::printf("[figure] JACK transport (simulated), a new tempo every bar, %.0f to %.0f bpm: the first beat "
                    "of a new tempo worst %.2f ms off, every other beat worst %.2f ms over %zu beats\n",
                    *std::min_element(c.tempos.begin(), c.tempos.end()),
                    *std::max_element(c.tempos.begin(), c.tempos.end()), milliseconds(worstFirst),
                    milliseconds(worstOthers), beats.size());
        EXPECT_LT(worstOthers, TwoMs);
        if (c.firstBeatsToo) {
            EXPECT_LT(worstFirst, TwoMs);
        }
        EXPECT_EQ(rig.song->tempo, 120);
    }
}

// A locate to bar 3 (step 32) while rolling, half a step off the old grid,
// in a song with a sound on every step: the step clock jumps to the new
// position at the first Block not yet rendered, and from there every sound
// is on the new position's sixteenths; the mark of step 38 (bar 3, beat 2
// and a half) sounds where the transport puts it.
TEST(FollowTransport, ALocateWhileRollingLandsOnThatBarsSteps) {
    auto song = transportSong(120, 64, 38);
    for (int step = 0; step < 64; ++step)
        song->stepGrid[step * ChannelCount + 0] = 1;
    TransportRig rig(std::move(song));
    rig.wave.transport.rolling = true;
    rig.run(44100 + 2756);   // bar 1, beat 3, half a step in
    const int64_t located = rig.now;
    const uint32_t bar3 = 2 * 4 * 22050;
    rig.wave.transport.frame = bar3;
    rig.run(located + 3 * 44100);

    const double step = 5512.5;
    auto onNewGrid = [&](int64_t frame) {
        const double steps = static_cast<double>(frame - located) / step;
        return std::abs(steps - std::round(steps)) * step < TwoMs;
    };
    const auto after = rig.sounds(located);
    size_t first = 0;
    while (first < after.size() && !onNewGrid(after[first]))
        ++first;
    ASSERT_LT(first, after.size());
    const int64_t landed = after[first] - located;
    std::printf("[figure] JACK transport (simulated) locate while rolling, period 256: the new position heard "
                "%.1f ms after it\n",
                milliseconds(static_cast<double>(landed)));
    // At most: the half rendered ahead, the refill's lead, a step (a step
    // jumped into late is silent), a period.
    EXPECT_LE(landed, HalfBytes / 4 + followRefillLead(rig.wave.period) + 5513 + 256);
    for (size_t i = first; i < after.size(); ++i)
        EXPECT_TRUE(onNewGrid(after[i])) << "sound " << i << " at " << after[i] - located;
    const auto mark = std::find_if(after.begin(), after.end(), [&](int64_t f) { return rig.valueAt(f) == 1000; });
    ASSERT_NE(mark, after.end());
    EXPECT_NEAR(static_cast<double>(*mark), static_cast<double>(located) + 6 * step, TwoMs);
}

// Stopping silences at the top of the next period; rolling again from where
// the transport stopped (mid-beat) puts the next tone on the transport's
// next beat. Started right after a locate, with no tick between, the
// playback begins a few periods late but on the grid.
TEST(FollowTransport, StopAndRollAgainFromMidBeatAndRightAfterALocate) {
    TransportRig rig(transportSong(120));
    rig.wave.transport.rolling = true;
    rig.run(3 * 44100 + 7000);
    rig.wave.transport.rolling = false;
    const size_t stoppedAt = rig.wave.played.size() / 2;
    rig.run(rig.now + 44100);
    EXPECT_EQ(rig.song->playing, 0);
    EXPECT_TRUE(test::silent({rig.wave.played.begin() + static_cast<long>(stoppedAt) * 2, rig.wave.played.end()}));

    const uint32_t stoodAt = rig.wave.transport.frame;
    rig.wave.transport.rolling = true;
    const int64_t again = rig.now;
    rig.run(again + 4 * 44100);
    auto sounds = rig.sounds(again);
    auto grid = TransportRig::beats(again, stoodAt, 120, rig.now - 4410);
    ASSERT_GE(sounds.size(), grid.size());
    EXPECT_LT(test::beatErrors(sounds, grid).worst, TwoMs);

    rig.wave.transport.rolling = false;
    rig.run(rig.now + 44100);
    rig.wave.transport.frame = 100000;   // a locate, then at once rolling
    rig.wave.transport.rolling = true;
    const int64_t late = rig.now;
    rig.run(late + 4 * 44100);
    sounds = rig.sounds(late);
    grid = TransportRig::beats(late, 100000, 120, rig.now - 4410);
    ASSERT_FALSE(sounds.empty());
    const BeatErrors e = test::beatErrors(sounds, {std::find_if(grid.begin(), grid.end(),
                                                                [&](double b) { return b > sounds[0] - TwoMs; }),
                                                   grid.end()});
    EXPECT_LT(e.worst, TwoMs);
    EXPECT_LT(sounds[0] - late, 44100 / 2);
}

// An output device without a transport cannot follow one: it says so and
// stays off.
TEST(FollowTransport, AnOutputWithoutATransportStaysOff) {
    test::PlaybackRig rig;
    const TransportResult result = toggleFollowJackTransport(rig.out, *rig.song);
    EXPECT_EQ(result.change, TransportChange::TurnedOn);
    EXPECT_EQ(result.output.problem, OutputProblem::NoTransport);
    EXPECT_EQ(rig.song->followJackTransport, 0);
    EXPECT_FALSE(rig.wave.isOpen());
}

// Following the transport and MIDI Sync exclude each other.
TEST(FollowTransport, MidiSyncAndTheTransportGiveWayToEachOther) {
    TransportRig rig(transportSong(120));
    EXPECT_EQ(toggleMidiSync(rig.out, *rig.song).change, MidiSyncChange::TurnedOn);
    EXPECT_EQ(rig.song->followJackTransport, 0);
    EXPECT_EQ(rig.song->midiSync, 1);
    const TransportResult back = toggleFollowJackTransport(rig.out, *rig.song);
    EXPECT_TRUE(back.midiSyncTurnedOff);
    EXPECT_EQ(rig.song->midiSync, 0);
    EXPECT_EQ(rig.song->followJackTransport, 1);
    EXPECT_EQ(rig.midi.openIndex, -1);
    EXPECT_TRUE(rig.wave.isOpen());
}

}  // namespace
}  // namespace tamboro
