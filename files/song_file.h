#pragma once
// The song file (.sng): a 48-byte header with tempo, song length and
// shuffle, the channels' VOL, DST and OVR values, the eight 128-byte sample
// names and the first songLength steps of the grid. Main thread.

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "engine/song_state.h"

namespace tamboro {

inline constexpr uint32_t SongHeaderBytes = 48;
inline constexpr uint32_t SongFixedBytes = 1120;   // header, levels and names

// Bytes of a song file for a song of `songLength` steps.
constexpr uint32_t songFileBytes(int32_t songLength) {
    return SongFixedBytes + 8u * static_cast<uint32_t>(songLength);
}

// The bytes a song file of the song holds, exactly as saveSong writes them
// (the reserved header bytes are zeros).
std::vector<uint8_t> songFileImage(const SongState& song);

// Writes the song to `path` through a temporary file in the same folder that
// replaces the target only when everything was written. Returns 0 on
// success, else the errno of the write, flush or rename that failed (EIO
// when the system gave none); the previous file is then untouched.
int saveSong(const SongState& song, const std::filesystem::path& path);

enum class SongLoadResult {
    Loaded,
    OpenFailed,      // the file could not be opened or read
    TooShort,        // shorter than its song length promises
    BadTempo,        // tempo 0 or below
    BadLength,       // song length outside 1..128
    IsFolder,        // the path is no regular file but a folder,
    IsNamedPipe,     // a named pipe,
    IsDevice,        // a device
    IsSocket,        // or a socket; nothing was waited for or read
};

// A song file read whole and checked, not yet applied to a song.
struct SongFileContents {
    std::array<uint8_t, SongFixedBytes + 8u * GridSteps> bytes{};
    uint32_t size = 0;
};

// Reads and checks a song file without touching any song. Unless the result
// is Loaded, `contents` means nothing; for OpenFailed, `systemError` (when
// given) receives the errno behind it.
SongLoadResult readSongFile(const std::filesystem::path& path, SongFileContents& contents,
                            int* systemError = nullptr);

// Puts a checked file into the song state: tempo, songLength, shuffle, VOL,
// DST (with its curve), OVR, the sample names and the first songLength steps
// of the grid. Samples are not loaded.
void applySongFile(SongState& song, const SongFileContents& contents);

// readSongFile, then applySongFile when the file is sound; unless the result
// is Loaded, the song state is left exactly as it was.
SongLoadResult loadSong(SongState& song, const std::filesystem::path& path);

}  // namespace tamboro
