#pragma once
// The wave output on Linux: the system's default output, then every output
// device of JACK (when a server runs) through RtAudio, every sink of a
// PulseAudio server (also PipeWire's) through libpulse (platform/
// pulse_output.h), and ALSA's devices through RtAudio, each under its full
// name. ALSA devices that only lead into the PulseAudio server listed (its
// ALSA plug-in as ALSA's `default`) are left out: the sink is there already.
//
// Threads: everything here on the main thread, except `callback`, which
// RtAudio runs on its own thread; it only copies from the LoopBuffer (or
// through the resampler) and allocates nothing.

#include <memory>
#include <string>
#include <vector>

#include <rtaudio/RtAudio.h>

#include "engine/wave_output.h"
#include "platform/pulse_output.h"
#include "platform/resampler.h"

namespace tamboro {

class RtAudioOutput : public WaveOutput {
public:
    RtAudioOutput();
    ~RtAudioOutput() override;

    int deviceCount() override;
    std::string deviceName(int index) override;
    bool open(int index, LoopBuffer& loop, std::string& error) override;
    uint32_t periodFrames() const override { return periodFrames_; }
    bool start(std::string& error) override;
    void close() override;
    bool streamAlive() override;

    // What was found by the last count, in one line for the terminal.
    std::string systemsFound() const { return found_; }
    // The open stream's rate and period in device frames (0 when closed).
    unsigned streamRate() const { return rate_; }
    unsigned streamPeriod() const { return period_; }

private:
    struct Device {
        RtAudio::Api api;
        unsigned id;            // RtAudio's device index within its API, at the count
        std::string name;       // as listed, with the system's label
        std::string rtName;     // RtAudio's own name (PulseAudio: the sink's); empty for the default output
    };
    static int callback(void* output, void* input, unsigned frames, double time,
                        RtAudioStreamStatus status, void* self);
    void listApi(RtAudio::Api api, const char* label, bool skipRoutedToPulse = false);
    void listPulse(const PulseServer& server);
    static unsigned currentId(RtAudio& audio, const Device& device);

    std::vector<Device> devices_;   // from the last count; index 0 is the default
    std::string found_;
    std::unique_ptr<RtAudio> audio_;
    PulseOutput pulse_;             // the open stream when the device is a PulseAudio sink
    LoopBuffer* loop_ = nullptr;
    Resampler resampler_;
    bool floatSamples_ = false;     // JACK takes floats; the others 16-bit
    // Conversion room, allocated by open; a period is converted in pieces.
    static constexpr unsigned ScratchFrames = 1024;
    std::vector<int16_t> pcm_;
    std::vector<float> scratch_;
    unsigned rate_ = 0;
    unsigned period_ = 0;
    uint32_t periodFrames_ = 0;
};

}  // namespace tamboro
