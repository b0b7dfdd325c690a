#include "engine/follow_output.h"

#include <algorithm>
#include <cmath>

#include "engine/mixer.h"

namespace tamboro {

namespace {

constexpr int64_t HalfFrames = HalfBytes / 4;

// What the first half is to hold, as the master stands now; `offer` is what
// a master's message must match to begin with it (a step, a transport
// frame), -1 when nothing should be primed now.
struct PrimingPlan {
    int64_t offer = -1;
    StepTimeline timeline;
};

PrimingPlan planFor(const AudioOutput& out, const SongState& song) {
    PrimingPlan plan;
    const FollowSession& follow = out.follow;
    if (followingOf(song) == Following::JackTransport) {
        plan.offer = transportFrameToPrime(follow.transport, out.transport.primedFrame());
        if (plan.offer < 0 && !follow.transport.known)
            plan.offer = 0;   // nothing reported yet: where a transport starts
        if (plan.offer >= 0)
            plan.timeline = follow.transport.known
                                ? transportPrimingTimeline(follow.transport, plan.offer, song.tempo)
                                : provisionalTimeline(0, framesPerClockAt(song.tempo));
        return plan;
    }
    plan.offer = stepToPrime(out.sync, follow);
    if (plan.offer >= 0)
        plan.timeline = provisionalTimeline(plan.offer, assumedFramesPerClock(follow, song.tempo));
    return plan;
}

int64_t offered(const AudioOutput& out, Following following) {
    return following == Following::JackTransport ? out.transport.primedFrame() : out.sync.primedStep();
}

bool sameTimeline(const StepTimeline& a, const StepTimeline& b) {
    return a.originStep == b.originStep && std::abs(a.originFrame - b.originFrame) < 1 &&
           std::abs(a.framesPerStep - b.framesPerStep) < 1e-6 * b.framesPerStep;
}

}  // namespace

Following followingOf(const SongState& song) {
    if (song.followJackTransport != 0)
        return Following::JackTransport;
    if (song.midiSync != 0 && song.followMidiClock != 0)
        return Following::MidiClock;
    return Following::None;
}

void takeFollowEvents(AudioOutput& out, const SongState& song) {
    takeSyncEvents(out.sync, out.follow, out.startPosition, song.tempo);
    takeTransportEvents(out.transport, out.follow.transport, out.startPosition);
}

bool takeBackFollowPriming(AudioOutput& out) {
    // Both, so that no stale offer of the other master survives.
    const bool clock = out.sync.takeBackPriming();
    const bool transport = out.transport.takeBackPriming();
    return clock && transport;
}

bool primeFollowing(AudioOutput& out, SongState& song, bool onlyWhenStale) {
    const Following following = followingOf(song);
    PrimingPlan plan = planFor(out, song);
    if (plan.offer < 0) {
        if (onlyWhenStale)
            return false;
        plan.offer = 0;   // a playback runs, or is about to: prime for a later beginning
        plan.timeline = provisionalTimeline(0, assumedFramesPerClock(out.follow, song.tempo));
    }
    FollowSession& follow = out.follow;
    if (onlyWhenStale && (out.loop.view().active ||
                          (follow.primedFollowing && offered(out, following) == plan.offer &&
                           sameTimeline(follow.primedTimeline, plan.timeline) && out.loop.primedAndUnplayed())))
        return false;
    if (!takeBackFollowPriming(out))
        return false;
    int16_t* first = out.loop.beginPriming();
    if (!first)
        return false;
    startFollowing(song, follow.clock, plan.timeline.stepAt(0), plan.timeline);
    renderHalfFollowing(song, first, follow.clock, plan.timeline);
    out.loop.publish();
    follow.primedFollowing = true;
    follow.primedTimeline = plan.timeline;
    if (following == Following::JackTransport)
        out.transport.primed(plan.offer);
    else
        out.sync.primed(plan.offer);
    return true;
}

bool dueForFollowing(const AudioOutput& out) {
    const LoopBuffer::View view = out.loop.view();
    if (!view.active)
        return true;   // about to begin: the next half is due at once
    const uint32_t intoHalf = ((view.position - out.startPosition) / 4) % HalfFrames;
    return HalfFrames - intoHalf <= followRefillLead(out.wave.periodFrames());
}

void refillFollowing(AudioOutput& out, SongState& song, int16_t* target, int half) {
    takeFollowEvents(out, song);
    const LoopBuffer::View view = out.loop.view();
    int64_t segment = view.active ? ((view.position - out.startPosition) >> 15) + 1 : 1;
    if ((segment & 1) != half)
        segment -= 1;
    FollowSession& follow = out.follow;
    follow.clock.frame = segment * HalfFrames;
    StepTimeline timeline = follow.primedTimeline;   // until the master's first word after the beginning
    if (followingOf(song) == Following::JackTransport) {
        if (follow.transport.playing)
            timeline = transportTimeline(follow.transport, song.tempo);
    } else if (follow.playing) {
        timeline = clockTimeline(follow);
    }
    renderHalfFollowing(song, target, follow.clock, timeline);
    if (follow.playing && follow.follower.fitted() >= 2)
        follow.heldPeriod = follow.follower.framesPerClock();
}

int16_t followedTempoOf(const AudioOutput& out, const SongState& song) {
    if (song.playing == 0)
        return 0;
    double tempo = 0;
    switch (followingOf(song)) {
    case Following::None:
        return 0;
    case Following::MidiClock:
        if (!out.follow.playing)
            return 0;
        tempo = out.follow.follower.tempo();
        break;
    case Following::JackTransport: {
        const TransportSample& at = out.follow.transport.last.sample;
        if (!out.follow.transport.playing || !at.bbt || !(at.beatsPerMinute > 0) || !std::isfinite(at.beatsPerMinute))
            return 0;
        tempo = at.beatsPerMinute;
        break;
    }
    }
    return static_cast<int16_t>(std::clamp(std::lround(tempo), 1L, 9999L));
}

}  // namespace tamboro
