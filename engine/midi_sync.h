#pragma once
// MIDI Sync: playback follows the real-time messages Start (250), Continue
// (251) and Stop (252) from a MIDI input.
//
// Threads: the MIDI input delivers to the output's MidiSyncInput
// (engine/clock_sync.h) on its own thread, which only changes the
// LoopBuffer's transport (atomics) and passes clocks on, so a Start reaches
// the audio callback in its next period, with no rendering, locking or
// allocation; on JACK the input's thread is the output's process callback,
// which obeys the transport at the message's own frame. Everything else
// here runs on the main thread; outputTick (engine/audio_output.h) brings a
// Start or Stop into `playing` and primes the output again.

#include <cstdint>
#include <string>

#include "engine/audio_output.h"

namespace tamboro {

inline constexpr uint32_t MidiStart = 250;
inline constexpr uint32_t MidiContinue = 251;
inline constexpr uint32_t MidiStop = 252;

enum class MidiSyncChange {
    TurnedOff,           // the MIDI input and the output closed, `playing` 0
    NothingWhilePlaying, // turning it on while playing does nothing
    NoMixBuffer,         // arming would render into a missing buffer: it stays off
    MidiInputFailed,     // the MIDI input could not be opened: it stays off
    TurnedOn,            // armed: the MIDI input is open; see `output`
};

struct MidiSyncResult {
    MidiSyncChange change = MidiSyncChange::TurnedOff;
    OutputResult output;      // for TurnedOn: opening and priming the output
    std::string midiReason;   // for MidiInputFailed: the input's reason
};

// Enable MIDI Sync (command 40013): on while stopped opens the MIDI input
// and primes the output; off closes the MIDI input and the output. Turning
// it on while playing does nothing.
MidiSyncResult toggleMidiSync(AudioOutput& out, SongState& song);

enum class FollowClockChange { TurnedOn, TurnedOff, NothingWhilePlaying };

enum class TransportChange {
    TurnedOff,           // the output closed, `playing` 0
    NothingWhilePlaying, // turning it on while playing does nothing
    NoMixBuffer,         // arming would render into a missing buffer: it stays off
    TurnedOn,            // armed; see `output` (NoTransport: not JACK's, it stays off)
};

struct TransportResult {
    TransportChange change = TransportChange::TurnedOff;
    bool midiSyncTurnedOff = false;   // MIDI Sync was on and gave way
    OutputResult output;
};

// Follow JACK Transport (command 40015): on while stopped turns MIDI Sync
// off, opens the output and primes it where the transport stands; rolling
// then starts the playback and stopping stops it. Off closes the output.
// An output device that is not JACK's has no transport: it stays off.
TransportResult toggleFollowJackTransport(AudioOutput& out, SongState& song);

enum class ClockOutChange {
    TurnedOn,            // MIDI clock goes out from the next Play
    TurnedOnNoPort,      // on, but no MIDI output can be opened for the open device
    TurnedOff,
    NothingWhilePlaying, // while playing it changes nothing
};

// Send MIDI Clock (command 40016): while stopped, switches sending MIDI
// clock (engine/clock_out.h) on or off; it goes out while the program
// plays on its own, not in MIDI Sync or following the JACK transport.
ClockOutChange toggleSendMidiClock(AudioOutput& out, SongState& song);

// Follow MIDI Clock (command 40014): while stopped, switches following the
// master's clock on or off; the output is primed anew for it by the next
// tick, and the next Start or Continue follows (or not). While playing it
// changes nothing.
FollowClockChange toggleFollowMidiClock(AudioOutput& out, SongState& song);

// A MIDI input chosen in Select MIDI Device: midiInDevice := index and,
// while an input is open, the input moves to it at once. False when it was
// open and could not be opened again, with the input's reason: no input is
// open then, and MIDI Sync stays on until it is turned off.
bool selectMidiInDevice(AudioOutput& out, SongState& song, int index, std::string& reason);

}  // namespace tamboro
