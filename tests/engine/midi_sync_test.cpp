// MIDI Sync through a fake MIDI input and a fake device: arming, Start,
// Continue and Stop, priming again after every stop, the input dialog, and
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
        toggleMidiSync(out, *song, shell);
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
        EXPECT_EQ(rig.shell.midiSyncChecked, true);
        EXPECT_EQ(rig.midi.openIndex, 0);
        EXPECT_TRUE(rig.midi.started);
        EXPECT_TRUE(rig.wave.started);
        EXPECT_EQ(rig.bufferHalf(0), test::halfOf(test::referenceHalves(1), 0));
        EXPECT_TRUE(test::silent(rig.playTicking(3 * HalfFrames)));
        EXPECT_EQ(rig.song->playing, 0);

        rig.midi.send(message);
        EXPECT_TRUE(rig.startsAtStepZero());
        EXPECT_EQ(rig.song->playing, 1);
        EXPECT_EQ(rig.shell.lampRepaints, 1);
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
    EXPECT_EQ(rig.shell.lampRepaints, 2);
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
        OutputHold hold(rig.out, *rig.song, rig.shell);
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

TEST(MidiSync, HoldWhilePlayingStopsAndRepaintsOutsideMidiSync) {
    test::PlaybackRig rig;
    ASSERT_TRUE(startPlayback(rig.out, *rig.song, rig.shell));
    {
        OutputHold hold(rig.out, *rig.song, rig.shell);
        EXPECT_EQ(rig.song->playing, 0);
        EXPECT_EQ(rig.shell.panelRepaints, 1);
    }
    rig.tick();
    EXPECT_FALSE(rig.wave.isOpen());   // not armed: nothing opens again
}

TEST(MidiSync, ToggleWhileStoppedArmedRunningAndPlaying) {
    {   // Playing from the Play lamp: nothing at all happens.
        MidiRig rig;
        ASSERT_TRUE(startPlayback(rig.out, *rig.song, rig.shell));
        toggleMidiSync(rig.out, *rig.song, rig.shell);
        EXPECT_EQ(rig.song->midiSync, 0);
        EXPECT_FALSE(rig.shell.midiSyncChecked.has_value());
        EXPECT_EQ(rig.midi.opens, 0);
    }
    for (bool started : {false, true}) {   // armed, running: off closes everything
        MidiRig rig;
        rig.arm();
        if (started) {
            rig.midi.send(MidiStart);
            rig.playTicking(HalfFrames);
        }
        toggleMidiSync(rig.out, *rig.song, rig.shell);
        EXPECT_EQ(rig.song->midiSync, 0);
        EXPECT_EQ(rig.song->playing, 0);
        EXPECT_EQ(rig.shell.midiSyncChecked, false);
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
    toggleMidiSync(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.song->midiSync, 0);
    EXPECT_EQ(rig.shell.midiSyncChecked, false);
    EXPECT_EQ(rig.wave.opens, 0);
    ASSERT_EQ(rig.shell.messages.size(), 1u);
    EXPECT_EQ(rig.shell.messages[0].text, "Could not open MIDI device.");
    EXPECT_EQ(rig.shell.messages[0].caption, "Error");
    EXPECT_EQ(rig.shell.messages[0].owner, MessageOwner::MainWindow);
}

TEST(MidiSync, NoMixBufferMeansNoArmingAndAMessage) {
    MidiRig rig;
    freeMixBuffer(rig.out);
    toggleMidiSync(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.song->midiSync, 0);
    EXPECT_EQ(rig.midi.opens, 0);
    ASSERT_EQ(rig.shell.messages.size(), 1u);
    EXPECT_EQ(rig.shell.messages[0].text, "Not enough memory for mixing buffers!");
}

TEST(MidiSync, InputDialogStoresTheIndexAndMovesAnOpenInput) {
    MidiRig rig;
    rig.shell.deviceAnswers = {{true, 1}};
    midiInDeviceDialog(rig.out, *rig.song, rig.shell);   // off: only the index
    EXPECT_EQ(rig.song->midiInDevice, 1);
    EXPECT_EQ(rig.midi.opens, 0);
    ASSERT_EQ(rig.shell.deviceDialogs.size(), 1u);
    EXPECT_EQ(rig.shell.deviceDialogs[0].caption, "Select MIDI Device");
    EXPECT_EQ(rig.shell.deviceDialogs[0].entries, rig.midi.names);
    EXPECT_EQ(rig.song->modalActive, 1);

    rig.arm();
    EXPECT_EQ(rig.midi.openIndex, 1);
    rig.shell.deviceAnswers = {{false, 0}, {true, -1}, {true, 0}};
    for (int i = 0; i < 3; ++i)
        midiInDeviceDialog(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.midi.openIndex, 0);   // moved at once by the third
    EXPECT_TRUE(rig.midi.started);
    rig.midi.send(MidiStart);
    EXPECT_TRUE(rig.startsAtStepZero());

    // A device that fails: told inside the dialog, the mode stays on.
    rig.midi.broken = {1};
    rig.shell.deviceAnswers = {{true, 1}};
    midiInDeviceDialog(rig.out, *rig.song, rig.shell);
    EXPECT_FALSE(rig.out.midiInOpen);
    EXPECT_EQ(rig.song->midiSync, 1);
    ASSERT_EQ(rig.shell.messages.size(), 1u);
    EXPECT_EQ(rig.shell.messages[0].owner, MessageOwner::Dialog);
    EXPECT_EQ(rig.shell.messages[0].text, "Could not open MIDI device.");
}

}  // namespace
}  // namespace tamboro
