#pragma once
// The Shell of the command-line modes: messages become one line on the
// error stream, dialogs are cancelled, and the lamps are reported as lines
// ("playing", "stopped"). Main thread.

#include <ostream>
#include <string>

#include "engine/shell.h"

namespace tamboro {

class ConsoleShell : public Shell {
public:
    ConsoleShell(std::ostream& out, std::ostream& errors) : out_(out), errors_(errors) {}

    int messagesShown = 0;
    bool playing = false;   // as the lamps would show it

    void showMessage(MessageOwner, std::string_view text, std::string_view caption,
                     MessageIcon) override {
        ++messagesShown;
        std::string line(text);
        for (char& c : line)
            if (c == '\n')
                c = ' ';
        errors_ << "tamboro: " << caption << ": " << line << std::endl;
    }
    std::optional<std::string> chooseFile(FileDialogMode, const FileFilter&, const std::string&,
                                          const std::string&) override {
        return std::nullopt;
    }
    bool runDeviceDialog(std::string_view, const std::vector<std::string>&,
                         const std::function<void(int)>&) override {
        return false;
    }
    // There is no window to close: nothing is kept back.
    SaveChangesAnswer askSaveChanges() override { return SaveChangesAnswer::Discard; }
    void setMidiSyncChecked(bool) override {}
    void repaintPanel() override {}
    void repaintLamps() override {}

    // Reports a change of `playing` as one line.
    void reportPlaying(bool now) {
        if (now != playing)
            out_ << (now ? "playing" : "stopped") << std::endl;
        playing = now;
    }

private:
    std::ostream& out_;
    std::ostream& errors_;
};

}  // namespace tamboro
