#pragma once
// A MIDI clock master for tests: the frames at which it sends Start,
// Continue, Song Position, clocks (24 a beat) and Stop, with the jitter of
// a real one (uniform, from a fixed seed), and the frames where its beats
// truly are; and what a recording of a song with a short sound on every
// beat says about them.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace tamboro::test {

struct MasterEvent {
    int64_t frame;
    uint32_t message;
};

class ClockMaster {
public:
    // `firstClock`: the frame of the first clock, without jitter.
    explicit ClockMaster(double firstClock, double jitterFrames = 0, uint32_t seed = 1)
        : next_(firstClock), jitter_(jitterFrames), state_(seed) {}

    void start() { send(0xFA); }
    void stop() { send(0xFC); }
    // The song position `positionLead` frames before the next clock, the
    // Continue just before it.
    void continueAt(uint32_t songPosition, double positionLead = 44) {
        send(0xF2 | (songPosition & 0x7F) << 8 | (songPosition >> 7 & 0x7F) << 16, positionLead);
        send(0xFB);
    }
    // `clocks` clocks at `tempo`; every 24th from the first after a Start
    // or Continue is a beat.
    void clocks(double tempo, int clocks) {
        const double period = 44100.0 * 60.0 / (24.0 * tempo);
        for (int i = 0; i < clocks; ++i) {
            if (counted_ % 24 == 0)
                beats.push_back(next_);
            ++counted_;
            events.push_back({static_cast<int64_t>(std::llround(next_ + jitter())), 0xF8});
            next_ += period;
        }
    }
    // No clock for `frames` frames, then the clock goes on in its phase
    // as though it had been sent (a master whose clocks were lost).
    void silence(double tempo, double frames) {
        const double period = 44100.0 * 60.0 / (24.0 * tempo);
        const auto skipped = static_cast<int64_t>(std::ceil(frames / period));
        for (int64_t i = 0; i < skipped; ++i) {
            if (counted_ % 24 == 0)
                beats.push_back(next_);
            ++counted_;
            next_ += period;
        }
    }
    // A message at the frame of the next clock minus `before` frames.
    void send(uint32_t message, double before = 44) {
        if (message == 0xFA || message == 0xFB)
            counted_ = 0;
        events.push_back({static_cast<int64_t>(std::llround(next_ - before)), message});
    }
    // Any message at a given frame (a flood, a stray clock).
    void sendAt(int64_t frame, uint32_t message) { events.push_back({frame, message}); }

    double nextClock() const { return next_; }
    void moveTo(double frame) { next_ = frame; }

    std::vector<MasterEvent> events;   // in the order sent
    std::vector<double> beats;         // where its beats are, without jitter

private:
    double jitter() {
        if (jitter_ == 0)
            return 0;
        state_ = state_ * 1664525u + 1013904223u;
        return ((state_ >> 8) / double(1u << 24) * 2 - 1) * jitter_;
    }

    double next_;
    double jitter_;
    uint32_t state_;
    int64_t counted_ = 0;
};

// The frames where a sound begins in a stereo recording: the first frame
// that is not silent after at least `quiet` silent frames.
inline std::vector<int64_t> onsets(const std::vector<int16_t>& stereo, int64_t quiet = 400) {
    std::vector<int64_t> found;
    int64_t silentRun = quiet;
    for (size_t f = 0; 2 * f + 1 < stereo.size(); ++f) {
        if (stereo[2 * f] == 0 && stereo[2 * f + 1] == 0) {
            ++silentRun;
            continue;
        }
        if (silentRun >= quiet)
            found.push_back(static_cast<int64_t>(f));
        silentRun = 0;
    }
    return found;
}

// How far sounds are from beats: sound i against beat i + firstBeat, for
// as many as both have, from sound `from` on.
struct BeatErrors {
    double worst = 0;   // frames, the largest distance
    double first = 0;   // the signed error of the first sound compared
    double last = 0;    // and of the last
    size_t compared = 0;
    double drift() const { return std::abs(last - first); }
};

inline BeatErrors beatErrors(const std::vector<int64_t>& sounds, const std::vector<double>& beats,
                             size_t firstBeat = 0, size_t from = 0) {
    BeatErrors e;
    for (size_t i = from; i < sounds.size() && i + firstBeat < beats.size(); ++i) {
        const double error = static_cast<double>(sounds[i]) - beats[i + firstBeat];
        if (e.compared == 0)
            e.first = error;
        e.last = error;
        e.worst = std::max(e.worst, std::abs(error));
        ++e.compared;
    }
    return e;
}

inline double milliseconds(double frames) {
    return frames * 1000.0 / 44100.0;
}

}  // namespace tamboro::test
