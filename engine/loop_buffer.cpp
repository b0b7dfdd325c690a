#include "engine/loop_buffer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

namespace tamboro {

namespace {

constexpr uint32_t RunningBit = 1;

// Microseconds of the monotonic clock, modulo 2^32 (about 71 minutes): only
// differences of less than that are taken.
uint32_t nowMicros() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(since).count());
}

constexpr uint32_t LongestExtrapolation = 250000;   // microseconds

// The fade-out word.
enum FadeState : uint32_t { NoFade = 0, FadeAsked = 1, FadeDone = 2 };

}  // namespace

LoopBuffer::LoopBuffer(uint32_t startPosition) : startPosition_(startPosition & ~(Bytes - 1)), clock_(&nowMicros) {
    halves_[0].store(0, std::memory_order_relaxed);
    halves_[1].store(0, std::memory_order_relaxed);
    view_.store(startPosition_, std::memory_order_relaxed);
    player_.position = startPosition_;
}

bool LoopBuffer::allocate() {
    if (!frames_)
        frames_.reset(new (std::nothrow) int16_t[Bytes / 2]());
    return frames_ != nullptr;
}

void LoopBuffer::release() {
    frames_.reset();
}

// --- Transport ---

void LoopBuffer::requestStart() {
    uint32_t t = transport_.load(std::memory_order_relaxed);
    while ((t & RunningBit) == 0) {
        if (transport_.compare_exchange_weak(t, (t + 2) | RunningBit, std::memory_order_acq_rel)) {
            tellListener();
            return;
        }
    }
}

void LoopBuffer::requestStop() {
    uint32_t t = transport_.load(std::memory_order_relaxed);
    while ((t & RunningBit) != 0) {
        if (transport_.compare_exchange_weak(t, t & ~RunningBit, std::memory_order_acq_rel)) {
            tellListener();
            return;
        }
    }
}

void LoopBuffer::resetTransport() {
    if ((transport_.fetch_and(~RunningBit, std::memory_order_acq_rel) & RunningBit) != 0)
        tellListener();
}

void LoopBuffer::setTransportListener(TransportListener* listener) {
    listener_.store(listener, std::memory_order_release);
}

void LoopBuffer::tellListener() {
    if (TransportListener* listener = listener_.load(std::memory_order_acquire))
        listener->transportChanged();
}

bool LoopBuffer::transportRunning() const {
    return (transport_.load(std::memory_order_acquire) & RunningBit) != 0;
}

void LoopBuffer::requestFadeOut() {
    uint32_t none = NoFade;
    fade_.compare_exchange_strong(none, FadeAsked, std::memory_order_acq_rel);
}

bool LoopBuffer::fadedOut() const {
    return fade_.load(std::memory_order_acquire) == FadeDone;
}

// --- Main thread ---

void LoopBuffer::resetForStream() {
    halves_[0].store(0, std::memory_order_release);
    halves_[1].store(0, std::memory_order_release);
    claimedHalf_ = -1;
    player_ = Player{};
    player_.position = startPosition_;
    fade_.store(NoFade, std::memory_order_release);
    publishView();
}

int16_t* LoopBuffer::claim(int half, uint64_t epoch, uint64_t segment) {
    uint64_t w = halves_[half].load(std::memory_order_acquire);
    // Only a half that the callback does not hold can be written.
    if (stateOf(w) != Free && stateOf(w) != Ready)
        return nullptr;
    const uint64_t writing = word(Writing, epoch, segment);
    if (!halves_[half].compare_exchange_strong(w, writing, std::memory_order_acquire))
        return nullptr;
    claimedHalf_ = half;
    claimedWord_ = writing;
    return frames_.get() + half * (HalfBytes / 2);
}

int16_t* LoopBuffer::beginPriming() {
    if (!frames_)
        return nullptr;
    const uint32_t next = (epoch_ + 1) & EpochMask;
    int16_t* target = claim(0, next == 0 ? 1 : next, 0);
    if (target)
        epoch_ = next == 0 ? 1 : next;
    return target;
}

bool LoopBuffer::primedAndUnplayed() const {
    return epoch_ != 0 &&
           halves_[0].load(std::memory_order_acquire) == word(Ready, epoch_, 0);
}

