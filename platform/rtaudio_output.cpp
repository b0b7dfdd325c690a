#include "platform/rtaudio_output.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "engine/loop_buffer.h"
#include "platform/alsa_probe.h"
#include "platform/alsa_quiet.h"
#include "platform/jack_probe.h"

namespace tamboro {

namespace {

constexpr unsigned SongRate = 44100;
constexpr unsigned RequestedPeriod = 256;   // JACK ignores it: the server's period rules

void ignoreError(RtAudioError::Type, const std::string&) {}

std::unique_ptr<RtAudio> makeAudio(RtAudio::Api api) {
    auto audio = std::make_unique<RtAudio>(api);
    audio->showWarnings(false);
    return audio;
}

}  // namespace

RtAudioOutput::RtAudioOutput() {
    silenceAlsaMessages();
}

RtAudioOutput::~RtAudioOutput() {
    close();
}

void RtAudioOutput::listApi(RtAudio::Api api, const char* label, bool skipRoutedToPulse) {
    try {
        auto audio = makeAudio(api);
        const unsigned count = audio->getDeviceCount();
        for (unsigned id = 0; id < count; ++id) {
            // JACK's list may change between the count and the info.
            const RtAudio::DeviceInfo info = audio->getDeviceInfo(id);
            if (info.probed && info.outputChannels >= 2 &&
                !(skipRoutedToPulse && alsaDeviceRoutesToPulse(info.name)))
                devices_.push_back({api, id, std::string(label) + ": " + info.name, info.name});
        }
    } catch (const RtAudioError&) {
    }
}

// Each sink once, in the server's order, under its description; sinks that
// share a description also show their unique names. The sink's name is
// what opens it, so device numbers never depend on the default sink.
void RtAudioOutput::listPulse(const PulseServer& server) {
    for (const PulseSink& sink : server.sinks) {
        const bool shared = std::count_if(server.sinks.begin(), server.sinks.end(), [&](const PulseSink& s) {
                                return s.description == sink.description;
                            }) > 1;
        devices_.push_back({RtAudio::LINUX_PULSE, 0,
                            "PulseAudio: " + sink.description + (shared ? " (" + sink.name + ")" : ""),
                            sink.name});
    }
}

int RtAudioOutput::deviceCount() {
    devices_.clear();
    devices_.push_back({RtAudio::UNSPECIFIED, 0, "", ""});
    const bool jack = jackServerRunning();
    const PulseServer pulse = askPulseServer();
    if (jack)
        listApi(RtAudio::UNIX_JACK, "JACK");
    if (pulse.running)
        listPulse(pulse);
    const size_t afterPulse = devices_.size();
    listApi(RtAudio::LINUX_ALSA, "ALSA", pulse.running);
    const size_t alsaDevices = devices_.size() - afterPulse;

    found_ = std::string(jack ? "JACK server running" : "no JACK server") + ", " +
             (!pulse.running ? "no PulseAudio server"
              : pulse.pipeWire ? "PulseAudio server running (PipeWire)"
                               : "PulseAudio server running") + ", " +
             std::to_string(alsaDevices) + " ALSA output device" + (alsaDevices == 1 ? "" : "s");
    if (devices_.size() == 1) {
        devices_.clear();   // nothing to play on, not even a default
        return 0;
    }
    // The default output: the first system's own default device.
    const RtAudio::Api api = devices_[1].api;
    if (api == RtAudio::LINUX_PULSE) {
        const auto chosen = std::find_if(devices_.begin() + 1, devices_.end(), [&](const Device& d) {
            return d.api == api && d.rtName == pulse.defaultSink;
        });
        devices_[0] = {api, 0, "Default output (" + (chosen != devices_.end() ? chosen->name : devices_[1].name) + ")", ""};
        return static_cast<int>(devices_.size());
    }
    try {
        auto audio = makeAudio(api);
        const unsigned id = audio->getDefaultOutputDevice();
        const auto chosen = std::find_if(devices_.begin() + 1, devices_.end(), [&](const Device& d) {
            return d.api == api && d.id == id;
        });
        devices_[0] = {api, id, "Default output (" + (chosen != devices_.end() ? chosen->name : devices_[1].name) + ")", ""};
    } catch (const RtAudioError&) {
        devices_[0] = {devices_[1].api, devices_[1].id, "Default output (" + devices_[1].name + ")", ""};
    }
    return static_cast<int>(devices_.size());
}

std::string RtAudioOutput::deviceName(int index) {
    if (index < 0 || index >= static_cast<int>(devices_.size()))
        return {};
    return devices_[index].name;
}

// The device's index in `audio` now: RtAudio numbers JACK's devices by the
// clients present, so another client that came or went since the count
// moves them. The default output is asked for again; any other device is
// found by its name, else its old index is tried.
// A JACK server that is busy may not answer the client that counts: the
// count then reads 0 for a moment, and is asked again.
unsigned RtAudioOutput::currentId(RtAudio& audio, const Device& device) {
    unsigned count = audio.getDeviceCount();
    for (int retry = 0; retry < 5 && count == 0; ++retry) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        count = audio.getDeviceCount();
    }
    if (device.rtName.empty())
        return audio.getDefaultOutputDevice();
    for (unsigned id = 0; id < count; ++id) {
        if (audio.getDeviceInfo(id).name == device.rtName)
            return id;
    }
    return device.id;
}

