#include "engine/transport_follow.h"

#include <algorithm>
#include <cmath>

namespace tamboro {

namespace {

constexpr double SongRate = 44100;

bool usable(double value) {
    return std::isfinite(value) && value > 0;
}

// A timeline whose playback frame `frame` is the master's step `steps.step`.
StepTimeline timelineAt(double frame, const TransportSteps& steps, uint32_t relocation) {
    const double whole = std::floor(steps.step);
    StepTimeline timeline;
    timeline.originStep = static_cast<int64_t>(std::clamp(whole, -1e15, 1e15));
    timeline.originFrame = frame - (steps.step - whole) * steps.framesPerStep;
    timeline.framesPerStep = steps.framesPerStep;
    timeline.relocation = relocation;
    return timeline;
}

// `steps`, said at transport frame `from`, moved on to transport frame `to`.
TransportSteps movedOn(TransportSteps steps, int64_t from, int64_t to, uint32_t rate) {
    const double seconds = static_cast<double>(to - from) / std::max<uint32_t>(rate, 1);
    steps.step += seconds * SongRate / steps.framesPerStep;
    return steps;
}

// Whether a report's bar position is to be taken anew.
bool newPosition(const TransportFollow& follow, const TransportEvent& event) {
    const TransportSample& now = event.sample;
    const TransportSample& then = follow.anchor.said;
    return !follow.anchor.set || event.kind == TransportEvent::Kind::Began || event.jumped || !now.rolling ||
           now.bbt != then.bbt || now.beatsPerMinute != then.beatsPerMinute ||
           now.beatsPerBar != then.beatsPerBar || now.beatType != then.beatType ||
           now.ticksPerBeat != then.ticksPerBeat || now.rate != then.rate;
}

}  // namespace

TransportSteps transportSteps(const TransportSample& sample, int16_t songTempo) {
    TransportSteps steps;
    const bool bbt = sample.bbt && usable(sample.beatsPerMinute) && usable(sample.ticksPerBeat) &&
                     usable(sample.beatsPerBar) && usable(sample.beatType);
    if (bbt) {
        const double stepsPerBeat = 16.0 / sample.beatType;
        steps.framesPerStep = SongRate * 60.0 / (sample.beatsPerMinute * stepsPerBeat);
        const double beats = (sample.bar - 1) * sample.beatsPerBar + (sample.beat - 1) + sample.tick / sample.ticksPerBeat;
        steps.step = beats * stepsPerBeat;
    } else {
        steps.framesPerStep = SongRate * 60.0 / (std::max<int16_t>(songTempo, 1) * 4.0);
        steps.step = sample.frame * (SongRate / std::max<uint32_t>(sample.rate, 1)) / steps.framesPerStep;
    }
    return steps;
}

TransportSteps anchoredSteps(const TransportFollow& follow, const TransportSample& sample, int16_t songTempo) {
    if (!follow.anchor.set || !sample.bbt)
        return transportSteps(sample, songTempo);
    TransportSteps steps = transportSteps(follow.anchor.said, songTempo);
    steps.step = follow.anchor.step;
    return movedOn(steps, follow.anchor.frame, sample.frame, sample.rate);
}

void takeTransportEvents(TransportInput& input, TransportFollow& follow, uint32_t startPosition) {
    TransportEvent event;
    while (input.nextEvent(event)) {
        follow.known = true;
        if (newPosition(follow, event)) {
            follow.anchor.set = true;
            follow.anchor.frame = event.sample.frame;
            follow.anchor.step = transportSteps(event.sample, 120).step;   // with a timebase master: no tempo needed
            follow.anchor.said = event.sample;
        }
        if (event.kind == TransportEvent::Kind::Began) {
            follow.playing = true;
            follow.lastFrame = 0;
            follow.lastPosition = startPosition;
        } else if (!event.sample.rolling) {
            follow.playing = false;
        } else if (follow.playing && event.sounding) {
            follow.lastFrame += (event.position - follow.lastPosition) / 4;
            follow.lastPosition = event.position;
        }
        if (event.jumped)
            ++follow.relocation;
        follow.last = event;
    }
}

int64_t transportFrameToPrime(const TransportFollow& follow, int64_t offered) {
    if (!follow.known || follow.playing)
        return -1;
    const TransportSample& at = follow.last.sample;
    if (!at.rolling)
        return at.frame;
    // Rolling, not begun: a cycle top some 60 ms on.
    const uint32_t cycle = std::max<uint32_t>(at.cycleFrames, 1);
    const int64_t toOffered = offered - int64_t{at.frame};
    if (toOffered > cycle && toOffered % cycle == 0)
        return offered;   // still to come: a new one would only run away from the cycles
    const uint32_t ahead = at.rate * 6 / 100;
    return int64_t{at.frame} + int64_t{(ahead + cycle - 1) / cycle + 1} * cycle;
}

StepTimeline transportPrimingTimeline(const TransportFollow& follow, int64_t frame, int16_t songTempo) {
    const TransportSample& last = follow.last.sample;
    return timelineAt(0, movedOn(anchoredSteps(follow, last, songTempo), last.frame, frame, last.rate),
                      follow.relocation);
}

StepTimeline transportTimeline(const TransportFollow& follow, int16_t songTempo) {
    return timelineAt(static_cast<double>(follow.lastFrame), anchoredSteps(follow, follow.last.sample, songTempo),
                      follow.relocation);
}

}  // namespace tamboro
