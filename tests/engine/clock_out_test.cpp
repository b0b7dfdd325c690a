// MIDI clock sent while the program plays on its own, through a fake device
// with a MIDI output: Start at the playback's first frame, six clocks in
// every rendered step at its sixths (the truncated step and the shuffle's
// steps as they were rendered), Stop at the frame the playback ends.

#include <gtest/gtest.h>

#include <cstdio>

#include "engine/midi_sync.h"
#include "engine/mixer.h"
#include "engine/step_clock.h"
#include "tests/support/playback_rig.h"

namespace tamboro {
namespace {

using test::HalfFrames;

// Where each step of `song` begins from step 0, rendered offline half by
// half, up to `frames`.
std::vector<int64_t> stepStartsOffline(std::unique_ptr<SongState> song, int64_t frames) {
    resetVoices(*song);
    std::vector<int64_t> starts{0};
    std::vector<int16_t> half(HalfBytes / 2);
    for (int64_t at = 0; at < frames; at += HalfFrames) {
        StepMarks marks;
        renderHalfMarking(*song, half.data(), marks);
        for (int i = 0; i < marks.count; ++i)
            starts.push_back(at + int64_t{marks.blocks[i]} * BlockFrames);
    }
    return starts;
}

struct ClockOutRig : test::PlaybackRig {
    explicit ClockOutRig(int16_t shuffle) {
        song->shuffle = shuffle;
        wave.hasMidiOut = true;
        EXPECT_EQ(toggleSendMidiClock(out, *song), ClockOutChange::TurnedOn);
    }
    std::vector<uint64_t> sent(uint8_t status) const {
        std::vector<uint64_t> frames;
        for (const auto& m : wave.midiOut)
            if (m.status == status)
                frames.push_back(m.frame);
        return frames;
    }
};

TEST(ClockOut, StartSixClocksAStepAtItsSixthsAndStopToTheFrame) {
    for (int16_t shuffle : {0, 20, 129}) {
        ClockOutRig rig(shuffle);
        rig.wave.play(1000);   // nothing open yet: nothing sent
        ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
        const uint64_t begun = rig.wave.framesPlayed;
        rig.playTicking(20 * HalfFrames);
        rig.out.loop.requestStop();   // as the Stop lamp asks it
        rig.wave.play(rig.wave.period);
        const uint64_t stopped = rig.wave.framesPlayed - rig.wave.period;
        stopPlayback(rig.out, *rig.song);

        ASSERT_EQ(rig.sent(MidiStartStatus), std::vector<uint64_t>{begun});
        ASSERT_EQ(rig.sent(MidiStopStatus), std::vector<uint64_t>{stopped});
        EXPECT_EQ(rig.wave.midiOut.front().status, MidiStartStatus);   // before the first clock
        EXPECT_EQ(rig.wave.midiOut.back().status, MidiStopStatus);

        auto reference = test::playbackSong();
        reference->shuffle = shuffle;
        const auto starts = stepStartsOffline(std::move(reference), 20 * HalfFrames);
        std::vector<uint64_t> expected;
        for (size_t s = 0; s + 1 < starts.size(); ++s)
            for (int i = 0; i < 6; ++i)
                expected.push_back(begun + static_cast<uint64_t>(starts[s] + i * (starts[s + 1] - starts[s]) / 6));
        const auto clocks = rig.sent(MidiClockStatus);
        ASSERT_GE(clocks.size(), expected.size()) << "shuffle " << shuffle;
        int64_t worst = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            worst = std::max<int64_t>(worst, std::abs(static_cast<int64_t>(clocks[i] - expected[i])));
        std::printf("[figure] MIDI clock out (simulated), shuffle %d: %zu clocks, worst %ld frames from its step's "
                    "sixth\n",
                    shuffle, expected.size(), static_cast<long>(worst));
        EXPECT_EQ(worst, 0) << "shuffle " << shuffle;
        for (uint64_t c : clocks)
            EXPECT_LT(c, stopped);
    }
}

// Not while MIDI Sync drives the playback, nor while following the JACK
// transport; and the option waits while playing.
TEST(ClockOut, NothingGoesOutInMidiSyncAndTheOptionWaitsWhilePlaying) {
    ClockOutRig rig(0);
    toggleMidiSync(rig.out, *rig.song);
    rig.midi.send(MidiStart);
    rig.playTicking(4 * HalfFrames);
    EXPECT_EQ(rig.song->playing, 1);
    EXPECT_TRUE(rig.wave.midiOut.empty());
    EXPECT_EQ(toggleSendMidiClock(rig.out, *rig.song), ClockOutChange::NothingWhilePlaying);
    EXPECT_EQ(rig.song->sendMidiClock, 1);

    test::PlaybackRig plain;   // a device without a MIDI output: on, said so when it is open
    ASSERT_TRUE(toggleMidiSync(plain.out, *plain.song).change == MidiSyncChange::TurnedOn);
    EXPECT_EQ(toggleSendMidiClock(plain.out, *plain.song), ClockOutChange::TurnedOnNoPort);
}

}  // namespace
}  // namespace tamboro
