#include "desktop/menu_bar.h"

#include <QMenu>
#include <QString>

#include "desktop/menu_table.h"

namespace tamboro {

std::map<int, QAction*> buildMenuBar(QMenuBar& bar, const std::function<void(int id)>& onCommand) {
    std::map<int, QAction*> actions;
    QMenu* dropDown = nullptr;
    for (const MenuEntry& entry : tamboroMenu()) {
        const QString caption = QString::fromUtf8(entry.caption.data(), static_cast<qsizetype>(entry.caption.size()));
        switch (entry.kind) {
        case MenuEntryKind::DropDown:
            dropDown = bar.addMenu(caption);
            break;
        case MenuEntryKind::Separator:
            if (dropDown != nullptr)
                dropDown->addSeparator();
            break;
        case MenuEntryKind::Item: {
            if (dropDown == nullptr)
                break;
            QAction* action = dropDown->addAction(caption);
            const int id = entry.id;
            if (entry.checkable) {
                action->setCheckable(true);
                // Qt flips a checkable item before reporting it; the command
                // decides (turning MIDI Sync on while playing changes nothing).
                QObject::connect(action, &QAction::triggered, action, [action, onCommand, id](bool checked) {
                    action->setChecked(!checked);
                    onCommand(id);
                });
            } else {
                QObject::connect(action, &QAction::triggered, action, [onCommand, id] { onCommand(id); });
            }
            actions[id] = action;
            break;
        }
        }
    }
    return actions;
}

}  // namespace tamboro
