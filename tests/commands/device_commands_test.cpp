// The commands around the output and the MIDI input, with a scripted Shell:
// what each failure says and where, the device dialogs, the MIDI Sync check
// mark and the lamps.

#include <gtest/gtest.h>

#include "commands/device_commands.h"
#include "commands/menu_ids.h"
#include "engine/midi_sync.h"
#include "tests/support/playback_rig.h"
#include "tests/support/scripted_shell.h"

namespace tamboro {
namespace {

using test::HalfFrames;

struct CommandRig : test::PlaybackRig {
    test::ScriptedShell shell;

    const test::ScriptedShell::Message& onlyMessage() {
        EXPECT_EQ(shell.messages.size(), 1u);
        static const test::ScriptedShell::Message none{};
        return shell.messages.empty() ? none : shell.messages.front();
    }
};

TEST(DeviceCommands, PlayThatFailsSaysWhyInABoxOfItsOwn) {
    {
        CommandRig rig;
        rig.wave.openError = "the requested sample rate is not supported";
        playCommand(rig.out, *rig.song, rig.shell);
        const auto& box = rig.onlyMessage();
        EXPECT_EQ(box.text, rig.wave.openError);
        EXPECT_EQ(box.caption, "Output Device Error");
        EXPECT_EQ(box.owner, MessageOwner::None);
        EXPECT_EQ(box.icon, MessageIcon::Warning);
        EXPECT_EQ(rig.song->playing, 0);
    }
    {
        CommandRig rig;
        rig.wave.period = 8192;
        playCommand(rig.out, *rig.song, rig.shell);
        EXPECT_EQ(rig.onlyMessage().text,
                  "The device plays 8192 frames at a time; Tamboro needs 4096 or fewer. "
                  "Choose a shorter period (buffer size) for it.");
    }
    {
        CommandRig rig;
        freeMixBuffer(rig.out);
        playCommand(rig.out, *rig.song, rig.shell);
        const auto& box = rig.onlyMessage();
        EXPECT_EQ(box.text, "Not enough memory for mixing buffers!");
        EXPECT_EQ(box.caption, " Error in function SoundPlay()");
        EXPECT_EQ(box.owner, MessageOwner::None);
    }
    {   // Success says nothing and plays.
        CommandRig rig;
        playCommand(rig.out, *rig.song, rig.shell);
        EXPECT_TRUE(rig.shell.messages.empty());
        EXPECT_EQ(rig.song->playing, 1);
    }
}

TEST(DeviceCommands, TheTickTellsALostStreamOnceAndRepaintsTheLamps) {
    CommandRig rig;
    playCommand(rig.out, *rig.song, rig.shell);
    tickCommand(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.shell.lampRepaints, 0);
    rig.wave.alive = false;   // e.g. the JACK server dropped the client
    tickCommand(rig.out, *rig.song, rig.shell);
    tickCommand(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.shell.lampRepaints, 1);
    const auto& box = rig.onlyMessage();
    EXPECT_EQ(box.text,
              "The output device has stopped (the audio server may have closed the connection).");
    EXPECT_EQ(box.caption, "Output Device Error");
}

TEST(DeviceCommands, WavDeviceDialogListsTheDevicesAndOnlyOkWithASelectionChooses) {
    CommandRig rig;
    rig.shell.deviceAnswers = {{false, 1}, {true, -1}, {true, 1}};   // Cancel, OK alone, OK on 1
    for (int i = 0; i < 2; ++i) {
        outputDeviceDialog(rig.out, *rig.song, rig.shell);
        EXPECT_EQ(rig.song->outputDevice, 0);
    }
    outputDeviceDialog(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.song->outputDevice, 1);
    EXPECT_EQ(rig.song->modalActive, 1);
    ASSERT_EQ(rig.shell.deviceDialogs.size(), 3u);
    EXPECT_EQ(rig.shell.deviceDialogs[0].caption, "Select WAV Device");
    EXPECT_EQ(rig.shell.deviceDialogs[0].entries, rig.wave.names);
}

TEST(DeviceCommands, MidiSyncSetsItsCheckMarkOnlyWhenItIsOnAndSaysWhyNot) {
    {
        CommandRig rig;
        midiSyncCommand(rig.out, *rig.song, rig.shell);
        EXPECT_EQ(rig.shell.checked(MenuId::EnableMidiSync), true);
        EXPECT_TRUE(rig.shell.messages.empty());
        rig.midi.send(MidiStart);
        tickCommand(rig.out, *rig.song, rig.shell);
        EXPECT_EQ(rig.shell.lampRepaints, 1);
        midiSyncCommand(rig.out, *rig.song, rig.shell);   // off while running
        EXPECT_EQ(rig.shell.checked(MenuId::EnableMidiSync), false);
        EXPECT_EQ(rig.shell.lampRepaints, 2);
    }
    {   // The input cannot open: no check mark, a box owned by the window.
        CommandRig rig;
        rig.midi.broken = {0};
        rig.midi.brokenReason = "no JACK server is running";
        midiSyncCommand(rig.out, *rig.song, rig.shell);
        EXPECT_NE(rig.shell.checked(MenuId::EnableMidiSync), true);
        const auto& box = rig.onlyMessage();
        EXPECT_EQ(box.text, "Could not open MIDI device.\nNo JACK server is running.");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.owner, MessageOwner::MainWindow);
    }
    {
        CommandRig rig;
        freeMixBuffer(rig.out);
        midiSyncCommand(rig.out, *rig.song, rig.shell);
        EXPECT_NE(rig.shell.checked(MenuId::EnableMidiSync), true);
        EXPECT_EQ(rig.onlyMessage().text, "Not enough memory for mixing buffers!");
    }
    {   // Playing from the lamp: nothing at all.
        CommandRig rig;
        playCommand(rig.out, *rig.song, rig.shell);
        midiSyncCommand(rig.out, *rig.song, rig.shell);
        EXPECT_FALSE(rig.shell.checked(MenuId::EnableMidiSync).has_value());
        EXPECT_TRUE(rig.shell.messages.empty());
        EXPECT_EQ(rig.shell.lampRepaints, 0);
    }
}

// Follow MIDI Clock toggles while stopped, armed or not, with its check
// mark; while playing it changes nothing. The tick repaints TEMPO when the
// tempo followed changes.
TEST(DeviceCommands, FollowMidiClockTogglesWhileStoppedAndTheTickRepaintsTheTempo) {
    CommandRig rig;
    followMidiClockCommand(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.shell.checked(MenuId::FollowMidiClock), true);
    EXPECT_EQ(rig.song->followMidiClock, 1);
    midiSyncCommand(rig.out, *rig.song, rig.shell);
    followMidiClockCommand(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.shell.checked(MenuId::FollowMidiClock), false);
    followMidiClockCommand(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.shell.checked(MenuId::FollowMidiClock), true);
    EXPECT_TRUE(rig.shell.messages.empty());

    tickCommand(rig.out, *rig.song, rig.shell);   // primed for following
    rig.midi.send(MidiStart);
    rig.midi.send(0xF8);
    tickCommand(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.song->playing, 1);
    EXPECT_EQ(rig.song->followedTempo, rig.song->tempo);
    EXPECT_EQ(rig.shell.tempoRepaints, 1);
    followMidiClockCommand(rig.out, *rig.song, rig.shell);   // playing: nothing
    EXPECT_EQ(rig.song->followMidiClock, 1);
    EXPECT_EQ(rig.shell.checked(MenuId::FollowMidiClock), true);

    rig.midi.send(MidiStop);
    tickCommand(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.song->followedTempo, 0);
    EXPECT_EQ(rig.shell.tempoRepaints, 2);
}

// Follow JACK Transport: without a JACK output it says so and stays
// unchecked; with one it is checked, and it and MIDI Sync uncheck each
// other as they give way.
TEST(DeviceCommands, FollowJackTransportNeedsJackAndTakesTurnsWithMidiSync) {
    {
        CommandRig rig;
        followJackTransportCommand(rig.out, *rig.song, rig.shell);
        EXPECT_EQ(rig.shell.checked(MenuId::FollowJackTransport), false);
        EXPECT_EQ(rig.onlyMessage().text,
                  "Follow JACK Transport needs the JACK output device: choose it in Select WAV Device.");
        EXPECT_EQ(rig.song->followJackTransport, 0);
    }
    CommandRig rig;
    rig.wave.hasTransport = true;
    followJackTransportCommand(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.shell.checked(MenuId::FollowJackTransport), true);
    EXPECT_TRUE(rig.shell.messages.empty());
    midiSyncCommand(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.shell.checked(MenuId::EnableMidiSync), true);
    EXPECT_EQ(rig.shell.checked(MenuId::FollowJackTransport), false);
    followJackTransportCommand(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.shell.checked(MenuId::EnableMidiSync), false);
    EXPECT_EQ(rig.shell.checked(MenuId::FollowJackTransport), true);
    followJackTransportCommand(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.shell.checked(MenuId::FollowJackTransport), false);
    EXPECT_FALSE(rig.wave.isOpen());
}

// Send MIDI Clock on an armed output: checked either way; said to go
// nowhere only when the device can open no MIDI output at all.
TEST(DeviceCommands, SendMidiClockSaysSoOnlyWhenNoMidiOutputOpens) {
    for (bool midiOut : {true, false}) {
        CommandRig rig;
        rig.wave.hasMidiOut = midiOut;
        midiSyncCommand(rig.out, *rig.song, rig.shell);
        ASSERT_TRUE(rig.wave.isOpen());
        sendMidiClockCommand(rig.out, *rig.song, rig.shell);
        EXPECT_EQ(rig.shell.checked(MenuId::SendMidiClock), true) << midiOut;
        if (midiOut) {
            EXPECT_TRUE(rig.shell.messages.empty());
        } else {
            EXPECT_EQ(rig.onlyMessage().text,
                      "MIDI clock is sent through the JACK output device (its port MIDI Out); "
                      "the output device chosen cannot send it.");
        }
        sendMidiClockCommand(rig.out, *rig.song, rig.shell);
        EXPECT_EQ(rig.shell.checked(MenuId::SendMidiClock), false) << midiOut;
    }
}

TEST(DeviceCommands, MidiDeviceDialogMovesAnOpenInputAndTellsAFailureInTheDialog) {
    CommandRig rig;
    rig.shell.deviceAnswers = {{true, 1}};
    midiInDeviceDialog(rig.out, *rig.song, rig.shell);   // off: only the index
    EXPECT_EQ(rig.song->midiInDevice, 1);
    EXPECT_EQ(rig.midi.opens, 0);
    EXPECT_EQ(rig.song->modalActive, 1);
    ASSERT_EQ(rig.shell.deviceDialogs.size(), 1u);
    EXPECT_EQ(rig.shell.deviceDialogs[0].caption, "Select MIDI Device");
    EXPECT_EQ(rig.shell.deviceDialogs[0].entries, rig.midi.names);

    midiSyncCommand(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.midi.openIndex, 1);
    rig.shell.deviceAnswers = {{false, 0}, {true, -1}, {true, 0}};
    for (int i = 0; i < 3; ++i)
        midiInDeviceDialog(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.midi.openIndex, 0);   // moved by the third

    rig.midi.broken = {1};
    rig.shell.deviceAnswers = {{true, 1}};
    midiInDeviceDialog(rig.out, *rig.song, rig.shell);
    EXPECT_EQ(rig.song->midiSync, 1);
    const auto& box = rig.onlyMessage();
    EXPECT_EQ(box.owner, MessageOwner::Dialog);
    EXPECT_EQ(box.text, "Could not open MIDI device.\nThe port is broken.");
}

}  // namespace
}  // namespace tamboro
