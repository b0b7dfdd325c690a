#include "platform/rtaudio_output.h"

#include <algorithm>
#include <cmath>

#include "engine/loop_buffer.h"
#include "platform/alsa_probe.h"
#include "platform/alsa_quiet.h"

namespace tamboro {

namespace {

constexpr unsigned SongRate = 44100;
constexpr unsigned RequestedPeriod = 256;

void ignoreError(RtAudioError::Type, const std::string&) {}

std::unique_ptr<RtAudio> makeAudio(RtAudio::Api api) {
    auto audio = std::make_unique<RtAudio>(api);
    audio->showWarnings(false);
    return audio;
}

}  // namespace

RtAudioOutput::RtAudioOutput(std::function<bool()> soundServerListed)
    : soundServerListed_(std::move(soundServerListed)) {
    silenceAlsaMessages();
}

RtAudioOutput::~RtAudioOutput() {
    close();
}

// ALSA devices that only lead into a sound server that is listed already
// (its ALSA plug-in as ALSA's `default`) are left out: the sink is there.
void RtAudioOutput::listApi(RtAudio::Api api, const char* label) {
    const bool skipRouted = soundServerListed_ && soundServerListed_();
    try {
        auto audio = makeAudio(api);
        const unsigned count = audio->getDeviceCount();
        for (unsigned id = 0; id < count; ++id) {
            // A device may go between the count and the info.
            const RtAudio::DeviceInfo info = audio->getDeviceInfo(id);
            if (info.probed && info.outputChannels >= 2 &&
                !(skipRouted && alsaDeviceRoutesToPulse(info.name)))
                devices_.push_back({api, id, std::string(label) + ": " + info.name, info.name});
        }
    } catch (const RtAudioError&) {
    }
}

std::vector<std::string> RtAudioOutput::listDevices(size_t& defaultDevice) {
    devices_.clear();
    listApi(RtAudio::LINUX_ALSA, "ALSA");
    const size_t alsaDevices = devices_.size();

    found_ = std::to_string(alsaDevices) + " ALSA output device" + (alsaDevices == 1 ? "" : "s");
    std::vector<std::string> names;
    for (const Device& device : devices_)
        names.push_back(device.name);
    // The default: the first system's own default device.
    defaultDevice = 0;
    if (devices_.empty())
        return names;
    const RtAudio::Api api = devices_[0].api;
    try {
        auto audio = makeAudio(api);
        const unsigned id = audio->getDefaultOutputDevice();
        const auto chosen = std::find_if(devices_.begin(), devices_.end(), [&](const Device& d) {
            return d.api == api && d.id == id;
        });
        if (chosen != devices_.end())
            defaultDevice = static_cast<size_t>(chosen - devices_.begin());
    } catch (const RtAudioError&) {
    }
    return names;
}

// The device's index in `audio` now: a device that came or went since the
// count moves the others. The device is found by its name, else its old
// index is tried.
unsigned RtAudioOutput::currentId(RtAudio& audio, const Device& device) {
    const unsigned count = audio.getDeviceCount();
    for (unsigned id = 0; id < count; ++id) {
        if (audio.getDeviceInfo(id).name == device.rtName)
            return id;
    }
    return device.id;
}

bool RtAudioOutput::open(size_t index, LoopBuffer& loop, std::string& error) {
    close();
    if (index >= devices_.size()) {
        error = "This output device is not available any more.";
        return false;
    }
    const Device device = devices_[index];
    try {
        audio_ = makeAudio(device.api);
        const unsigned id = currentId(*audio_, device);
        const RtAudio::DeviceInfo info = audio_->getDeviceInfo(id);
        // A device that cannot run at 44,100 Hz is opened at its own rate
        // and fed through the resampler.
        const auto& rates = info.sampleRates;
        unsigned rate = SongRate;
        if (std::find(rates.begin(), rates.end(), SongRate) == rates.end())
            rate = info.preferredSampleRate ? info.preferredSampleRate
                                            : (rates.empty() ? SongRate : rates.back());

        RtAudio::StreamParameters parameters;
        parameters.deviceId = id;
        parameters.nChannels = 2;
        RtAudio::StreamOptions options;
        options.streamName = StreamName;
        options.flags = RTAUDIO_MINIMIZE_LATENCY;
        unsigned frames = RequestedPeriod;
        loop_ = &loop;
        audio_->openStream(&parameters, nullptr, RTAUDIO_SINT16, rate, &frames,
                           &RtAudioOutput::callback, this, &options, &ignoreError);
        scratch_.assign(size_t{ScratchFrames} * 2, 0.0f);
        rate_ = audio_->getStreamSampleRate();
        period_ = frames;
        periodFrames_ = static_cast<uint32_t>(std::ceil(double(frames) * SongRate / rate_));
        // What a callback writes sounds after the device's buffer and the
        // period it has just been handed.
        const long latency = std::max(0L, audio_->getStreamLatency());
        queuedFrames_ = static_cast<uint32_t>(
            std::llround(double(latency + long{frames}) * SongRate / rate_));
        loop.writesAhead(true);
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
    try {
        audio_->startStream();
    } catch (const RtAudioError& e) {
        error = e.getMessage();
        return false;
    }
    return true;
}

void RtAudioOutput::close() {
    if (audio_) {
        try {
            // abort does not wait for a drain (the end has faded out already).
            if (audio_->isStreamRunning())
                audio_->abortStream();
            if (audio_->isStreamOpen())
                audio_->closeStream();
        } catch (const RtAudioError&) {
        }
        audio_.reset();
    }
    resampler_.close();
    if (loop_)
        loop_->writesAhead(false);
    loop_ = nullptr;
    rate_ = 0;
    period_ = 0;
    periodFrames_ = 0;
}

bool RtAudioOutput::streamAlive() {
    return audio_ && audio_->isStreamOpen() && audio_->isStreamRunning();
}

int RtAudioOutput::callback(void* output, void*, unsigned frames, double, RtAudioStreamStatus,
                            void* self) {
    auto& me = *static_cast<RtAudioOutput*>(self);
    const LoopBuffer::Obeyed obeyed = me.loop_->obeyTransport();
    if (!me.resampler_.isOpen()) {
        me.loop_->readFrames(static_cast<int16_t*>(output), frames);
        me.loop_->markSounding(me.queuedFrames_);
        return 0;
    }
    if (obeyed != LoopBuffer::Obeyed::Nothing)
        me.resampler_.reset();   // a playback begins, or ends without the frames read ahead
    auto* out = static_cast<int16_t*>(output);
    for (unsigned done = 0; done < frames;) {
        const unsigned n = std::min<unsigned>(frames - done, ScratchFrames);
        me.resampler_.read(me.scratch_.data(), n);
        for (size_t i = 0; i < size_t{n} * 2; ++i)
            out[size_t{done} * 2 + i] = static_cast<int16_t>(
                std::lrintf(std::clamp(me.scratch_[i] * 32768.0f, -32768.0f, 32767.0f)));
        done += n;
    }
    me.loop_->markSounding(me.queuedFrames_);
    return 0;
}

}  // namespace tamboro
