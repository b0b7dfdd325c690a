#pragma once
// A Shell for tests: records every message, dialog and repaint, and answers
// the file and device dialogs from queues the test fills beforehand. A
// dialog with no answer queued is cancelled, and so is the question about
// unsaved changes.

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "commands/shell.h"

namespace tamboro::test {

class ScriptedShell : public Shell {
public:
    struct Message {
        MessageOwner owner;
        std::string text;
        std::string caption;
        MessageIcon icon;
    };
    struct FileDialog {
        FileDialogMode mode;
        std::string filterDescription;
        std::string folder;
        std::string startPath;
    };
    struct DeviceDialog {
        std::string caption;
        std::vector<std::string> entries;
    };
    // The answer to one device dialog: OK with a selection (-1 for none), or Cancel.
    struct DeviceAnswer {
        bool ok = false;
        int selected = -1;
    };

    std::vector<Message> messages;
    std::vector<FileDialog> fileDialogs;
    std::vector<DeviceDialog> deviceDialogs;
    std::deque<std::optional<std::string>> fileAnswers;
    std::deque<DeviceAnswer> deviceAnswers;
    std::deque<SaveChangesAnswer> saveChangesAnswers;
    int saveChangesQuestions = 0;
    std::map<int, bool> checks;            // check marks set, by menu identifier
    int panelRepaints = 0;
    int lampRepaints = 0;
    int tempoRepaints = 0;

    // The check mark of an item; nothing until first set.
    std::optional<bool> checked(int menuId) const {
        const auto found = checks.find(menuId);
        return found == checks.end() ? std::nullopt : std::optional<bool>(found->second);
    }

    void showMessage(MessageOwner owner, std::string_view text, std::string_view caption,
                     MessageIcon icon) override {
        messages.push_back({owner, std::string(text), std::string(caption), icon});
    }

    std::optional<std::string> chooseFile(FileDialogMode mode, const FileFilter& filter,
                                          const std::string& folder,
                                          const std::string& startPath) override {
        fileDialogs.push_back({mode, filter.description, folder, startPath});
        if (fileAnswers.empty())
            return std::nullopt;
        std::optional<std::string> answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }

    bool runDeviceDialog(std::string_view caption, const std::vector<std::string>& entries,
                         const std::function<void(int)>& onOk) override {
        deviceDialogs.push_back({std::string(caption), entries});
        if (deviceAnswers.empty())
            return false;
        const DeviceAnswer answer = deviceAnswers.front();
        deviceAnswers.pop_front();
        if (!answer.ok)
            return false;
        onOk(answer.selected);
        return true;
    }

    SaveChangesAnswer askSaveChanges() override {
        ++saveChangesQuestions;
        if (saveChangesAnswers.empty())
            return SaveChangesAnswer::Cancel;
        const SaveChangesAnswer answer = saveChangesAnswers.front();
        saveChangesAnswers.pop_front();
        return answer;
    }

    void setChecked(int menuId, bool on) override { checks[menuId] = on; }
    void repaintPanel() override { ++panelRepaints; }
    void repaintLamps() override { ++lampRepaints; }
    void repaintTempo() override { ++tempoRepaints; }
};

}  // namespace tamboro::test
