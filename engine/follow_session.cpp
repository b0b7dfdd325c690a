#include "engine/follow_session.h"

#include <cmath>

namespace tamboro {

void resetFollowSession(FollowSession& session) {
    session = FollowSession{};
}

double assumedFramesPerClock(const FollowSession& session, int16_t songTempo) {
    // A tempo held from a master far outside the panel's range (a flood of
    // clocks) says nothing of the next one.
    const double held = session.heldPeriod;
    if (held >= framesPerClockAt(2.0 * MaxTempo) && held <= framesPerClockAt(MinTempo / 2.0))
        return held;
    return framesPerClockAt(songTempo);
}

namespace {

void takeClock(FollowSession& session, const SyncEvent& event) {
    if (!session.playing || !event.sounding)
        return;   // before the loop began to sound
    // Bytes since the last clock; the 32-bit position wraps after hours.
    // An output that writes ahead estimates the sounding position, which
    // may stand a few frames behind the last clock's (or, just after the
    // beginning, before the playback's first frame): such a clock counts
    // at the last clock's frame.
    const auto bytes = static_cast<int32_t>(event.position - session.lastPosition);
    if (bytes > 0) {
        session.lastPosition = event.position;
        session.lastFrame += bytes / 4;
    }
    session.follower.addClock(session.lastFrame);
}

}  // namespace

void takeSyncEvents(MidiSyncInput& input, FollowSession& session, uint32_t startPosition, int16_t songTempo) {
    SyncEvent event;
    while (input.nextEvent(event)) {
        switch (event.kind) {
        case SyncEvent::Kind::Start:
        case SyncEvent::Kind::Continue:
            session.armed = !session.playing;
            session.wantedStep = event.value;
            break;
        case SyncEvent::Kind::Stop:
            session.armed = false;
            session.playing = false;
            session.songPosition = 0;
            break;
        case SyncEvent::Kind::SongPosition:
            session.songPosition = event.value;
            break;
        case SyncEvent::Kind::Began:
            session.armed = false;
            session.playing = true;
            session.beginStep = session.wantedStep + event.value / ClocksPerStep;
            session.lastPosition = startPosition;
            session.lastFrame = 0;
            session.follower.restart(assumedFramesPerClock(session, songTempo));
            session.follower.addClock(0);
            break;
        case SyncEvent::Kind::Clock:
            takeClock(session, event);
            break;
        }
    }
}

int64_t stepToPrime(const MidiSyncInput& input, const FollowSession& session) {
    if (session.playing)
        return -1;
    if (!session.armed)
        return session.songPosition;
    const uint32_t clocks = input.clocksWhileArmed();
    return session.wantedStep + (clocks + ClocksPerStep - 1) / ClocksPerStep;
}

StepTimeline provisionalTimeline(int64_t step, double framesPerClock) {
    StepTimeline timeline;
    timeline.originFrame = 0;
    timeline.originStep = step;
    timeline.framesPerStep = ClocksPerStep * framesPerClock;
    return timeline;
}

StepTimeline clockTimeline(const FollowSession& session) {
    const ClockFollower& follower = session.follower;
    // Clock 0 of the follower began the playback, on a step boundary of the
    // master. The boundary at or before the last clock is the origin: close
    // to the frames being rendered.
    const int64_t boundary = follower.lastIndex() - follower.lastIndex() % ClocksPerStep;
    StepTimeline timeline;
    timeline.originStep = session.beginStep + boundary / ClocksPerStep;
    timeline.originFrame = follower.frameOf(static_cast<double>(boundary));
    timeline.framesPerStep = ClocksPerStep * follower.framesPerClock();
    return timeline;
}

}  // namespace tamboro
