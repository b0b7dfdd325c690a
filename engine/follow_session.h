#pragma once
// The main thread's side of following a master: for its MIDI clock, what
// the MIDI input's events (engine/clock_sync.h) mean for the priming, the
// estimate of the master's clock and the timeline the refill renders on;
// the JACK transport's side is engine/transport_follow.h.
//
// Frames here are playback frames: 0 is the first frame of the playback,
// which begins at the frame of the master's clock that began it.
//
// Threads: main thread.

#include <cstdint>

#include "engine/clock_follower.h"
#include "engine/clock_sync.h"
#include "engine/follow_steps.h"
#include "engine/transport_follow.h"

namespace tamboro {

struct FollowSession {
    ClockFollower follower;
    FollowClock clock;          // the step clock of the priming and the refill
    bool primedFollowing = false;   // the first half was primed for following: so is the refill
    StepTimeline primedTimeline;    // the master's steps as assumed for that priming
    TransportFollow transport;  // following the JACK transport
    bool armed = false;         // a Start or Continue came; no clock has begun yet
    bool playing = false;       // a followed playback began and no Stop came
    int64_t wantedStep = 0;     // armed: the step the Start or Continue asked for
    uint32_t songPosition = 0;  // the last Song Position Pointer since a Start or Stop
    int64_t beginStep = 0;      // the master's step at the clock that began the playback
    double heldPeriod = 0;      // frames per clock followed last; 0: none yet
    uint32_t lastPosition = 0;  // the loop's byte position of the last clock taken
    int64_t lastFrame = 0;      // and its playback frame
};

// Forgets everything of earlier runs, the tempo followed last too (MIDI
// Sync turned on).
void resetFollowSession(FollowSession& session);

// Takes every event the input has passed on. `startPosition` is the
// loop's byte position at the beginning of every playback; the song's
// tempo gives the period assumed until the clocks tell (when no tempo was
// followed yet).
void takeSyncEvents(MidiSyncInput& input, FollowSession& session, uint32_t startPosition, int16_t songTempo);

// The step the first half should hold now (unwrapped), or -1 while a
// followed playback runs: the song position while waiting for a Start or
// Continue; when armed, the master's next step boundary still to come.
int64_t stepToPrime(const MidiSyncInput& input, const FollowSession& session);

// The period assumed at the next beginning: the one followed last when its
// tempo lay between half the panel's lowest and twice its highest, else
// the song's tempo.
double assumedFramesPerClock(const FollowSession& session, int16_t songTempo);

// The master's steps on the playback's frames as the clocks tell them now
// (before any clock: a playback beginning at frame 0 with `step`, at the
// assumed period).
StepTimeline clockTimeline(const FollowSession& session);
StepTimeline provisionalTimeline(int64_t step, double framesPerClock);

}  // namespace tamboro
