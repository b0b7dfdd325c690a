#pragma once
// Whether the song has changes that no file holds, and the question asked
// before the program closes over them. Main thread.

#include <cstdint>
#include <vector>

#include "commands/shell.h"
#include "engine/audio_output.h"
#include "engine/song_state.h"
#include "files/folders.h"

namespace tamboro {

// The song as a song file would hold it, taken at start-up and after New
// Song, Open Song and Save Song. What a song file does not store (pitch,
// the Pattern shown, the steps beyond the song's length) is no change.
class SavedSongImage {
public:
    void remember(const SongState& song);
    bool changedSince(const SongState& song) const;

private:
    std::vector<uint8_t> image_;
};

// Exit or the close box: whether the program may close now. An unchanged
// song closes at once. Otherwise the user is asked once: Discard closes,
// Cancel keeps the window, Save runs Save Song and closes only when the
// song was saved (a cancelled or failed save keeps the window).
bool mayCloseSong(SongState& song, AudioOutput& output, FileFolders& folders, Shell& shell,
                  SavedSongImage& saved);

}  // namespace tamboro
