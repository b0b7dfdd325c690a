#pragma once
// The panel's host in the desktop program: the lamps start and stop the
// output, a click on a sample name runs the sample choice, and what is to
// be said goes to the session's Shell, owned by the main window. Main thread.

#include "commands/desktop_session.h"
#include "panel/panel_host.h"

namespace tamboro {

class DesktopPanelHost : public PanelHost {
public:
    explicit DesktopPanelHost(DesktopSession& session) : session_(session) {}

    void startPlayback() override;
    void stopPlayback() override;
    void chooseSample(int channel) override;
    void playPressedInMidiSync() override;

private:
    DesktopSession& session_;
};

}  // namespace tamboro
