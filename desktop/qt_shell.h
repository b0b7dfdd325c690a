#pragma once
// The Shell of the desktop program: Qt message boxes, Qt's own file dialogs
// (their modal loop keeps the refill timer running), the device list dialog,
// the question about unsaved changes, the Options' check marks and the
// panel's repaints. Main thread.

#include <QAction>
#include <QWidget>

#include <functional>
#include <map>

#include "commands/shell.h"

namespace tamboro {

class QtShell : public Shell {
public:
    struct Repaints {
        std::function<void()> panel;
        std::function<void()> lamps;
        std::function<void()> tempo;
    };

    // `items`: the menu's items by identifier, those with check marks among them.
    QtShell(QWidget& mainWindow, std::map<int, QAction*> items, Repaints repaints);

    void showMessage(MessageOwner owner, std::string_view text, std::string_view caption,
                     MessageIcon icon) override;
    std::optional<std::string> chooseFile(FileDialogMode mode, const FileFilter& filter,
                                          const std::string& folder,
                                          const std::string& startPath) override;
    bool runDeviceDialog(std::string_view caption, const std::vector<std::string>& entries,
                         const std::function<void(int selected)>& onOk) override;
    SaveChangesAnswer askSaveChanges() override;
    void setChecked(int menuId, bool checked) override;
    void repaintPanel() override;
    void repaintLamps() override;
    void repaintTempo() override;

private:
    QWidget& mainWindow_;
    std::map<int, QAction*> items_;
    Repaints repaints_;
};

}  // namespace tamboro
