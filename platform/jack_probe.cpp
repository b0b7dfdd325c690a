#include "platform/jack_probe.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace tamboro {

namespace {

void quiet(const char*) {}

// The socket a JACK 2 server listens on exists while it runs.
bool serverSocketExists() {
    const char* name = std::getenv("JACK_DEFAULT_SERVER");
    const std::string socket = "/dev/shm/jack_" + std::string(name && *name ? name : "default") + "_" +
                               std::to_string(::getuid()) + "_0";
    std::error_code error;
    return std::filesystem::exists(socket, error);
}

std::string statusText(jack_status_t status) {
    if (status & JackServerFailed)
        return "no JACK server is running";
    if (status & JackVersionError)
        return "the JACK server speaks another protocol version than this program's libjack";
    if (status & JackShmFailure)
        return "JACK's shared memory cannot be reached";
    if (status & JackNameNotUnique)
        return "the JACK client name is taken";
    return "the JACK server refused the client";
}

}  // namespace

void silenceJackMessages() {
    jack_set_error_function(&quiet);
    jack_set_info_function(&quiet);
}

jack_client_t* joinJackServer(const char* name, std::string& reason) {
    silenceJackMessages();
    jack_status_t status{};
    jack_client_t* client = jack_client_open(name, JackNoStartServer, &status);
    for (int retry = 0; !client && retry < 10 && serverSocketExists(); ++retry) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        client = jack_client_open(name, JackNoStartServer, &status);
    }
    if (!client)
        reason = statusText(status);
    return client;
}

}  // namespace tamboro
