#pragma once
// The menu commands of the main window, by their fixed identifiers
// (commands/menu_ids.h). Main thread.

#include "commands/desktop_session.h"

namespace tamboro {

// What the commands need of the main window itself.
class CommandWindow {
public:
    virtual ~CommandWindow() = default;
    // Exit: the window is asked to close once the command has returned.
    virtual void postClose() = 0;
    // The About box, modal, owned by the window.
    virtual void runAbout() = 0;
    // The whole window erased and painted anew at once.
    virtual void repaintErasing() = 0;
};

// Runs command `id`. Open Song, Save Song, Stream To Disk and the two device
// dialogs raise modalActive before their dialog and leave it raised, so the
// press that follows on the panel is ignored until its release; About
// clears it again once its box has closed. An identifier outside the menu
// (40012 among them) erases and repaints the window.
void onMenuCommand(DesktopSession& session, CommandWindow& window, int id);

}  // namespace tamboro
