#pragma once
// The song file (.sng): a 48-byte header with tempo, song length and
// shuffle, the channels' VOL, DST and OVR values, the eight 128-byte sample
// names and the first songLength steps of the grid. Main thread.

#include <cstdint>
#include <filesystem>

#include "engine/song_state.h"

namespace tamboro {

inline constexpr uint32_t SongHeaderBytes = 48;
inline constexpr uint32_t SongFixedBytes = 1120;   // header, levels and names

// Bytes of a song file for a song of `songLength` steps.
constexpr uint32_t songFileBytes(int32_t songLength) {
    return SongFixedBytes + 8u * static_cast<uint32_t>(songLength);
}

// Writes the song to `path` through a temporary file in the same folder that
// replaces the target only when everything was written. Returns 0 on
// success, nonzero when any write, flush or the rename failed; the previous
// file is then untouched.
int saveSong(const SongState& song, const std::filesystem::path& path);

enum class SongLoadResult {
    Loaded,
    OpenFailed,      // the file could not be opened or read
    TooShort,        // shorter than its song length promises
    BadTempo,        // tempo 0 or below
    BadLength,       // song length outside 1..128
};

// Reads a song file into the song state: tempo, songLength, shuffle, VOL,
// DST (with its curve), OVR, the sample names and the first songLength steps
// of the grid. The whole file is checked first; unless the result is
// Loaded, the song state is left exactly as it was. Samples are not loaded.
SongLoadResult loadSong(SongState& song, const std::filesystem::path& path);

// The message for a refused song file, for the caller to show.
const char* songLoadMessage(SongLoadResult result);

}  // namespace tamboro
