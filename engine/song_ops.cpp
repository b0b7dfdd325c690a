#include "engine/song_ops.h"

#include <algorithm>

#include "engine/mixer.h"

namespace tamboro {

namespace {

struct DefaultSteps {
    int channel;
    std::initializer_list<int> steps;
};

// The Pattern a new song starts with: kick on the beats, clap on 2 and 4 with
// a pickup, closed hat on the eighths, open hat on the off-beats.
const DefaultSteps DefaultPattern[] = {
    {0, {0, 4, 8, 12}},
    {1, {4, 12, 15}},
    {2, {0, 2, 4, 6, 8, 10, 12, 14}},
    {3, {2, 6, 10, 14}},
};

uint8_t* currentPatternCells(SongState& song) {
    return song.stepGrid.data() + song.currentPattern * PatternCells;
}

}  // namespace

void newSong(SongState& song) {
    for (int c = 0; c < ChannelCount; ++c) {
        song.voices[c].position = 0;
        song.slots[c] = SampleSlot{};
    }
    resetChannelSettings(song);
    song.stepGrid.fill(0);
    for (const DefaultSteps& row : DefaultPattern)
        for (int step : row.steps)
            song.stepGrid[step * ChannelCount + row.channel] = 1;
    buildPitchTable(song);
}

void registerSample(SongState& song, uint32_t lengthBytes,
                    std::unique_ptr<WaveFormat> format, SampleData data,
                    int channel) {
    SampleSlot& slot = song.slots[channel];
    const bool loaded = data && format;
    slot.stereo = loaded && format->channels != 1 ? 1 : 0;
    slot.sampleLength = loaded ? static_cast<int32_t>(std::min(lengthBytes, MaxSampleBytes)) : 0;
    slot.sampleData = loaded ? std::move(data) : nullptr;
    slot.sampleFormat = loaded ? std::move(format) : nullptr;
    song.voices[channel].position = 0;
}

void releaseSampleBlocks(SongState& song) {
    for (SampleSlot& slot : song.slots)
        slot = SampleSlot{};
}

void clearPattern(SongState& song) {
    std::fill_n(currentPatternCells(song), PatternCells, uint8_t{0});
}

void copyPattern(SongState& song) {
    const uint8_t* cells = currentPatternCells(song);
    std::copy_n(cells, PatternCells, song.patternClipboard.begin());
}

void pastePattern(SongState& song) {
    uint8_t* cells = currentPatternCells(song);
    for (int j = 0; j < PatternCells; ++j)
        cells[j] = static_cast<uint8_t>(song.patternClipboard[j] & 0xFF);
}

}  // namespace tamboro
