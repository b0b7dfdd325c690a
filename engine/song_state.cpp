#include "engine/song_state.h"

#include <cstring>

#include "engine/mixer.h"

namespace tamboro {

namespace {

constexpr const char* DefaultSampleNames[] = {
    "BD_02.WAV", "CLAP_02.WAV", "909 Closed Hihat.WAV", "909 Open Hihat+Rvrb.WAV"};

}  // namespace

SongState::SongState() {
    for (int c = 0; c < 4; ++c)
        std::strncpy(sampleName[c].data(), DefaultSampleNames[c], SampleNameBytes - 1);
    volume.fill(MaxLevel);
    volume[2] = 32;
    volume[3] = 24;
    distortion[0] = 48;
    panLeft.fill(64);
    panRight.fill(64);
    // The derived tables must agree with the settings from the first moment.
    for (int c = 0; c < ChannelCount; ++c)
        updateDistortionCurve(*this, c);
    buildPitchTable(*this);
}

}  // namespace tamboro
