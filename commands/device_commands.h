#pragma once
// The commands that drive the output and the MIDI input, with the program's
// dialogs and messages around the engine's operations: the Play lamp, the
// 10 ms tick, Select WAV Device, Select MIDI In Device, Enable MIDI Sync,
// Follow MIDI Clock, Follow JACK Transport and Send MIDI Clock. Main thread.

#include "commands/shell.h"
#include "engine/audio_output.h"
#include "engine/song_state.h"

namespace tamboro {

// The Play lamp outside MIDI Sync: starts playback, or says why it cannot.
void playCommand(AudioOutput& out, SongState& song, Shell& shell);

// The 10 ms tick: the engine's tick, with the lamps repainted when MIDI or
// the device changed `playing`, and a lost or unopenable output told.
void tickCommand(AudioOutput& out, SongState& song, Shell& shell);

// Select WAV Device (command 40007): raises modalActive and lists the
// devices; OK with a selection sets outputDevice, which the next Play uses.
void outputDeviceDialog(AudioOutput& out, SongState& song, Shell& shell);

// Select MIDI In Device (command 40011): raises modalActive and lists the
// inputs; OK with a selection sets midiInDevice and, while an input is
// open, moves it to the new device at once (a failure is told in a box
// owned by the dialog).
void midiInDeviceDialog(AudioOutput& out, SongState& song, Shell& shell);

// Enable MIDI Sync (command 40013): toggleMidiSync with its check mark,
// its messages and the lamps when playback stopped.
void midiSyncCommand(AudioOutput& out, SongState& song, Shell& shell);

// Follow MIDI Clock (command 40014): toggleFollowMidiClock with its check
// mark; while playing it changes nothing.
void followMidiClockCommand(AudioOutput& out, SongState& song, Shell& shell);

// Follow JACK Transport (command 40015): toggleFollowJackTransport with its
// check mark (and MIDI Sync's, which gives way), its messages and the
// lamps when playback stopped.
void followJackTransportCommand(AudioOutput& out, SongState& song, Shell& shell);

// Send MIDI Clock (command 40016): toggleSendMidiClock with its check mark,
// and a word when the open output device cannot send it.
void sendMidiClockCommand(AudioOutput& out, SongState& song, Shell& shell);

}  // namespace tamboro
