#include "app/desktop_panel_host.h"

#include "files/sample_choice.h"

namespace tamboro {

void DesktopPanelHost::startPlayback() {
    // The tick may have started playback from MIDI since the panel looked.
    if (session_.song.playing == 0)
        tamboro::startPlayback(session_.output, session_.song, *session_.shell);
}

void DesktopPanelHost::stopPlayback() {
    tamboro::stopPlayback(session_.output, session_.song);
}

void DesktopPanelHost::chooseSample(int channel) {
    tamboro::chooseSample(session_.song, session_.folders, *session_.shell, channel);
}

void DesktopPanelHost::showMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
    session_.shell->showMessage(MessageOwner::MainWindow, text, caption, icon);
}

}  // namespace tamboro
