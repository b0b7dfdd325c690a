#include "platform/alsa_quiet.h"

#include <alsa/asoundlib.h>

namespace tamboro {

namespace {

void quiet(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void silenceAlsaMessages() {
    snd_lib_error_set_handler(&quiet);
}

}  // namespace tamboro
