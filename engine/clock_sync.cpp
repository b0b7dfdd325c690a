#include "engine/clock_sync.h"

namespace tamboro {

namespace {

constexpr uint32_t StartMessage = 250;
constexpr uint32_t ContinueMessage = 251;
constexpr uint32_t StopMessage = 252;

}  // namespace

void MidiSyncInput::receive(uint32_t message) {
    // Real-time messages are one byte; the song position has two data bytes.
    if ((message & 0xFF) == MidiSongPosition) {
        songPosition(message);
        return;
    }
    switch (message) {
    case StartMessage:
        songPosition_ = 0;
        arm(SyncEvent::Kind::Start, 0);
        break;
    case ContinueMessage:
        arm(SyncEvent::Kind::Continue, songPosition_);
        break;
    case StopMessage:
        loop_.requestStop();
        armed_ = false;
        running_ = false;
        songPosition_ = 0;
        tell({SyncEvent::Kind::Stop, false, 0, 0});
        break;
    case MidiClock:
        clock();
        break;
    default:
        break;
    }
}

void MidiSyncInput::songPosition(uint32_t message) {
    // Taken while stopped: a master moves the position before it continues.
    if (running_ || armed_ || message > 0xFFFFFF)
        return;
    songPosition_ = (message >> 8 & 0x7F) | (message >> 16 & 0x7F) << 7;
    tell({SyncEvent::Kind::SongPosition, false, songPosition_, 0});
}

void MidiSyncInput::arm(SyncEvent::Kind kind, uint32_t step) {
    following_ = follow_.load(std::memory_order_acquire);
    if (!following_) {
        loop_.requestStart();
        return;
    }
    if (running_)
        return;   // a Start while playing changes nothing
    armed_ = true;
    clocks_ = 0;
    wantedStep_ = step;
    armedClocks_.store(0, std::memory_order_release);
    tell({kind, false, step, 0});
}

void MidiSyncInput::clock() {
    if (!following_)
        return;
    if (running_) {
        if (events_.freeSlots() > ReservedForMessages) {
            events_.push({SyncEvent::Kind::Clock, loop_.view().active, clocks_, loop_.positionNow()});
        }
        ++clocks_;
        return;
    }
    if (!armed_)
        return;   // before any Start
    const uint32_t k = clocks_;
    if (k % 6 == 0) {
        int64_t wanted = wantedStep_ + k / 6;
        if (primedStep_.compare_exchange_strong(wanted, Begun, std::memory_order_acq_rel)) {
            loop_.requestStart();
            armed_ = false;
            running_ = true;
            tell({SyncEvent::Kind::Began, false, k, 0});
        }
    }
    ++clocks_;
    armedClocks_.store(clocks_, std::memory_order_release);
}

void MidiSyncInput::tell(const SyncEvent& event) {
    events_.push(event);   // the reserve keeps room for these
}

bool MidiSyncInput::takeBackPriming() {
    int64_t step = primedStep_.load(std::memory_order_acquire);
    for (;;) {
        // Taken by a clock: the playback begins or plays with it until a Stop.
        if (step == Begun && loop_.transportRunning())
            return false;
        if (primedStep_.compare_exchange_weak(step, -1, std::memory_order_acq_rel))
            return true;
    }
}

void MidiSyncInput::forget() {
    events_.clear();
    following_ = false;
    armed_ = false;
    running_ = false;
    clocks_ = 0;
    songPosition_ = 0;
    wantedStep_ = 0;
    armedClocks_.store(0, std::memory_order_release);
    primedStep_.store(-1, std::memory_order_release);
}

}  // namespace tamboro
