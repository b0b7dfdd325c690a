#pragma once
// The main window's menu bar, TAMBOROMENU, as one plain table the desktop
// program builds its menus from. No Qt in here: the window code walks the
// entries in order, starts a drop-down at every DropDown entry and adds the
// items and separators that follow it to that drop-down. Items start
// unchecked and enabled; there are no keyboard shortcuts besides the "&"
// mnemonics in the captions. Any thread (the table is constant).

#include <span>
#include <string_view>

#include "commands/menu_ids.h"

namespace tamboro {


// Index of the "&Options" drop-down in the menu bar; it holds the items
// with check marks (Enable MIDI Sync, Follow MIDI Clock), which the program
// sets from its state.
inline constexpr int OptionsDropDownIndex = 1;

enum class MenuEntryKind {
    DropDown,    // starts the next drop-down menu of the bar; caption only
    Item,        // a command: caption and identifier
    Separator,   // a line between items; no caption, identifier 0
};

struct MenuEntry {
    MenuEntryKind kind;
    std::string_view caption;   // with "&" before the mnemonic letter
    int id;                     // 0 for drop-downs and separators
    bool checkable = false;     // an item with a check mark only the program sets
};

// The whole menu bar, drop-downs in order, each followed by its entries.
std::span<const MenuEntry> tamboroMenu();

// The item with command identifier `id`, or nullptr when no item has it.
const MenuEntry* findMenuItem(int id);

}  // namespace tamboro
