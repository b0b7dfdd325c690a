#pragma once
// The wave output on Linux: the system's default output, then every device
// of each audio system that is there, asked in order (JACK first, then
// PulseAudio and ALSA). The default output is the first system's own
// default device.
//
// Threads: main thread, as engine/wave_output.h says.

#include <string>
#include <vector>

#include "engine/wave_output.h"
#include "platform/output_backend.h"

namespace tamboro {

class SystemOutput : public WaveOutput {
public:
    // The systems in the order they are listed, and the MIDI clock port for
    // those that cannot send it themselves (or null); they outlive this.
    explicit SystemOutput(std::vector<OutputBackend*> systems, ClockPort* clockPort = nullptr)
        : systems_(std::move(systems)), clockPort_(clockPort) {}
    ~SystemOutput() override { close(); }

    int deviceCount() override;
    std::string deviceName(int index) override;
    bool open(int index, LoopBuffer& loop, std::string& error) override;
    uint32_t periodFrames() const override { return open_ ? open_->periodFrames() : 0; }
    bool start(std::string& error) override;
    void close() override;
    bool streamAlive() override { return open_ && open_->streamAlive(); }
    bool attachTransport(TransportInput* input) override { return open_ && open_->attachTransport(input); }
    bool attachClockOutput(ClockOutput* output) override;
    int clockOutputListeners() override;
    std::string clockOutputName() override;

    // What the last count found, one phrase per system.
    std::string systemsFound() const { return found_; }
    unsigned streamRate() const { return open_ ? open_->streamRate() : 0; }
    unsigned streamPeriod() const { return open_ ? open_->streamPeriod() : 0; }

private:
    struct Device {
        OutputBackend* system;
        size_t index;            // in the system's own list
        std::string name;
    };

    std::vector<OutputBackend*> systems_;
    std::vector<Device> devices_;   // from the last count; index 0 is the default
    std::string found_;
    OutputBackend* open_ = nullptr;
    LoopBuffer* loop_ = nullptr;     // the open stream's
    ClockPort* clockPort_;
    bool clockPortAttached_ = false;
};

}  // namespace tamboro
