#pragma once
// The menu commands' fixed identifiers, by which the window dispatches them
// to onMenuCommand. Any thread.

namespace tamboro {

// Command identifiers of the menu items. They are fixed: the window code
// dispatches on them. 40012 is deliberately unused.
namespace MenuId {
inline constexpr int OpenSong = 40001;
inline constexpr int NewSong = 40002;
inline constexpr int SaveSong = 40003;
inline constexpr int StreamToDisk = 40004;
inline constexpr int Exit = 40005;
inline constexpr int About = 40006;
inline constexpr int SelectWavDevice = 40007;
inline constexpr int ClearPattern = 40008;
inline constexpr int CopyPattern = 40009;
inline constexpr int PastePattern = 40010;
inline constexpr int SelectMidiInDevice = 40011;
inline constexpr int EnableMidiSync = 40013;
inline constexpr int FollowMidiClock = 40014;
inline constexpr int FollowJackTransport = 40015;
inline constexpr int SendMidiClock = 40016;
}  // namespace MenuId

}  // namespace tamboro
