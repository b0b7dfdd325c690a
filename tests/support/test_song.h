#pragma once
// Helpers for engine tests: a song with hand-made samples and no default
// pattern, rendered a Block or a half at a time.

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/mixer.h"
#include "engine/song_ops.h"
#include "engine/song_state.h"

namespace tamboro::test {

// Puts `values` (16-bit, interleaved when stereo) into a channel's slot.
inline void installSample(SongState& song, int channel, const std::vector<int16_t>& values,
                          bool stereo = false) {
    auto format = std::make_unique<WaveFormat>();
    format->formatTag = 1;
    format->channels = stereo ? 2 : 1;
    SampleData data(new int16_t[values.size() + 128]());
    if (!values.empty())
        std::memcpy(data.get(), values.data(), values.size() * sizeof(int16_t));
    registerSample(song, static_cast<uint32_t>(values.size() * 2), std::move(format),
                   std::move(data), channel);
}

// A song state as New Song leaves it.
inline std::unique_ptr<SongState> newSongState() {
    auto song = std::make_unique<SongState>();
    newSong(*song);
    return song;
}

// A MixBuffer for renders that own it (Stream To Disk), shared by a test program.
inline int16_t* testMixBuffer() {
    static std::vector<int16_t> buffer(MixBufferValues);
    return buffer.data();
}

// A song state with the grid cleared, every channel at volume 64, DST 0.
inline std::unique_ptr<SongState> quietSong() {
    auto song = std::make_unique<SongState>();
    newSong(*song);
    song->stepGrid.fill(0);
    for (int c = 0; c < ChannelCount; ++c) {
        song->volume[c] = 64;
        song->distortion[c] = 0;
        updateDistortionCurve(*song, c);
    }
    return song;
}

// Renders one half and returns its 16,384 values (left, right, ...).
inline std::vector<int16_t> renderValues(SongState& song) {
    std::vector<int16_t> out(HalfBytes / 2);
    renderHalf(song, out.data());
    return out;
}

// Starts a channel sounding at full level from the beginning of its sample.
inline void sound(SongState& song, int channel) {
    song.voices[channel].position = 0;
    song.voices[channel].level = song.volume[channel];
}

}  // namespace tamboro::test
