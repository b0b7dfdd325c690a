#include "platform/alsa_probe.h"

#include <alsa/asoundlib.h>

#include <string>

namespace tamboro {

bool alsaDeviceRoutesToPulse(const std::string& name) {
    // Card devices are never plug-ins; asking them would open the hardware.
    if (name.rfind("hw:", 0) == 0 || name.rfind("plughw:", 0) == 0)
        return false;
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    // An I/O plug-in says what it is in its dump: "ALSA <-> PulseAudio PCM
    // I/O Plugin", and PipeWire's own plug-in "ALSA <-> PipeWire ...".
    bool server = false;
    snd_output_t* text = nullptr;
    if (snd_pcm_type(pcm) == SND_PCM_TYPE_IOPLUG && snd_output_buffer_open(&text) >= 0) {
        snd_pcm_dump(pcm, text);
        char* dump = nullptr;
        const size_t length = snd_output_buffer_string(text, &dump);
        const std::string said(dump ? dump : "", dump ? length : 0);
        server = said.find("PulseAudio") != std::string::npos || said.find("PipeWire") != std::string::npos;
        snd_output_close(text);
    }
    snd_pcm_close(pcm);
    return server;
}

}  // namespace tamboro
