#include "commands/song_commands.h"

#include <new>
#include <optional>
#include <string>
#include <system_error>

#include "commands/file_texts.h"
#include "engine/song_ops.h"
#include "files/output_checks.h"
#include "files/sample_reload.h"
#include "files/song_file.h"
#include "files/stored_names.h"
#include "files/stream_to_disk.h"

namespace tamboro {

namespace {

std::string reasonOf(int systemError) {
    return std::system_category().message(systemError);
}

void warnUser(Shell& shell, const std::string& text) {
    shell.showMessage(MessageOwner::MainWindow, text, "Error", MessageIcon::Warning);
}

// Every channel's sample by its name from the Samples folder; each one that
// fails gets its own box in channel order, and its name is cleared.
void reloadFromSamplesFolder(SongState& song, FileFolders& folders, Shell& shell) {
    enterFolder(folders, "Samples");
    reloadSamples(song, folders.currentFolder, [&shell](const SampleLoadFailure& failure) {
        shell.showMessage(MessageOwner::MainWindow, shownSampleName(failure.name), SampleNotFoundCaption,
                          MessageIcon::Warning);
    });
}

std::optional<std::string> chooseInFolder(FileFolders& folders, Shell& shell, std::string_view folder,
                                          FileDialogMode mode, const FileFilter& filter) {
    enterFolder(folders, folder);
    std::optional<std::string> chosen =
        shell.chooseFile(mode, filter, folders.dialogFolder, folders.dialogPath);
    if (chosen)
        folders.dialogPath = *chosen;
    return chosen;
}

std::string clashMessage(const SongState& song, const OutputClash& clash, const std::string& path) {
    return path + "\n\nis the file of the sample \"" +
           shownSampleName(storedSampleName(song, clash.channel)) +
           "\", which the song uses; the render would write over it.\nChoose another name.";
}

}  // namespace

void newSongCommand(SongState& song, AudioOutput& output, FileFolders& folders, Shell& shell) {
    song.playing = 0;
    releaseSamples(output, song);
    newSong(song);
    reloadFromSamplesFolder(song, folders, shell);
    shell.repaintPanel();
}

CommandResult openSongCommand(SongState& song, AudioOutput& output, FileFolders& folders,
                              Shell& shell) {
    song.modalActive = 1;
    if (!chooseInFolder(folders, shell, "Songs", FileDialogMode::Open, SongFilter))
        return CommandResult::Cancelled;

    // The file is read and checked before anything is given up.
    SongFileContents contents;
    int systemError = 0;
    const SongLoadResult result = readSongFile(folders.dialogPath, contents, &systemError);
    if (result != SongLoadResult::Loaded) {
        std::string text = std::string(songLoadMessage(result)) + "\n\n" + folders.dialogPath;
        if (systemError != 0)
            text += ": " + reasonOf(systemError);
        warnUser(shell, text);
        return CommandResult::Failed;
    }

    song.playing = 0;
    releaseSamples(output, song);
    applySongFile(song, contents);
    reloadFromSamplesFolder(song, folders, shell);
    shell.repaintPanel();
    return CommandResult::Done;
}

CommandResult saveSongCommand(SongState& song, AudioOutput&, FileFolders& folders, Shell& shell) {
    song.modalActive = 1;
    if (!chooseInFolder(folders, shell, "Songs", FileDialogMode::Save, SongFilter))
        return CommandResult::Cancelled;
    folders.dialogPath = withExtensionWhereMissing(folders.dialogPath, ".sng");
    const int error = saveSong(song, folders.dialogPath);
    if (error != 0) {
        warnUser(shell, "The song could not be saved.\n\n" + folders.dialogPath + ": " + reasonOf(error) +
                        "\n\nA file of that name that was there before is unchanged.");
        return CommandResult::Failed;
    }
    return CommandResult::Done;
}

CommandResult streamToDiskCommand(SongState& song, AudioOutput& output, FileFolders& folders,
                                  Shell& shell) {
    song.modalActive = 1;
    if (!chooseInFolder(folders, shell, "Samples", FileDialogMode::Save, WaveFilter))
        return CommandResult::Cancelled;
    folders.dialogPath = withExtensionWhereMissing(folders.dialogPath, ".wav");

    // Writing over a sample in use would destroy what the song is made of.
    std::optional<OutputClash> clash;
    try {
        clash = findOutputClash(song, {}, folders.currentFolder, folders.dialogPath);
    } catch (const std::bad_alloc&) {
        warnUser(shell, std::string(StreamFailureText));
        return CommandResult::Failed;
    }
    if (clash) {
        warnUser(shell, clashMessage(song, *clash, folders.dialogPath));
        return CommandResult::Failed;
    }

    int written = 0;
    {
        OutputHold hold(output, song);
        if (hold.stoppedPlayback())
            shell.repaintPanel();
        written = streamToDisk(song, hold.buffer(), folders.dialogPath);
    }
    if (written == 0) {
        shell.showMessage(MessageOwner::MainWindow, StreamFailureText, "Error", MessageIcon::Warning);
        return CommandResult::Failed;
    }
    return CommandResult::Done;
}

}  // namespace tamboro
