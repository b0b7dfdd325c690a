#include "platform/pulse_backend.h"

#include <algorithm>

namespace tamboro {

std::vector<std::string> PulseBackend::listDevices(size_t& defaultDevice) {
    server_ = askPulseServer();
    std::vector<std::string> names;
    defaultDevice = 0;
    for (const PulseSink& sink : server_.sinks) {
        const bool shared = std::count_if(server_.sinks.begin(), server_.sinks.end(), [&](const PulseSink& s) {
                                return s.description == sink.description;
                            }) > 1;
        if (sink.name == server_.defaultSink)
            defaultDevice = names.size();
        names.push_back("PulseAudio: " + sink.description + (shared ? " (" + sink.name + ")" : ""));
    }
    return names;
}

std::string PulseBackend::found() const {
    if (!server_.running)
        return "no PulseAudio server";
    return server_.pipeWire ? "PulseAudio server running (PipeWire)" : "PulseAudio server running";
}

bool PulseBackend::open(size_t device, LoopBuffer& loop, std::string& error) {
    if (device >= server_.sinks.size()) {
        error = "This output device is not available any more.";
        return false;
    }
    return output_.open(server_.sinks[device].name, loop, error);
}

}  // namespace tamboro
