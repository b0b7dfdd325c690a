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

TEST(MidiSync, InputThatCannotOpenLeavesTheModeOffAndTheOutputClosed) {
    MidiRig rig;
    rig.midi.broken = {0};
    EXPECT_EQ(toggleMidiSync(rig.out, *rig.song).change, MidiSyncChange::MidiInputFailed);
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
    EXPECT_TRUE(selectMidiInDevice(rig.out, *rig.song, 1));   // off: only the index
    EXPECT_EQ(rig.song->midiInDevice, 1);
    EXPECT_EQ(rig.midi.opens, 0);

    rig.arm();
    EXPECT_EQ(rig.midi.openIndex, 1);
    EXPECT_TRUE(selectMidiInDevice(rig.out, *rig.song, 0));
    EXPECT_EQ(rig.midi.openIndex, 0);   // moved at once
    EXPECT_TRUE(rig.midi.started);
    rig.midi.send(MidiStart);
    EXPECT_TRUE(rig.startsAtStepZero());

    // A device that fails: no input is open, the mode stays on.
    rig.midi.broken = {1};
    EXPECT_FALSE(selectMidiInDevice(rig.out, *rig.song, 1));
    EXPECT_FALSE(rig.out.midiInOpen);
    EXPECT_EQ(rig.song->midiSync, 1);
}

// An output that queues audio ahead (a sound server's buffer) hears every
// change of the transport at once, from whichever thread made it, and only
// real changes: a second Start or Stop says nothing.
TEST(MidiSync, ATransportListenerHearsEachRealChangeOnce) {
    struct Counter : TransportListener {
        int changes = 0;
        void transportChanged() noexcept override { ++changes; }
    } counter;
    MidiRig rig;
    rig.arm();
    rig.out.loop.setTransportListener(&counter);
    rig.midi.send(MidiStart);
    EXPECT_EQ(counter.changes, 1);
    rig.midi.send(MidiContinue);   // already running
    EXPECT_EQ(counter.changes, 1);
    rig.midi.send(MidiStop);
    rig.midi.send(MidiStop);
    EXPECT_EQ(counter.changes, 2);
    rig.midi.send(MidiStart);
    stopPlayback(rig.out, *rig.song);   // the Stop lamp
    EXPECT_EQ(counter.changes, 4);
    toggleMidiSync(rig.out, *rig.song);   // off while stopped: nothing to tell
    EXPECT_EQ(counter.changes, 4);

    rig.out.loop.setTransportListener(nullptr);
    rig.out.loop.requestStart();
    EXPECT_EQ(counter.changes, 4);
}

}  // namespace
}  // namespace tamboro
