#include "engine/transport_sync.h"

namespace tamboro {

namespace {

bool sameSaying(const TransportSample& a, const TransportSample& b) {
    return a.rolling == b.rolling && a.bbt == b.bbt && a.beatsPerMinute == b.beatsPerMinute &&
           a.beatsPerBar == b.beatsPerBar && a.beatType == b.beatType && a.ticksPerBeat == b.ticksPerBeat &&
           a.rate == b.rate;
}

}  // namespace

void TransportInput::cycle(const TransportSample& said) {
    if (!follow_.load(std::memory_order_acquire))
        return;
    TransportSample sample = said;
    sample.rolling = said.rolling || (said.starting && wasRolling_);
    // Rolling, a cycle begins where the last one ended; anywhere else is a locate.
    const bool jumped = sample.rolling && wasRolling_ && sample.frame != last_.frame + last_.cycleFrames;
    bool began = false;
    if (sample.rolling && !running_) {
        int64_t wanted = sample.frame;
        if (primedFrame_.compare_exchange_strong(wanted, Begun, std::memory_order_acq_rel)) {
            loop_.requestStart();
            running_ = true;
            began = true;
        }
    } else if (!sample.rolling && wasRolling_) {
        loop_.requestStop();
        running_ = false;
        int64_t begun = Begun;   // the priming was played: the main thread may prime again
        primedFrame_.compare_exchange_strong(begun, -1, std::memory_order_acq_rel);
    }
    rolling_.store(sample.rolling, std::memory_order_release);

    sinceTold_ += sample.cycleFrames;
    const bool moved = !sample.rolling && sample.frame != last_.frame;
    const bool due = sample.rolling && static_cast<uint64_t>(sinceTold_) * 100 >= sample.rate;   // 10 ms
    if (began || jumped || moved || due || !said_ || !sameSaying(sample, last_) ||
        (sample.rolling && sample.bbt && sample.bar != last_.bar)) {
        TransportEvent event;
        event.kind = began ? TransportEvent::Kind::Began : TransportEvent::Kind::Said;
        event.jumped = jumped;
        event.sounding = loop_.view().active;
        event.position = loop_.view().position;
        event.sample = sample;
        tell(event);
        sinceTold_ = 0;
        said_ = true;
    }
    last_ = sample;
    wasRolling_ = sample.rolling;
}

void TransportInput::tell(const TransportEvent& event) {
    events_.push(event);   // a full ring drops it; the next report follows within 10 ms
}

bool TransportInput::takeBackPriming() {
    int64_t frame = primedFrame_.load(std::memory_order_acquire);
    for (;;) {
        if (frame == Begun && rolling_.load(std::memory_order_acquire))
            return false;
        if (primedFrame_.compare_exchange_weak(frame, -1, std::memory_order_acq_rel))
            return true;
    }
}

void TransportInput::forget() {
    events_.clear();
    running_ = false;
    wasRolling_ = false;
    said_ = false;
    last_ = TransportSample{};
    sinceTold_ = 0;
    rolling_.store(false, std::memory_order_release);
    primedFrame_.store(-1, std::memory_order_release);
}

}  // namespace tamboro
