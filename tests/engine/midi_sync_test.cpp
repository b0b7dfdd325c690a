// MIDI Sync through a fake MIDI input and a fake device: arming, Start,
// Continue and Stop, priming again after every stop, moving the input, and
// Stream To Disk's hold on the output.

#include <gtest/gtest.h>

#include "engine/midi_sync.h"
#include "engine/song_ops.h"
#include "tests/support/playback_rig.h"

namespace tamboro {
namespace {

using test::HalfFrames;

struct MidiRig : test::PlaybackRig {
    void arm() {
        const MidiSyncResult result = toggleMidiSync(out, *song);
        ASSERT_EQ(result.change, MidiSyncChange::TurnedOn);
        ASSERT_TRUE(result.output.ok());
        ASSERT_EQ(song->midiSync, 1);
    }
    // Step 0 again: the next half played from a Start equals the reference.
    bool startsAtStepZero() {
        return playTicking(2 * HalfFrames) == test::referenceHalves(2);
    }
};

TEST(MidiSync, ArmedOutputIsPrimedAndSilentUntilStartThenPlaysFromStepZero) {
    for (uint32_t message : {MidiStart, MidiContinue}) {
        MidiRig rig;
        rig.arm();
        EXPECT_EQ(rig.midi.openIndex, 0);
        EXPECT_TRUE(rig.midi.started);
        EXPECT_TRUE(rig.wave.started);
        EXPECT_EQ(rig.bufferHalf(0), test::halfOf(test::referenceHalves(1), 0));
        EXPECT_TRUE(test::silent(rig.playTicking(3 * HalfFrames)));
        EXPECT_EQ(rig.song->playing, 0);

        rig.midi.send(message);
        EXPECT_TRUE(rig.startsAtStepZero());
        EXPECT_EQ(rig.song->playing, 1);
        EXPECT_EQ(rig.ticks.playingChanges, 1);
    }
}

TEST(MidiSync, EverythingButStartContinueAndStopIsIgnored) {
    MidiRig rig;
    rig.arm();
    for (uint32_t message : {248u, 254u, 0x90u, 0x7F3C90u, 0xFAFA00u, 0x1FAu})
        rig.midi.send(message);
    EXPECT_TRUE(test::silent(rig.playTicking(HalfFrames)));
    EXPECT_EQ(rig.song->playing, 0);
}

TEST(MidiSync, StopSilencesAtOnceAndTheNextStartPlaysFromStepZero) {
    MidiRig rig;
    rig.arm();
    rig.midi.send(MidiStart);
    rig.playTicking(3 * HalfFrames + 700);
    rig.midi.send(MidiStart);   // a second Start changes nothing audible
    const auto goingOn = rig.playTicking(HalfFrames);
    EXPECT_FALSE(test::silent(goingOn));

    rig.midi.send(MidiStop);
    EXPECT_TRUE(test::silent(rig.wave.play(rig.wave.period)));   // the very next period
    rig.playTicking(HalfFrames);
    EXPECT_EQ(rig.song->playing, 0);
    EXPECT_EQ(rig.ticks.playingChanges, 2);
    EXPECT_TRUE(rig.wave.isOpen());   // kept open, so its connections stay

    rig.midi.send(MidiContinue);
    EXPECT_TRUE(rig.startsAtStepZero());
    EXPECT_EQ(rig.song->playing, 1);
}

TEST(MidiSync, StopAndStartInsideOnePeriodStartAgainAtStepZero) {
    MidiRig rig;
    rig.arm();
    rig.midi.send(MidiStart);
    rig.playTicking(2 * HalfFrames + 3000);
    rig.midi.send(MidiStop);
    rig.midi.send(MidiStart);
    // Silent until the main thread has primed step 0 again, then the song.
    const auto waiting = rig.wave.play(rig.wave.period);
    EXPECT_TRUE(test::silent(waiting));
    rig.tick();
    EXPECT_TRUE(rig.startsAtStepZero());
}

// Frames from..to of a run of values.
std::vector<int16_t> frames(const std::vector<int16_t>& values, size_t from, size_t to) {
    return std::vector<int16_t>(values.begin() + static_cast<std::ptrdiff_t>(from * 2),
                                values.begin() + static_cast<std::ptrdiff_t>(to * 2));
}

// As on JACK: each message acts at its own frame inside the period.
TEST(MidiSync, StartAndStopInsideAPeriodActAtTheirOwnFrame) {
    const auto reference = test::referenceHalves(1);
    for (uint32_t startFrame : {0u, 1u, 100u, 255u}) {
        MidiRig rig;
        rig.arm();
        auto send = [&](uint32_t message) { rig.midi.send(message); };
        const auto first = rig.wave.playMessages({{startFrame, MidiStart}}, send);
        EXPECT_TRUE(test::silent(frames(first, 0, startFrame))) << startFrame;
        ASSERT_EQ(frames(first, startFrame, 256), frames(reference, 0, 256 - startFrame)) << startFrame;

        // Playing on, a Start changes nothing; a Stop silences from its frame.
        const auto second = rig.wave.playMessages({{17, MidiStart}, {200, MidiStop}}, send);
        const size_t song = 256 - startFrame;
        EXPECT_EQ(frames(second, 0, 200), frames(reference, song, song + 200)) << startFrame;
        EXPECT_TRUE(test::silent(frames(second, 200, 256))) << startFrame;

        // Primed again by the tick; the next Start sounds at its frame.
        rig.tick();
        const auto third = rig.wave.playMessages({{startFrame / 2, MidiContinue}}, send);
        EXPECT_TRUE(test::silent(frames(third, 0, startFrame / 2))) << startFrame;
        EXPECT_EQ(frames(third, startFrame / 2, 256), frames(reference, 0, 256 - startFrame / 2)) << startFrame;
    }
}

TEST(MidiSync, StopAndStartAtFramesOfOnePeriodStartAtStepZeroOncePrimed) {
    MidiRig rig;
    rig.arm();
    auto send = [&](uint32_t message) { rig.midi.send(message); };
    rig.wave.playMessages({{3, MidiStart}}, send);
    rig.playTicking(HalfFrames + 1000);
    const auto stopped = rig.wave.playMessages({{10, MidiStop}, {20, MidiStart}}, send);
    EXPECT_FALSE(test::silent(frames(stopped, 0, 10)));
    EXPECT_TRUE(test::silent(frames(stopped, 10, 256)));   // no stale half after the Start
    EXPECT_TRUE(test::silent(rig.wave.play(rig.wave.period)));
    rig.tick();
    EXPECT_TRUE(rig.startsAtStepZero());
}

TEST(MidiSync, TheStopLampNewSongAndOpenSongLeaveItArmedForTheNextStart) {
    MidiRig rig;
    rig.arm();
    rig.midi.send(MidiStart);
    rig.playTicking(HalfFrames);
    stopPlayback(rig.out, *rig.song);   // the Stop lamp
    rig.playTicking(HalfFrames);
    rig.midi.send(MidiStart);
    EXPECT_TRUE(rig.startsAtStepZero());

    // New Song frees the samples, so the output really closes; the next
    // tick opens and primes it again with the new song.
    rig.song->playing = 0;
    releaseSamples(rig.out, *rig.song);
    EXPECT_FALSE(rig.wave.isOpen());
    rig.tick();
    EXPECT_TRUE(rig.wave.isOpen());
    EXPECT_EQ(rig.song->playing, 0);
    rig.midi.send(MidiStart);
    rig.tick();
    EXPECT_EQ(rig.song->playing, 1);
}

TEST(MidiSync, AStartDuringStreamToDiskPlaysStepZeroAfterItNotTheRender) {
    MidiRig rig;
    rig.arm();
    {
        OutputHold hold(rig.out, *rig.song);
        EXPECT_FALSE(hold.stoppedPlayback());   // armed, not playing
        EXPECT_FALSE(rig.wave.isOpen());
        rig.midi.send(MidiStart);
        rig.tick();   // a modal loop ticking meanwhile must not prime
        EXPECT_FALSE(rig.wave.isOpen());
        std::fill_n(hold.buffer(), MixBufferValues, int16_t{0x7777});   // the render
    }
    rig.tick();
    EXPECT_TRUE(rig.wave.isOpen());
    EXPECT_EQ(rig.song->playing, 1);
    EXPECT_TRUE(rig.startsAtStepZero());
}

TEST(MidiSync, HoldWhilePlayingStopsPlaybackOutsideMidiSync) {
    test::PlaybackRig rig;
    ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
    {
        OutputHold hold(rig.out, *rig.song);
        EXPECT_EQ(rig.song->playing, 0);
        EXPECT_TRUE(hold.stoppedPlayback());
    }
    rig.tick();
    EXPECT_FALSE(rig.wave.isOpen());   // not armed: nothing opens again
}

TEST(MidiSync, ToggleWhileStoppedArmedRunningAndPlaying) {
    {   // Playing from the Play lamp: nothing at all happens.
        MidiRig rig;
        ASSERT_TRUE(startPlayback(rig.out, *rig.song).ok());
        EXPECT_EQ(toggleMidiSync(rig.out, *rig.song).change, MidiSyncChange::NothingWhilePlaying);
        EXPECT_EQ(rig.song->midiSync, 0);
        EXPECT_EQ(rig.song->playing, 1);
        EXPECT_EQ(rig.midi.opens, 0);
    }
    for (bool started : {false, true}) {   // armed, running: off closes everything
        MidiRig rig;
        rig.arm();
        if (started) {
            rig.midi.send(MidiStart);
            rig.playTicking(HalfFrames);
        }
        EXPECT_EQ(toggleMidiSync(rig.out, *rig.song).change, MidiSyncChange::TurnedOff);
        EXPECT_EQ(rig.song->midiSync, 0);
        EXPECT_EQ(rig.song->playing, 0);
        EXPECT_EQ(rig.midi.openIndex, -1);
        EXPECT_FALSE(rig.wave.isOpen());
        rig.tick();
        EXPECT_FALSE(rig.wave.isOpen());
        // A Start armed before does not survive into the next arming.
        rig.arm();
        EXPECT_TRUE(test::silent(rig.playTicking(HalfFrames)));
    }
}

TEST(MidiSync, InputThatCannotOpenLeavesTheModeOffAndTheOutputClosedAndSaysWhy) {
    MidiRig rig;
    rig.midi.broken = {0};
    rig.midi.brokenReason = "no JACK server is running";
    const MidiSyncResult result = toggleMidiSync(rig.out, *rig.song);
    EXPECT_EQ(result.change, MidiSyncChange::MidiInputFailed);
    EXPECT_EQ(result.midiReason, "no JACK server is running");
    EXPECT_EQ(rig.song->midiSync, 0);
    EXPECT_FALSE(rig.out.midiInOpen);
    EXPECT_EQ(rig.wave.opens, 0);
}

TEST(MidiSync, NoMixBufferMeansNoArming) {
    MidiRig rig;
    freeMixBuffer(rig.out);
    EXPECT_EQ(toggleMidiSync(rig.out, *rig.song).change, MidiSyncChange::NoMixBuffer);
    EXPECT_EQ(rig.song->midiSync, 0);
    EXPECT_EQ(rig.midi.opens, 0);
}

TEST(MidiSync, ChoosingAnInputStoresItsIndexAndMovesAnOpenInput) {
    MidiRig rig;
    std::string reason;
    EXPECT_TRUE(selectMidiInDevice(rig.out, *rig.song, 1, reason));   // off: only the index
    EXPECT_EQ(rig.song->midiInDevice, 1);
    EXPECT_EQ(rig.midi.opens, 0);

    rig.arm();
    EXPECT_EQ(rig.midi.openIndex, 1);
    EXPECT_TRUE(selectMidiInDevice(rig.out, *rig.song, 0, reason));
    EXPECT_EQ(rig.midi.openIndex, 0);   // moved at once
    EXPECT_TRUE(rig.midi.started);
    rig.midi.send(MidiStart);
    EXPECT_TRUE(rig.startsAtStepZero());

    // A device that fails: no input is open, the mode stays on.
    rig.midi.broken = {1};
    EXPECT_FALSE(selectMidiInDevice(rig.out, *rig.song, 1, reason));
    EXPECT_EQ(reason, "the port is broken");
    EXPECT_FALSE(rig.out.midiInOpen);
    EXPECT_EQ(rig.song->midiSync, 1);
}

}  // namespace
}  // namespace tamboro
