#pragma once
// The output devices of ALSA through RtAudio, each under its full name.
// (JACK has a client of its own, platform/jack_client.h, and PulseAudio a
// libpulse output, platform/pulse_backend.h.)
//
// Threads: everything here on the main thread, except `callback`, which
// RtAudio runs on its own thread; it only copies from the LoopBuffer (or
// through the resampler) and allocates nothing.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <rtaudio/RtAudio.h>

#include "engine/wave_output.h"
#include "platform/output_backend.h"
#include "platform/resampler.h"

namespace tamboro {

class RtAudioOutput : public OutputBackend {
public:
    // `soundServerListed` tells whether a sound server's sinks are listed
    // already, so that ALSA devices leading into it are left out.
    explicit RtAudioOutput(std::function<bool()> soundServerListed = {});
    ~RtAudioOutput() override;

    std::vector<std::string> listDevices(size_t& defaultDevice) override;
    std::string found() const override { return found_; }
    bool open(size_t device, LoopBuffer& loop, std::string& error) override;
    uint32_t periodFrames() const override { return periodFrames_; }
    bool start(std::string& error) override;
    void close() override;
    bool streamAlive() override;
    unsigned streamRate() const override { return rate_; }
    unsigned streamPeriod() const override { return period_; }

private:
    struct Device {
        RtAudio::Api api;
        unsigned id;            // RtAudio's device index within its API, at the count
        std::string name;       // as listed, with the system's label
        std::string rtName;     // RtAudio's own name
    };
    static int callback(void* output, void* input, unsigned frames, double time,
                        RtAudioStreamStatus status, void* self);
    void listApi(RtAudio::Api api, const char* label);
    static unsigned currentId(RtAudio& audio, const Device& device);

    std::function<bool()> soundServerListed_;
    std::vector<Device> devices_;   // from the last count
    std::string found_;
    std::unique_ptr<RtAudio> audio_;
    LoopBuffer* loop_ = nullptr;
    Resampler resampler_;
    // Conversion room, allocated by open; a period is converted in pieces.
    static constexpr unsigned ScratchFrames = 1024;
    std::vector<float> scratch_;
    unsigned rate_ = 0;
    unsigned period_ = 0;
    uint32_t periodFrames_ = 0;
    uint32_t queuedFrames_ = 0;   // song frames read ahead of the sound, after a callback
};

}  // namespace tamboro
