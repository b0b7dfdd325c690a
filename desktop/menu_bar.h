#pragma once
// The main window's menu bar, built from the menu table. Main thread.

#include <QAction>
#include <QMenuBar>

#include <functional>
#include <map>

namespace tamboro {

// Fills `bar` with the drop-downs, items and separators of the menu table.
// Choosing an item calls `onCommand` with its identifier. The MIDI Sync
// item can show a check mark, but only the program sets it: choosing the
// item does not toggle it by itself. Returns each item's action by its
// identifier.
std::map<int, QAction*> buildMenuBar(QMenuBar& bar, const std::function<void(int id)>& onCommand);

}  // namespace tamboro
