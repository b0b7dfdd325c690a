#pragma once
// A wave output device for tests: deterministic, no sound. The test moves
// its byte position by playing periods of frames, on its own thread or on
// a device thread that the fake runs, and reads back what was played.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/clock_out.h"
#include "engine/loop_buffer.h"
#include "engine/transport_sync.h"
#include "engine/wave_output.h"

namespace tamboro::test {

class FakeWaveOutput : public WaveOutput {
public:
    std::vector<std::string> names{"Default output", "Second device"};
    std::string openError;             // nonempty: open fails with this text
    uint32_t period = 256;             // frames per period
    bool alive = true;                 // false: the stream ended on its own
    int opens = 0;
    int closes = 0;
    int openedIndex = -1;
    bool started = false;
    std::vector<int16_t> played;       // everything the device played, if recording
    bool recording = true;
    std::function<void()> onClose;     // runs when an open stream is closed

    int deviceCount() override { return static_cast<int>(names.size()); }
    std::string deviceName(int index) override {
        return index >= 0 && index < deviceCount() ? names[index] : std::string();
    }

    bool open(int index, LoopBuffer& loop, std::string& error) override {
        if (!openError.empty()) {
            error = openError;
            return false;
        }
        ++opens;
        openedIndex = index;
        loop_ = &loop;
        alive = true;
        return true;
    }
    uint32_t periodFrames() const override { return period; }
    bool start(std::string&) override {
        started = true;
        return true;
    }
    void close() override {
        stopThread();
        if (loop_) {
            ++closes;
            if (onClose)
                onClose();
        }
        loop_ = nullptr;
        transportInput_ = nullptr;
        clockOutput_ = nullptr;
        started = false;
    }
    bool streamAlive() override { return alive; }

    bool isOpen() const { return loop_ != nullptr; }

    // A JACK transport of the device's own (when hasTransport): a timebase
    // master at `tempo` in 4/4 with 1920 ticks a beat (bbt), or none. A
    // rolling transport moves on by the frames of every period played. A
    // master that adds whole ticks per period (wholeTicks) falls behind its
    // frames by the fractions while it rolls.
    struct Transport {
        std::atomic<bool> rolling{false};   // may be set while a device thread runs
        uint32_t frame = 0;
        bool bbt = true;
        double tempo = 120;
        bool wholeTicks = false;
        int64_t ticks = 0;   // wholeTicks: the ticks added up since frame 0
        // A master whose tempo changes as it rolls: its beats add up period
        // by period at the tempo of each, instead of following the frame.
        bool addUpBeats = false;
        double beats = 0;
    };
    bool hasTransport = false;
    Transport transport;
    bool attachTransport(TransportInput* input) override {
        if (!hasTransport || !loop_)
            return false;
        transportInput_ = input;
        return true;
    }
    // A MIDI output of the device's own (when hasMidiOut): what the clock
    // output wrote, each at the device frame it fell on.
    struct SentMidi {
        uint64_t frame;
        uint8_t status;
    };
    bool hasMidiOut = false;
    std::vector<SentMidi> midiOut;
    uint64_t framesPlayed = 0;
    bool attachClockOutput(ClockOutput* output) override {
        if (!hasMidiOut || !loop_)
            return false;
        clockOutput_ = output;
        return true;
    }
    int clockOutputListeners() override { return clockOutput_ ? midiListeners : -1; }
    int midiListeners = 0;

    TransportSample transportSample(uint32_t frames) const {
        TransportSample s;
        s.rolling = transport.rolling;
        s.frame = transport.frame;
        s.rate = 44100;
        s.cycleFrames = frames;
        s.bbt = transport.bbt;
        if (s.bbt) {
            const double beats = transport.wholeTicks   ? transport.ticks / 1920.0
                                 : transport.addUpBeats ? transport.beats
                                                        : transport.frame / (44100.0 * 60.0 / transport.tempo);
            const auto whole = static_cast<int64_t>(beats);
            s.bar = static_cast<int32_t>(whole / 4 + 1);
            s.beat = static_cast<int32_t>(whole % 4 + 1);
            s.tick = static_cast<int32_t>((beats - static_cast<double>(whole)) * 1920);
            s.ticksPerBeat = 1920;
            s.beatsPerBar = 4;
            s.beatType = 4;
            s.beatsPerMinute = transport.tempo;
        }
        return s;
    }

