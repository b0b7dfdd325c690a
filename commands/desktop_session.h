#pragma once
// What the desktop program's window, its menu commands and its panel work
// on: the one song, the audio output, the folders of the file commands, the
// Shell they talk to the user through, and the song as a file last held it.
// Main thread.

#include "commands/shell.h"
#include "commands/unsaved_changes.h"
#include "engine/audio_output.h"
#include "engine/song_state.h"
#include "files/folders.h"

namespace tamboro {

struct DesktopSession {
    SongState& song;
    AudioOutput& output;
    FileFolders& folders;
    Shell* shell;             // the window's own, or a test's
    SavedSongImage saved;     // for the question at closing
};

}  // namespace tamboro
