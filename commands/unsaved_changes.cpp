#include "commands/unsaved_changes.h"

#include "commands/song_commands.h"
#include "files/song_file.h"

namespace tamboro {

void SavedSongImage::remember(const SongState& song) {
    image_ = songFileImage(song);
}

bool SavedSongImage::changedSince(const SongState& song) const {
    return songFileImage(song) != image_;
}

bool mayCloseSong(SongState& song, AudioOutput& output, FileFolders& folders, Shell& shell,
                  SavedSongImage& saved) {
    if (!saved.changedSince(song))
        return true;
    switch (shell.askSaveChanges()) {
    case SaveChangesAnswer::Discard:
        return true;
    case SaveChangesAnswer::Cancel:
        return false;
    case SaveChangesAnswer::Save:
        break;
    }
    if (saveSongCommand(song, output, folders, shell) != CommandResult::Done)
        return false;
    saved.remember(song);
    return true;
}

}  // namespace tamboro