    // Plays `frames` frames in periods, as the device thread would; returns
    // the frames played. Only while started and no device thread runs.
    std::vector<int16_t> play(uint32_t frames) {
        std::vector<int16_t> out(size_t{frames} * 2);
        if (!loop_ || !started)
            return out;
        for (uint32_t done = 0; done < frames;) {
            const uint32_t n = std::min(period, frames - done);
            if (transportInput_) {
                transportInput_->cycle(transportSample(n));
                if (transport.rolling) {
                    transport.frame += n;
                    transport.ticks += static_cast<int64_t>(n * 1920 * transport.tempo / (44100 * 60));
                    transport.beats += n * transport.tempo / (44100 * 60);
                }
            }
            const LoopBuffer::Obeyed obeyed = loop_->obeyTransport();
            const bool sounded = loop_->view().active;
            loop_->readFrames(out.data() + size_t{done} * 2, n);
            if (clockOutput_) {
                const int began = obeyed == LoopBuffer::Obeyed::Began ? 0 : -1;
                int ended = obeyed == LoopBuffer::Obeyed::Ended ? 0 : -1;
                if (sounded && !loop_->view().active)
                    ended = static_cast<int>(n);   // a fade-out ended in the period
                clockOutput_->period(began, ended, loop_->view(), n, 1.0, [&](uint32_t offset, uint8_t status) {
                    midiOut.push_back({framesPlayed + offset, status});
                });
            }
            framesPlayed += n;
            done += n;
        }
        if (recording)
            played.insert(played.end(), out.begin(), out.end());
        return out;
    }

    // One period as the JACK client plays it: the loop up to each message's
    // frame (in order), the message handed to `deliver` there and the
    // transport obeyed, then the rest of the period. Returns the period.
    template <typename Deliver>
    std::vector<int16_t> playMessages(const std::vector<std::pair<uint32_t, uint32_t>>& frameAndMessage,
                                      Deliver deliver) {
        std::vector<int16_t> out(size_t{period} * 2);
        if (!loop_ || !started)
            return out;
        loop_->obeyTransport();
        uint32_t at = 0;
        for (const auto& [frame, message] : frameAndMessage) {
            loop_->readFrames(out.data() + size_t{at} * 2, frame - at);
            at = frame;
            deliver(message);
            loop_->obeyTransport();
        }
        loop_->readFrames(out.data() + size_t{at} * 2, period - at);
        if (recording)
            played.insert(played.end(), out.begin(), out.end());
        return out;
    }

    // A device thread that plays a period every `pace` until stopThread (or
    // close). From the first playback that begins, it records up to
    // `threadRecord.size()` values into threadRecord (read after stopThread).
    void runThread(std::chrono::microseconds pace) {
        stopThread();
        running_ = true;
        thread_ = std::thread([this, pace] {
            std::vector<int16_t> buffer(size_t{period} * 2);
            size_t recorded = 0;
            bool recordingNow = false;
            while (running_.load(std::memory_order_relaxed)) {
                if (transportInput_) {
                    transportInput_->cycle(transportSample(period));
                    transport.frame += transport.rolling ? period : 0;
                }
                const LoopBuffer::Obeyed obeyed = loop_->obeyTransport();
                recordingNow = obeyed == LoopBuffer::Obeyed::Began || recordingNow;
                loop_->readFrames(buffer.data(), period);
                if (clockOutput_)
                    clockOutput_->period(obeyed == LoopBuffer::Obeyed::Began ? 0 : -1,
                                         obeyed == LoopBuffer::Obeyed::Ended ? 0 : -1, loop_->view(), period, 1.0,
                                         [&](uint32_t, uint8_t) { threadMidiOut.fetch_add(1); });
                for (size_t i = 0; recordingNow && i < buffer.size() && recorded < threadRecord.size(); ++i)
                    threadRecord[recorded++] = buffer[i];
                periods.fetch_add(1, std::memory_order_relaxed);
                std::this_thread::sleep_for(pace);
            }
        });
    }
    std::vector<int16_t> threadRecord;
    std::atomic<uint64_t> threadMidiOut{0};   // MIDI messages the device thread sent
    void stopThread() {
        running_ = false;
        if (thread_.joinable())
            thread_.join();
    }
    std::atomic<uint64_t> periods{0};

    ~FakeWaveOutput() override { stopThread(); }

private:
    LoopBuffer* loop_ = nullptr;
    TransportInput* transportInput_ = nullptr;
    ClockOutput* clockOutput_ = nullptr;
    std::atomic<bool> running_{false};
    std::thread thread_;
};

}  // namespace tamboro::test
