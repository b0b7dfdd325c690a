#include "desktop/desktop_panel_host.h"

#include "commands/device_commands.h"
#include "commands/messages.h"
#include "commands/sample_choice.h"

namespace tamboro {

void DesktopPanelHost::startPlayback() {
    // The tick may have started playback from MIDI since the panel looked.
    if (session_.song.playing == 0)
        playCommand(session_.output, session_.song, *session_.shell);
}

void DesktopPanelHost::stopPlayback() {
    tamboro::stopPlayback(session_.output, session_.song);
}

void DesktopPanelHost::chooseSample(int channel) {
    tamboro::chooseSample(session_.song, session_.folders, *session_.shell, channel);
}

void DesktopPanelHost::playPressedInMidiSync() {
    show(*session_.shell, session_.song.followJackTransport != 0 ? playFollowingTransportMessage()
                                                                 : playInMidiSyncMessage());
}

}  // namespace tamboro