int16_t* LoopBuffer::beginRefill(int& half) {
    if (!frames_ || epoch_ == 0)
        return nullptr;
    const View v = view();
    uint64_t segment = 0;
    if (v.active && v.epoch == epoch_)
        segment = (((v.position - startPosition_) >> 15) + 1) & SegmentMask;
    else if (!v.active && primedAndUnplayed() && transportRunning())
        segment = 1;   // started, and the callback is about to begin
    else
        return nullptr;
    half = static_cast<int>(segment & 1);
    if (tagOf(halves_[half].load(std::memory_order_acquire)) == tag(epoch_, segment))
        return nullptr;   // rendered already in this pass
    return claim(half, epoch_, segment);
}

void LoopBuffer::publish() {
    if (claimedHalf_ < 0)
        return;
    halves_[claimedHalf_].store((claimedWord_ & ~uint64_t{3}) | Ready, std::memory_order_release);
    claimedHalf_ = -1;
}

uint64_t LoopBuffer::stampAt(uint32_t position, bool exact) const {
    return uint64_t{position} << 32 | uint64_t{exact} << 31 | (clock_() & TimeMask);
}

uint32_t LoopBuffer::positionNow() const {
    const uint64_t stamp = stamp_.load(std::memory_order_acquire);
    if ((stamp & ExactBit) != 0)
        return static_cast<uint32_t>(stamp >> 32);
    const uint32_t elapsed = std::min((clock_() - static_cast<uint32_t>(stamp)) & TimeMask, LongestExtrapolation);
    const auto frames = static_cast<uint32_t>(uint64_t{elapsed} * 44100 / 1000000);
    return static_cast<uint32_t>(stamp >> 32) + 4 * frames;
}

LoopBuffer::View LoopBuffer::view() const {
    const uint64_t v = view_.load(std::memory_order_acquire);
    return View{(v >> 32 & 1) != 0, static_cast<uint32_t>(v >> 33), static_cast<uint32_t>(v)};
}

// --- Audio callback ---

void LoopBuffer::markTime() {
    stamp_.store(stampAt(player_.position, false), std::memory_order_release);
}

void LoopBuffer::markMessage() {
    stamp_.store(stampAt(player_.position, true), std::memory_order_release);
}

void LoopBuffer::markSounding(uint32_t queuedFrames) {
    // After the end the reads stand still while the server plays on what
    // was queued: the last note, moved on by the time, stays true.
    if (!player_.active)
        return;
    // Wraps with the position: the frames before a beginning lie below it.
    const uint32_t sounding = player_.position - 4 * queuedFrames;
    stamp_.store(stampAt(sounding, false), std::memory_order_release);
}

void LoopBuffer::reportQueued(uint32_t reportedFrames) {
    constexpr uint32_t Longest = 44100;   // a second: more is no report to steer by
    constexpr int32_t Jump = 441;
    const auto reported = static_cast<int32_t>(std::min(reportedFrames, Longest));
    const auto expected = static_cast<int32_t>(std::min(queuedNow(), Longest));
    const int32_t off = reported - expected;
    markSounding(static_cast<uint32_t>(off > Jump || off < -Jump ? reported : expected + off / 8));
}

void LoopBuffer::publishView() {
    view_.store(uint64_t{player_.epoch} << 33 | uint64_t{player_.active} << 32 | player_.position,
                std::memory_order_release);
}

void LoopBuffer::leaveCurrentHalf() {
    if (!player_.haveHalf)
        return;
    const uint32_t segment = (player_.position - startPosition_) >> 15;
    const int half = static_cast<int>(segment & 1);
    uint64_t w = halves_[half].load(std::memory_order_relaxed);
    halves_[half].store((w & ~uint64_t{3}) | Free, std::memory_order_release);
    player_.haveHalf = false;
}

void LoopBuffer::enterHalf() {
    const uint32_t segment = (player_.position - startPosition_) >> 15;
    const int half = static_cast<int>(segment & 1);
    uint64_t expected = word(Ready, player_.epoch, segment);
    player_.haveHalf = halves_[half].compare_exchange_strong(
        expected, word(Playing, player_.epoch, segment), std::memory_order_acquire,
        std::memory_order_relaxed);
}

