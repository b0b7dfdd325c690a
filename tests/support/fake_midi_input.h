#pragma once
// A MIDI input for tests: its ports are a list, and the test sends messages
// through the callback the engine gave it, as the input's thread would
// (from any thread: a lock keeps delivery and close apart, as the real
// input's close does).

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "engine/midi_input.h"

namespace tamboro::test {

class FakeMidiInput : public MidiInput {
public:
    std::vector<std::string> names{VirtualMidiPortName, "Keyboard"};
    std::set<int> broken;              // indices that fail to open
    std::string brokenReason = "the port is broken";   // what they say then
    int openIndex = -1;                // -1: closed
    bool started = false;
    int opens = 0;

    int portCount() override { return static_cast<int>(names.size()); }
    std::string portName(int index) override {
        return index >= 0 && index < portCount() ? names[index] : std::string();
    }
    bool open(int index, MidiMessageCallback callback, void* context, std::string& reason) override {
        if (broken.count(index) || index < 0 || index >= portCount()) {
            reason = brokenReason;
            return false;
        }
        std::lock_guard lock(mutex_);
        openIndex = index;
        callback_ = callback;
        context_ = context;
        ++opens;
        return true;
    }
    void start() override {
        std::lock_guard lock(mutex_);
        started = true;
    }
    void stop() override {
        std::lock_guard lock(mutex_);
        started = false;
    }
    void close() override {
        std::lock_guard lock(mutex_);
        openIndex = -1;
        started = false;
        callback_ = nullptr;
    }

    // Delivers one message when the input is open and started.
    void send(uint32_t message) {
        std::lock_guard lock(mutex_);
        if (callback_ && started)
            callback_(context_, message);
    }

private:
    std::mutex mutex_;
    MidiMessageCallback callback_ = nullptr;
    void* context_ = nullptr;
};

}  // namespace tamboro::test
