#include "platform/jack_probe.h"

#include <jack/jack.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace tamboro {

namespace {

void quiet(const char*) {}

bool clientJoins() {
    jack_status_t status{};
    jack_client_t* client = jack_client_open("Tamboro probe", JackNoStartServer, &status);
    if (!client)
        return false;
    jack_client_close(client);
    return true;
}

// The socket a JACK 2 server listens on exists while it runs.
bool serverSocketExists() {
    const char* name = std::getenv("JACK_DEFAULT_SERVER");
    const std::string socket = "/dev/shm/jack_" + std::string(name && *name ? name : "default") + "_" +
                               std::to_string(::getuid()) + "_0";
    std::error_code error;
    return std::filesystem::exists(socket, error);
}

}  // namespace

bool jackServerRunning() {
    jack_set_error_function(&quiet);
    jack_set_info_function(&quiet);
    if (clientJoins())
        return true;
    // A server that is there but busy (starting, or with a loaded machine)
    // may turn one client away; it is asked again for a moment. Without a
    // server this costs nothing.
    for (int retry = 0; retry < 10 && serverSocketExists(); ++retry) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (clientJoins())
            return true;
    }
    return false;
}

}  // namespace tamboro
