#pragma once
// What the menu commands need of the desktop: message boxes, the open and
// save dialogs, the device list dialog, the Options' check marks and
// repaints. The desktop program implements it with Qt; tests use a scripted
// one. Main thread only.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamboro {

enum class MessageIcon { Warning, Information };

// The window a message box belongs to: none (a box of its own), the main
// window, or the dialog that is open at the moment.
enum class MessageOwner { None, MainWindow, Dialog };

struct FileFilter {
    const char* description;
    const char* pattern;
};
inline constexpr FileFilter WaveFilter{"WAV-Dateien (*.WAV)", "*.WAV"};
inline constexpr FileFilter SongFilter{"Song Philes (*.sng)", "*.sng"};

// The answers to the question whether to save a changed song before closing.
enum class SaveChangesAnswer { Save, Discard, Cancel };

enum class FileDialogMode {
    Open,  // only an existing file in an existing folder can be chosen
    Save,  // the folder must exist; an existing file is replaced without a question
};

class Shell {
public:
    virtual ~Shell() = default;

    // A modal box with one OK button; returns when it is dismissed.
    virtual void showMessage(MessageOwner owner, std::string_view text,
                             std::string_view caption, MessageIcon icon) = 0;

    // The open or save dialog, starting in `folder` with `startPath` as the
    // file name. Returns the chosen path, or nothing when cancelled.
    virtual std::optional<std::string> chooseFile(FileDialogMode mode, const FileFilter& filter,
                                                  const std::string& folder,
                                                  const std::string& startPath) = 0;

    // The device list dialog, modal, with the entries in the order given
    // and none selected. On OK, `onOk` runs with the selected index (-1 when
    // nothing is selected) while the dialog is still open, so that a message
    // it shows belongs to the dialog; then the dialog closes. Returns true
    // for OK, false for Cancel.
    virtual bool runDeviceDialog(std::string_view caption, const std::vector<std::string>& entries,
                                 const std::function<void(int selected)>& onOk) = 0;

    // Asks once, in a modal box owned by the main window, whether the song's
    // unsaved changes are to be saved before the program closes.
    virtual SaveChangesAnswer askSaveChanges() = 0;

    // The check mark of an Options item (Enable MIDI Sync, Follow MIDI
    // Clock), by its command identifier.
    virtual void setChecked(int menuId, bool checked) = 0;

    // The whole panel is painted anew (without erasing the background).
    virtual void repaintPanel() = 0;

    // The Play and Stop lamps are painted anew from `playing`.
    virtual void repaintLamps() = 0;

    // TEMPO's number and slider are painted anew (the tempo followed changed).
    virtual void repaintTempo() = 0;
};

}  // namespace tamboro
