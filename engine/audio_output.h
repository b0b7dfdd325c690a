#pragma once
// Live playback: the wave output device, the looping MixBuffer and the MIDI
// input, grouped in one AudioOutput that the application owns beside its
// SongState, and the operations that open, prime, start, refill and close
// the output.
//
// Threads: every function here runs on the main thread. The device's thread
// only copies from the LoopBuffer, and the MIDI thread only changes the
// LoopBuffer's transport (engine/midi_sync.h); neither touches SongState.
// outputTick, every 10 ms, brings their effects to the main thread:
// `playing`, the lamps, and priming the output again after a Stop. While
// MIDI Sync follows the master's clock (engine/clock_sync.h), the tick also
// takes the clocks the MIDI thread stamped, primes the step the master will
// begin with, and the refill places the steps on the master's clock.

#include <cstdint>
#include <string>

#include "engine/clock_out.h"
#include "engine/clock_sync.h"
#include "engine/follow_session.h"
#include "engine/loop_buffer.h"
#include "engine/midi_input.h"
#include "engine/output_result.h"
#include "engine/song_state.h"
#include "engine/transport_sync.h"
#include "engine/wave_output.h"

namespace tamboro {

// The longest device period the loop takes: the refill must see the
// callback enter a half well before it leaves the other one.
inline constexpr uint32_t MaxPeriodFrames = 4096;

struct AudioOutput {
    AudioOutput(WaveOutput& device, MidiInput& midiInput, uint32_t startPosition = 0)
        : wave(device), midi(midiInput), loop(startPosition), sync(loop),
          transport(loop), clockOut(startPosition & ~(LoopBuffer::Bytes - 1)),
          startPosition(startPosition & ~(LoopBuffer::Bytes - 1)) {}
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    WaveOutput& wave;
    MidiInput& midi;
    LoopBuffer loop;             // the MixBuffer; outlives every stream
    MidiSyncInput sync;          // what the MIDI input's thread passes on
    TransportInput transport;    // what the JACK transport says, from the output's callback
    ClockOutput clockOut;        // the MIDI clock sent along, to the output's callback
    ClockPlanner clockPlan;      // its clocks, placed as the halves are rendered
    FollowSession follow;        // following the master's clock (main thread)
    const uint32_t startPosition;   // the loop's byte position when a playback begins
    bool outputOpen = false;     // a stream is open (primed or playing)
    bool midiInOpen = false;     // the MIDI input is open
    int renderHolds = 0;         // OutputHold objects alive: no priming meanwhile
    bool primeFailed = false;    // a priming in MIDI Sync failed: not retried by the tick
};

// The MixBuffer, allocated once at start-up; false when the memory cannot
// be had.
bool allocateMixBuffer(AudioOutput& out);
// Closes the output first if it is open, then frees the buffer.
void freeMixBuffer(AudioOutput& out);

// Counts the devices into outputDeviceCount; false when index is not below
// the count, else true with the device's full name.
bool getOutputDeviceName(AudioOutput& out, SongState& song, int index, std::string& name);

// Opens device `device` and primes it: step 0, the first half rendered.
// The stream starts at once, silent until startOutput. On failure nothing
// is open and the result says why. Expects no output open.
OutputResult openOutput(AudioOutput& out, SongState& song, int device);
// The Start: the primed buffer sounds from the callback's next period. A
// Start while playing changes nothing.
void startOutput(AudioOutput& out);
// Renders the half that is due, once per pass, from the callback's view.
// While following a master, not before the callback is within
// followRefillLead frames of the end of the half it plays.
void refillOnTimer(AudioOutput& out, SongState& song);

// How far ahead of the callback a half is rendered while following: two
// device periods (the callback reads a period at once and publishes its
// position after it) and 40 ms for the tick's pace and its delays. Without
// following a half is rendered as soon as the other one begins to play,
// 186 to 372 ms before it sounds.
constexpr uint32_t followRefillLead(uint32_t periodFrames) {
    return 2 * periodFrames + 1764;
}
// Stops at once, closes, and forgets any pending Start. `playing` is left to
// the caller.
void closeOutputs(AudioOutput& out);
// closeOutputs, then frees every channel's sample.
void releaseSamples(AudioOutput& out, SongState& song);

// The Play lamp outside MIDI Sync: opens, primes and starts the output;
// `playing` becomes 1 only when the output opened.
OutputResult startPlayback(AudioOutput& out, SongState& song);
// The Stop lamp: `playing` := 0. In MIDI Sync the output is silenced and
// stays open, to be primed again by the next tick; otherwise it is closed.
void stopPlayback(AudioOutput& out, SongState& song);

// What one tick found, for the program to show.
struct TickReport {
    bool playingChanged = false;   // MIDI or the device changed `playing`: the lamps are stale
    bool outputLost = false;       // the stream ended on its own while it mattered
    OutputResult reopened;         // opening the output again in MIDI Sync failed
    bool tempoChanged = false;     // the tempo shown (followedTempo) changed
};

// The 10 ms tick: notices a stream that ended on its own, primes the output
// again while MIDI Sync is on (after a Stop, New Song, Open Song, Stream To
// Disk; while following the clock, at the step the master will begin
// with), copies the transport into `playing`, refills while playing, and
// sets followedTempo to the master's tempo while a followed playback runs.
TickReport outputTick(AudioOutput& out, SongState& song);

// Shutdown: the output closes before the samples and the MixBuffer are
// freed; the MIDI input closes last.
void shutdownOutput(AudioOutput& out, SongState& song);

// For a render that needs the MixBuffer and the step clock to itself
// (Stream To Disk): stops and closes the output (clearing `playing`), and
// keeps the tick from priming it again until the hold ends. A MIDI Start
// meanwhile plays once the output is primed afresh after the hold.
class OutputHold {
public:
    OutputHold(AudioOutput& out, SongState& song);
    ~OutputHold();
    OutputHold(const OutputHold&) = delete;
    OutputHold& operator=(const OutputHold&) = delete;
    // The MixBuffer to render into; null when it was never allocated.
    int16_t* buffer() { return out_.loop.data(); }
    // Playback ran when the hold began (the lamps are stale).
    bool stoppedPlayback() const { return stoppedPlayback_; }

private:
    AudioOutput& out_;
    bool stoppedPlayback_ = false;
};

}  // namespace tamboro
