// Following a master's MIDI clock, end to end on fake devices: a master
// sends Start and clocks at chosen frames inside the device's periods, as
// JACK delivers them; the main thread ticks every 10 ms; the played sound
// of a song with a short sound on every beat is compared with where the
// master's beats are. Everything is counted in frames, so it is exact and
// the same on every run.

#include <gtest/gtest.h>

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

struct FollowRig : test::PlaybackRig {
    explicit FollowRig(int16_t songTempo, int markedStep = -1) {
        song = beatSong(songTempo, markedStep);
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

}  // namespace
}  // namespace tamboro
