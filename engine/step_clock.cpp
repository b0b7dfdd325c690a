#include "engine/step_clock.h"

namespace tamboro {

void resetVoices(SongState& song) {
    resetVoicesAt(song, 0);
}

void resetVoicesAt(SongState& song, uint32_t step) {
    const uint8_t* cells = song.stepGrid.data() + step * ChannelCount;
    for (int c = 0; c < ChannelCount; ++c) {
        song.voices[c].position = 0;
        song.voices[c].level = cells[c] != 0 ? song.volume[c] : 0;
    }
    song.secondHalfDue = 1;
    song.stepCounter = step;
    song.blockCounter = 0;
}

void releaseEndedVoices(SongState& song) {
    // A voice is released once per Block, so it may read up to one Block
    // past the end of its data (those reads give zeros).
    for (int c = 0; c < ChannelCount; ++c) {
        const uint32_t values = static_cast<uint32_t>(song.slots[c].sampleLength / 2);
        if (song.voices[c].position >= values) {
            song.voices[c].level = 0;
            song.voices[c].position = 0;
        }
    }
}

void triggerStep(SongState& song, uint32_t step) {
    const uint8_t* cells = song.stepGrid.data() + step * ChannelCount;
    for (int c = 0; c < ChannelCount; ++c) {
        if (cells[c] != 0) {
            song.voices[c].position = 0;
            song.voices[c].level = song.volume[c];
        }
    }
}

bool stepClockAfterBlock(SongState& song, uint32_t& blocksPerStep) {
    releaseEndedVoices(song);

    // Shuffle lengthens the steps 3, 11, 19, ...: their length is drawn anew
    // after each of their Blocks and stays in force until the next draw.
    if (song.shuffle > 0 && ((song.stepCounter - 3u) & 7u) == 0) {
        const int32_t r = song.random.next();
        blocksPerStep = blocksPerStepFor(song.tempo) +
                        static_cast<uint32_t>((r * song.shuffle) / 32767);
    }

    song.blockCounter += 1;
    if (song.blockCounter < blocksPerStep)
        return false;
    song.blockCounter = 0;
    song.stepCounter += 1;
    if (song.stepCounter >= static_cast<uint32_t>(song.songLength)) {
        song.stepCounter = 0;
        song.endReached = 1;
        if (song.stopAtEnd)
            return true;
    }
    triggerStep(song, song.stepCounter);
    return false;
}

}  // namespace tamboro
