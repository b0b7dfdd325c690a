#pragma once
// The main thread's side of following the JACK transport: from the
// transport's reports (engine/transport_sync.h), the master's sixteenth
// notes on the playback's frames, and the transport frame to prime for.
//
// A step is a sixteenth note. With a timebase master the step is the
// sixteenth of the bar position (bar, beat and tick, each beat a
// `beatType` note) and the tempo is the master's; without one, the step
// is the transport's frame counted at the song's tempo from frame 0. The
// song step is that modulo the song's length.
//
// The bar position is taken where it is new: when the transport starts or
// stands, after a locate, and when the master changes its tempo or metre.
// While the transport rolls on, the position moves with the transport's
// frames at the master's tempo, so a master that adds up its ticks in
// whole numbers per period (and falls behind its own frames by the
// fractions) does not pull the steps away from the frames.
//
// Threads: main thread.

#include <cstdint>

#include "engine/follow_steps.h"
#include "engine/transport_sync.h"

namespace tamboro {

struct TransportFollow {
    // Where the master's position was taken from its bar, beat and tick.
    struct Anchor {
        bool set = false;
        uint32_t frame = 0;    // the transport frame it was taken at
        double step = 0;       // the master's step there
        TransportSample said;  // the report it came from
    };

    bool known = false;        // a report came since following began
    Anchor anchor;
    bool playing = false;      // a playback began and the transport still rolls
    TransportEvent last;       // the latest report
    int64_t lastFrame = 0;     // its playback frame (while playing)
    uint32_t lastPosition = 0; // its loop byte position
    uint32_t relocation = 0;   // counts the transport's locates while rolling
};

// Where a report puts the master: in steps from the song's start (with a
// fraction), and a step's length in frames of 44,100 Hz.
struct TransportSteps {
    double step = 0;
    double framesPerStep = 5512.5;
};
TransportSteps transportSteps(const TransportSample& sample, int16_t songTempo);

// The same from the anchor, moved on to the report's frame.
TransportSteps anchoredSteps(const TransportFollow& follow, const TransportSample& sample, int16_t songTempo);

// Takes every report. `startPosition`: the loop's byte position when a
// playback begins.
void takeTransportEvents(TransportInput& input, TransportFollow& follow, uint32_t startPosition);

// The transport frame the first half should be primed for: where the
// stopped transport stands; rolling before the playback began, a cycle
// top some 60 ms ahead, or the one `offered` already while it is still a
// cycle top more than a cycle ahead. -1 while playing or before any report.
int64_t transportFrameToPrime(const TransportFollow& follow, int64_t offered);

// The master's steps for a playback that begins at transport frame
// `frame`, frame 0 of the playback being that frame.
StepTimeline transportPrimingTimeline(const TransportFollow& follow, int64_t frame, int16_t songTempo);

// While playing: the master's steps as the latest report tells them.
StepTimeline transportTimeline(const TransportFollow& follow, int16_t songTempo);

}  // namespace tamboro
