#include "desktop/menu_table.h"

#include <array>

namespace tamboro {

namespace {

constexpr MenuEntry dropDown(std::string_view caption) {
    return {MenuEntryKind::DropDown, caption, 0};
}
constexpr MenuEntry item(std::string_view caption, int id) {
    return {MenuEntryKind::Item, caption, id};
}
constexpr MenuEntry checkItem(std::string_view caption, int id) {
    return {MenuEntryKind::Item, caption, id, true};
}
constexpr MenuEntry separator() {
    return {MenuEntryKind::Separator, {}, 0};
}

constexpr std::array menuEntries{
    dropDown("&File"),
    item("&New Song", MenuId::NewSong),
    item("&Open Song...", MenuId::OpenSong),
    item("&Save Song...", MenuId::SaveSong),
    separator(),
    item("Stream To &Disk...", MenuId::StreamToDisk),
    separator(),
    item("E&xit", MenuId::Exit),

    dropDown("&Options"),
    item("Select &WAV Device...", MenuId::SelectWavDevice),
    separator(),
    item("Select &MIDI In Device...", MenuId::SelectMidiInDevice),
    checkItem("Enable MIDI &Sync", MenuId::EnableMidiSync),
    checkItem("Follow MIDI &Clock", MenuId::FollowMidiClock),
    checkItem("Follow &JACK Transport", MenuId::FollowJackTransport),
    checkItem("Se&nd MIDI Clock", MenuId::SendMidiClock),

    dropDown("&Pattern"),
    item("Cl&ear", MenuId::ClearPattern),
    item("&Copy", MenuId::CopyPattern),
    item("&Paste", MenuId::PastePattern),

    dropDown("&Help"),
    item("&About...", MenuId::About),
};

}  // namespace

std::span<const MenuEntry> tamboroMenu() {
    return menuEntries;
}

const MenuEntry* findMenuItem(int id) {
    for (const MenuEntry& entry : menuEntries) {
        if (entry.kind == MenuEntryKind::Item && entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace tamboro
