#include "engine/wave_format.h"

namespace tamboro {

WaveFormat outputWaveFormat() {
    WaveFormat format;
    format.formatTag = 1;
    format.channels = 2;
    format.samplesPerSec = 44100;
    format.avgBytesPerSec = 44100 * 4;
    format.blockAlign = 4;
    format.bitsPerSample = 16;
    format.extraSize = 0;
    return format;
}

}  // namespace tamboro
