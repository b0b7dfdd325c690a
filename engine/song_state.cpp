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
    // The derived tables must agree with the settings from the first moment.
    resetChannelSettings(*this);
    buildPitchTable(*this);
}

void resetChannelSettings(SongState& song) {
    // Every channel at full volume but the two hi-hats, DST on the kick only.
    song.volume.fill(MaxLevel);
    song.volume[2] = 32;
    song.volume[3] = 24;
    song.distortion.fill(0);
    song.distortion[0] = 48;
    song.overdrive.fill(0);
    song.panLeft.fill(64);
    song.panRight.fill(64);
    for (int c = 0; c < ChannelCount; ++c)
        updateDistortionCurve(song, c);
}

}  // namespace tamboro
