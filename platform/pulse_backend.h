#pragma once
// PulseAudio's part of the output device list (also PipeWire's PulseAudio
// server): each sink once, in the server's order, under its description;
// sinks that share a description also show their unique names. A device is
// opened by the sink's name, so device numbers never depend on the default
// sink. Main thread.

#include "platform/output_backend.h"
#include "platform/pulse_output.h"

namespace tamboro {

class PulseBackend : public OutputBackend {
public:
    std::vector<std::string> listDevices(size_t& defaultDevice) override;
    std::string found() const override;
    bool open(size_t device, LoopBuffer& loop, std::string& error) override;
    bool start(std::string& error) override { return output_.start(error); }
    void close() override { output_.close(); }
    bool streamAlive() override { return output_.isOpen() && output_.alive(); }
    uint32_t periodFrames() const override { return output_.periodFrames(); }
    unsigned streamRate() const override { return output_.rate(); }
    unsigned streamPeriod() const override { return output_.periodFrames(); }

    // A server answered at the last count (its sinks are listed).
    bool serverListed() const { return server_.running; }

private:
    PulseServer server_;
    PulseOutput output_;
};

}  // namespace tamboro