void LoopBuffer::endPlayback() {
    leaveCurrentHalf();   // the half goes back to the main thread
    player_.active = false;
    publishView();
}

LoopBuffer::Obeyed LoopBuffer::obeyTransport() {
    const uint32_t t = transport_.load(std::memory_order_acquire);
    if ((t & RunningBit) == 0) {
        if (!player_.active)
            return Obeyed::Nothing;
        endPlayback();   // Stop: silent from here on
        return Obeyed::Ended;
    }
    if (player_.active && t == player_.generation)
        return Obeyed::Nothing;
    const Obeyed ended = player_.active ? Obeyed::Ended : Obeyed::Nothing;
    if (player_.active)
        endPlayback();   // a Stop and a Start since the last look: start again at step 0
    if (fade_.load(std::memory_order_relaxed) != NoFade)
        return ended;    // fading out or faded: nothing begins any more
    // Begin only from a priming not played before.
    uint64_t w = halves_[0].load(std::memory_order_acquire);
    const uint32_t epoch = static_cast<uint32_t>(w >> 19);
    if (stateOf(w) != Ready || (w >> 2 & SegmentMask) != 0 || epoch == player_.lastEpoch)
        return ended;
    if (!halves_[0].compare_exchange_strong(w, (w & ~uint64_t{3}) | Playing,
                                             std::memory_order_acquire, std::memory_order_relaxed))
        return ended;
    player_.active = true;
    player_.haveHalf = true;
    player_.epoch = epoch;
    player_.lastEpoch = epoch;
    player_.generation = t;
    player_.position = startPosition_;
    publishView();
    markTime();
    return Obeyed::Began;
}

// Scales the frames just read down along the fade; ends the playback when
// the fade is through.
void LoopBuffer::fade(int16_t* out, uint32_t frames) {
    for (uint32_t f = 0; f < frames; ++f) {
        --player_.fadeLeft;   // frames never exceeds it
        const int32_t gain = static_cast<int32_t>(player_.fadeLeft);
        out[2 * f] = static_cast<int16_t>(out[2 * f] * gain / int32_t{FadeFrames});
        out[2 * f + 1] = static_cast<int16_t>(out[2 * f + 1] * gain / int32_t{FadeFrames});
    }
    if (player_.fadeLeft == 0) {
        endPlayback();
        fade_.store(FadeDone, std::memory_order_release);
    }
}

void LoopBuffer::readFrames(int16_t* out, uint32_t frames) {
    const uint32_t fading = fade_.load(std::memory_order_acquire);
    if (fading == FadeAsked && !player_.active)
        fade_.store(FadeDone, std::memory_order_release);   // nothing sounds: faded already
    if (!player_.active || !frames_) {
        std::memset(out, 0, size_t{frames} * 4);
        return;
    }
    if (fading == FadeAsked && player_.fadeLeft == 0)
        player_.fadeLeft = FadeFrames;   // the fade begins with this frame
    const uint32_t fadeFrames = player_.fadeLeft > 0 ? std::min(frames, player_.fadeLeft) : 0;
    int16_t* const first = out;
    const uint32_t total = frames;
    while (frames > 0) {
        const uint32_t offset = player_.position & (Bytes - 1);
        const uint32_t leftInHalf = HalfBytes - (offset & (HalfBytes - 1));
        const uint32_t bytes = std::min(frames * 4, leftInHalf);
        if (player_.haveHalf)
            std::memcpy(out, frames_.get() + offset / 2, bytes);
        else
            std::memset(out, 0, bytes);   // the refill was late: silence, not a stale half
        out += bytes / 2;
        frames -= bytes / 4;
        if (bytes == leftInHalf) {
            leaveCurrentHalf();
            player_.position += bytes;
            enterHalf();
        } else {
            player_.position += bytes;
        }
    }
    publishView();
    if (!writesAhead_)
        markTime();
    if (fadeFrames > 0) {
        fade(first, fadeFrames);
        if (fadeFrames < total)
            std::memset(first + size_t{fadeFrames} * 2, 0, size_t{total - fadeFrames} * 4);
    }
}

}  // namespace tamboro
