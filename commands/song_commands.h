#pragma once
// The File menu's commands: New Song, Open Song, Save Song and Stream To
// Disk, with their dialogs and messages. None of them loses what the user
// has: a song file that cannot be read changes nothing, a save or render
// that fails leaves the file that was there as it was, and each says so.
// Main thread.

#include <string_view>

#include "commands/shell.h"
#include "engine/audio_output.h"
#include "engine/song_state.h"
#include "files/folders.h"

namespace tamboro {

inline constexpr std::string_view SampleNotFoundCaption = "Warning: Sample not found.";
inline constexpr std::string_view StreamFailureText = "Failure.";

enum class CommandResult {
    Done,        // the song was loaded, saved or rendered
    Cancelled,   // the dialog was cancelled
    Failed,      // a message said why nothing was done
};

// New Song (40002): stops playback, frees the samples and resets the song
// (newSong keeps the sample names), then loads the samples those names give
// from the Samples folder as Open Song does, so that every name the panel
// shows has its sample. Repaints the panel.
void newSongCommand(SongState& song, AudioOutput& output, FileFolders& folders, Shell& shell);

// Open Song (40001): raises modalActive and shows the open dialog in the
// Songs folder. The chosen file is read and checked whole first; one that
// cannot be read or is damaged gives a warning naming it and the reason,
// and the song, the samples and playback stay as they were (Failed).
// Otherwise playback stops, the samples are freed, the song is taken from
// the file and every channel's sample is loaded again from the Samples
// folder: each that fails gives its own box (its name, "Warning: Sample not
// found.") in channel order and its name is cleared. Repaints the panel.
CommandResult openSongCommand(SongState& song, AudioOutput& output, FileFolders& folders,
                              Shell& shell);

// Save Song (40003): raises modalActive and shows the save dialog in the
// Songs folder; ".sng" is appended where it occurs nowhere in the path. A
// save that fails gives a warning with the path and the system's reason;
// the file that was there is untouched. Playback goes on.
CommandResult saveSongCommand(SongState& song, AudioOutput& output, FileFolders& folders,
                              Shell& shell);

// Stream To Disk (40004): raises modalActive and shows the save dialog in
// the Samples folder; ".wav" is appended where it occurs nowhere in the
// path. A path that is the file of a sample in use is refused with a
// message and nothing stops. Otherwise playback stops (the panel is
// repainted when it ran) and the whole song is rendered into the file; a
// failure shows "Failure." ("Error") and leaves a file that was there as it
// was, with no partial file.
CommandResult streamToDiskCommand(SongState& song, AudioOutput& output, FileFolders& folders,
                                  Shell& shell);

}  // namespace tamboro
