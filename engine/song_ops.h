#pragma once
// Operations on the song as a whole: the New Song reset, installing a loaded
// sample and the three Pattern commands. Main thread.

#include <cstdint>
#include <memory>

#include "engine/song_state.h"

namespace tamboro {

// The New Song reset: empties every slot, resets the channel settings and the
// grid, lays down the default Pattern and rebuilds the pitch table. Keeps
// tempo, shuffle, songLength, currentPattern, pitch, the sample names, the
// clipboard and the output and MIDI fields.
void newSong(SongState& song);

// Installs a loaded sample in a channel's slot (null blocks empty it). The
// voice restarts at the sample's beginning; its level is kept. The blocks the
// slot held before are released.
void registerSample(SongState& song, uint32_t lengthBytes,
                    std::unique_ptr<WaveFormat> format, SampleData data,
                    int channel);

// Empties every channel's slot.
void releaseSampleBlocks(SongState& song);

// The Pattern menu commands, on the Pattern currentPattern, all channels.
void clearPattern(SongState& song);
void copyPattern(SongState& song);
void pastePattern(SongState& song);

}  // namespace tamboro
