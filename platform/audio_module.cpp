// The audio module's entry point: the command line loads this shared
// object only for --play and --list-devices, so that its other modes map
// none of the audio and MIDI libraries.

#include "engine/audio_systems.h"
#include "platform/linux_audio_systems.h"

extern "C" __attribute__((visibility("default"))) tamboro::AudioSystems* tamboro_make_audio_systems() {
    return tamboro::makeLinuxAudioSystems().release();
}
