#include "commands/device_commands.h"

#include <string>
#include <vector>

#include "commands/menu_ids.h"
#include "commands/messages.h"
#include "engine/midi_sync.h"

namespace tamboro {

namespace {

void tell(Shell& shell, const OutputResult& result) {
    if (!result.ok())
        show(shell, outputProblemMessage(result));
}

}  // namespace

void playCommand(AudioOutput& out, SongState& song, Shell& shell) {
    tell(shell, startPlayback(out, song));
}

void tickCommand(AudioOutput& out, SongState& song, Shell& shell) {
    const TickReport report = outputTick(out, song);
    if (report.outputLost)
        show(shell, outputLostMessage());
    tell(shell, report.reopened);
    if (report.playingChanged)
        shell.repaintLamps();
    if (report.tempoChanged)
        shell.repaintTempo();
}

void outputDeviceDialog(AudioOutput& out, SongState& song, Shell& shell) {
    song.modalActive = 1;
    std::vector<std::string> names;
    std::string name;
    for (int index = 0; getOutputDeviceName(out, song, index, name); ++index)
        names.push_back(name);
    shell.runDeviceDialog("Select WAV Device", names, [&](int selected) {
        if (selected >= 0)
            song.outputDevice = selected;
    });
}

void midiInDeviceDialog(AudioOutput& out, SongState& song, Shell& shell) {
    song.modalActive = 1;
    std::vector<std::string> names;
    const int count = out.midi.portCount();
    for (int index = 0; index < count; ++index)
        names.push_back(out.midi.portName(index));
    shell.runDeviceDialog("Select MIDI Device", names, [&](int selected) {
        std::string reason;
        if (selected >= 0 && !selectMidiInDevice(out, song, selected, reason))
            show(shell, midiInputFailedMessage(MessageOwner::Dialog, reason));
    });
}

void midiSyncCommand(AudioOutput& out, SongState& song, Shell& shell) {
    const int32_t wasPlaying = song.playing;
    const int32_t wasFollowingTransport = song.followJackTransport;
    const MidiSyncResult result = toggleMidiSync(out, song);
    if (wasFollowingTransport && !song.followJackTransport)
        shell.setChecked(MenuId::FollowJackTransport, false);   // it gave way
    switch (result.change) {
    case MidiSyncChange::TurnedOff:
        shell.setChecked(MenuId::EnableMidiSync, false);
        break;
    case MidiSyncChange::NothingWhilePlaying:
        break;
    case MidiSyncChange::NoMixBuffer:
        show(shell, noMixBufferMessage());
        break;
    case MidiSyncChange::MidiInputFailed:
        shell.setChecked(MenuId::EnableMidiSync, false);
        show(shell, midiInputFailedMessage(MessageOwner::MainWindow, result.midiReason));
        break;
    case MidiSyncChange::TurnedOn:
        shell.setChecked(MenuId::EnableMidiSync, true);
        tell(shell, result.output);
        break;
    }
    // Turning MIDI Sync off stops playback; the lamps must say so.
    if (song.playing != wasPlaying)
        shell.repaintLamps();
}

void followJackTransportCommand(AudioOutput& out, SongState& song, Shell& shell) {
    const int32_t wasPlaying = song.playing;
    const TransportResult result = toggleFollowJackTransport(out, song);
    if (result.midiSyncTurnedOff)
        shell.setChecked(MenuId::EnableMidiSync, false);
    switch (result.change) {
    case TransportChange::TurnedOff:
        shell.setChecked(MenuId::FollowJackTransport, false);
        break;
    case TransportChange::NothingWhilePlaying:
        break;
    case TransportChange::NoMixBuffer:
        show(shell, noMixBufferMessage());
        break;
    case TransportChange::TurnedOn:
        shell.setChecked(MenuId::FollowJackTransport, song.followJackTransport != 0);
        tell(shell, result.output);
        break;
    }
    if (song.playing != wasPlaying)
        shell.repaintLamps();
}

void sendMidiClockCommand(AudioOutput& out, SongState& song, Shell& shell) {
    switch (toggleSendMidiClock(out, song)) {
    case ClockOutChange::TurnedOnNoPort:
        show(shell, clockOutNeedsJackMessage());
        [[fallthrough]];
    case ClockOutChange::TurnedOn:
        shell.setChecked(MenuId::SendMidiClock, true);
        break;
    case ClockOutChange::TurnedOff:
        shell.setChecked(MenuId::SendMidiClock, false);
        break;
    case ClockOutChange::NothingWhilePlaying:
        break;
    }
}

void followMidiClockCommand(AudioOutput& out, SongState& song, Shell& shell) {
    switch (toggleFollowMidiClock(out, song)) {
    case FollowClockChange::TurnedOn:
        shell.setChecked(MenuId::FollowMidiClock, true);
        break;
    case FollowClockChange::TurnedOff:
        shell.setChecked(MenuId::FollowMidiClock, false);
        break;
    case FollowClockChange::NothingWhilePlaying:
        break;
    }
}

}  // namespace tamboro
