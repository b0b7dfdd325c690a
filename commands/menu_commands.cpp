#include "commands/menu_commands.h"

#include "commands/device_commands.h"
#include "commands/menu_ids.h"
#include "commands/song_commands.h"
#include "engine/song_ops.h"

namespace tamboro {

void onMenuCommand(DesktopSession& session, CommandWindow& window, int id) {
    SongState& song = session.song;
    AudioOutput& output = session.output;
    Shell& shell = *session.shell;
    switch (id) {
    case MenuId::OpenSong:
        if (openSongCommand(song, output, session.folders, shell) == CommandResult::Done)
            session.saved.remember(song);
        break;
    case MenuId::NewSong:
        newSongCommand(song, output, session.folders, shell);
        session.saved.remember(song);
        break;
    case MenuId::SaveSong:
        if (saveSongCommand(song, output, session.folders, shell) == CommandResult::Done)
            session.saved.remember(song);
        break;
    case MenuId::StreamToDisk:
        streamToDiskCommand(song, output, session.folders, shell);
        break;
    case MenuId::Exit:
        window.postClose();
        break;
    case MenuId::About:
        song.modalActive = 1;
        window.runAbout();
        song.modalActive = 0;
        break;
    case MenuId::SelectWavDevice:
        outputDeviceDialog(output, song, shell);
        break;
    case MenuId::ClearPattern:
        clearPattern(song);
        shell.repaintPanel();
        break;
    case MenuId::CopyPattern:
        copyPattern(song);
        break;
    case MenuId::PastePattern:
        pastePattern(song);
        shell.repaintPanel();
        break;
    case MenuId::SelectMidiInDevice:
        midiInDeviceDialog(output, song, shell);
        break;
    case MenuId::EnableMidiSync:
        midiSyncCommand(output, song, shell);
        break;
    case MenuId::FollowMidiClock:
        followMidiClockCommand(output, song, shell);
        break;
    case MenuId::FollowJackTransport:
        followJackTransportCommand(output, song, shell);
        break;
    case MenuId::SendMidiClock:
        sendMidiClockCommand(output, song, shell);
        break;
    default:
        window.repaintErasing();
        break;
    }
}

}  // namespace tamboro