bool RtAudioOutput::open(int index, LoopBuffer& loop, std::string& error) {
    close();
    if (devices_.empty())
        deviceCount();
    if (index < 0 || index >= static_cast<int>(devices_.size())) {
        error = "This output device is not available any more.";
        return false;
    }
    const Device device = devices_[index];
    if (device.api == RtAudio::LINUX_PULSE) {
        if (!pulse_.open(device.rtName, loop, error))
            return false;
        rate_ = pulse_.rate();
        period_ = pulse_.periodFrames();
        periodFrames_ = period_;
        return true;
    }
    try {
        audio_ = makeAudio(device.api);
        const unsigned id = currentId(*audio_, device);
        const RtAudio::DeviceInfo info = audio_->getDeviceInfo(id);
        // A device that cannot run at 44,100 Hz (a JACK server at 48 kHz)
        // is opened at its own rate and fed through the resampler.
        const auto& rates = info.sampleRates;
        unsigned rate = SongRate;
        if (std::find(rates.begin(), rates.end(), SongRate) == rates.end())
            rate = info.preferredSampleRate ? info.preferredSampleRate
                                            : (rates.empty() ? SongRate : rates.back());
        floatSamples_ = device.api == RtAudio::UNIX_JACK;

        RtAudio::StreamParameters parameters;
        parameters.deviceId = id;
        parameters.nChannels = 2;
        RtAudio::StreamOptions options;
        options.streamName = StreamName;
        options.flags = RTAUDIO_MINIMIZE_LATENCY;
        unsigned frames = RequestedPeriod;
        loop_ = &loop;
        audio_->openStream(&parameters, nullptr, floatSamples_ ? RTAUDIO_FLOAT32 : RTAUDIO_SINT16,
                           rate, &frames, &RtAudioOutput::callback, this, &options, &ignoreError);
        pcm_.assign(size_t{ScratchFrames} * 2, 0);
        scratch_.assign(size_t{ScratchFrames} * 2, 0.0f);
        rate_ = audio_->getStreamSampleRate();
        period_ = frames;
        periodFrames_ = static_cast<uint32_t>(std::ceil(double(frames) * SongRate / rate_));
        if (rate_ != SongRate) {
            if (!resampler_.open(loop, rate_, error)) {
                close();
                return false;
            }
        }
    } catch (const RtAudioError& e) {
        error = e.getMessage();
        close();
        return false;
    }
    return true;
}

bool RtAudioOutput::start(std::string& error) {
    if (pulse_.isOpen())
        return pulse_.start(error);
    try {
        audio_->startStream();
    } catch (const RtAudioError& e) {
        error = e.getMessage();
        return false;
    }
    return true;
}

void RtAudioOutput::close() {
    pulse_.close();
    if (audio_) {
        try {
            // stopStream can wait for ever on JACK; abort does not wait for a drain.
            if (audio_->isStreamRunning())
                audio_->abortStream();
            if (audio_->isStreamOpen())
                audio_->closeStream();
        } catch (const RtAudioError&) {
        }
        audio_.reset();
    }
    resampler_.close();
    loop_ = nullptr;
    rate_ = 0;
    period_ = 0;
    periodFrames_ = 0;
}

bool RtAudioOutput::streamAlive() {
    if (pulse_.isOpen())
        return pulse_.alive();
    return audio_ && audio_->isStreamOpen() && audio_->isStreamRunning();
}

int RtAudioOutput::callback(void* output, void*, unsigned frames, double, RtAudioStreamStatus,
                            void* self) {
    auto& me = *static_cast<RtAudioOutput*>(self);
    const bool begins = me.loop_->beginPeriod();
    if (!me.resampler_.isOpen()) {
        if (!me.floatSamples_) {
            me.loop_->readFrames(static_cast<int16_t*>(output), frames);
            return 0;
        }
        // x / 32768 is exact, so a recorder gets the very samples back.
        auto* out = static_cast<float*>(output);
        for (unsigned done = 0; done < frames;) {
            const unsigned n = std::min<unsigned>(frames - done, ScratchFrames);
            me.loop_->readFrames(me.pcm_.data(), n);
            for (size_t i = 0; i < size_t{n} * 2; ++i)
                out[size_t{done} * 2 + i] = static_cast<float>(me.pcm_[i]) * (1.0f / 32768.0f);
            done += n;
        }
        return 0;
    }
    if (begins)
        me.resampler_.reset();
    if (me.floatSamples_) {
        me.resampler_.read(static_cast<float*>(output), frames);
        return 0;
    }
    auto* out = static_cast<int16_t*>(output);
    for (unsigned done = 0; done < frames;) {
        const unsigned n = std::min<unsigned>(frames - done, ScratchFrames);
        me.resampler_.read(me.scratch_.data(), n);
        for (size_t i = 0; i < size_t{n} * 2; ++i)
            out[size_t{done} * 2 + i] = static_cast<int16_t>(
                std::lrintf(std::clamp(me.scratch_[i] * 32768.0f, -32768.0f, 32767.0f)));
        done += n;
    }
    return 0;
}

}  // namespace tamboro

