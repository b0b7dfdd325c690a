#include "platform/jack_probe.h"

#include <jack/jack.h>

namespace tamboro {

namespace {

void quiet(const char*) {}

}  // namespace

bool jackServerRunning() {
    jack_set_error_function(&quiet);
    jack_set_info_function(&quiet);
    jack_status_t status{};
    jack_client_t* client = jack_client_open("Tamboro probe", JackNoStartServer, &status);
    if (!client)
        return false;
    jack_client_close(client);
    return true;
}

}  // namespace tamboro
