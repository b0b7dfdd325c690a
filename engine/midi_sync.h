#pragma once
// MIDI Sync: playback follows the real-time messages Start (250), Continue
// (251) and Stop (252) from a MIDI input.
//
// Threads: onMidiIn runs on the MIDI input's thread and only changes the
// LoopBuffer's transport (atomics), so a Start reaches the audio callback in
// its next period, with no rendering, locking or allocation. Everything
// else here runs on the main thread; outputTick (engine/audio_output.h)
// brings a Start or Stop into `playing` and primes the output again.

#include <cstdint>

#include "engine/audio_output.h"

namespace tamboro {

inline constexpr uint32_t MidiStart = 250;
inline constexpr uint32_t MidiContinue = 251;
inline constexpr uint32_t MidiStop = 252;

// Enable MIDI Sync (command 40013): on while stopped opens the MIDI input
// and primes the output; off closes the MIDI input and the output. Turning
// it on while playing does nothing.
void toggleMidiSync(AudioOutput& out, SongState& song, Shell& shell);

// One incoming message, packed with its status byte in the low byte.
// Start and Continue start, Stop stops; everything else is ignored.
void onMidiIn(LoopBuffer& loop, uint32_t message);

// Select MIDI In Device (command 40011): raises modalActive, lists the
// inputs; OK with a selection sets midiInDevice and, while an input is
// open, moves it to the new device at once.
void midiInDeviceDialog(AudioOutput& out, SongState& song, Shell& shell);

}  // namespace tamboro
