#include "desktop/desktop_startup.h"

#include <QMenuBar>

#include <string>

#include "commands/messages.h"
#include "engine/song_ops.h"
#include "files/sample_reload.h"

namespace tamboro {

namespace {

// The warnings of start-up, in their order; each goes on when dismissed.
void warnAtStartUp(MainWindow& window) {
    DesktopSession& session = window.session();
    Shell& shell = *session.shell;
    if (!window.resources().fontLoaded)
        show(shell, fontMissingMessage());
    if (window.resources().stepButtonsMissing())
        show(shell, bitmapsMissingMessage());
    std::string name;
    if (!getOutputDeviceName(session.output, session.song, 0, name))
        show(shell, noOutputDeviceMessage());
}

}  // namespace

QSize startUpWindowSize(MainWindow& window) {
    return {window.panel().sizeHint().width(),
            window.menuBar()->sizeHint().height() + window.panel().sizeHint().height()};
}

void initApplication(MainWindow& window, std::function<void()> done) {
    DesktopSession& session = window.session();
    SongState& song = session.song;

    // The default song, its samples found in Samples (in the start folder
    // itself when there is no Samples folder), every pitch 0.
    enterFolder(session.folders, "Samples");
    newSong(song);
    loadStartUpSamples(song, session.folders.currentFolder);
    song.pitch.fill(0);
    if (!allocateMixBuffer(session.output))
        show(*session.shell, noMixBufferMessage());
    session.saved.remember(song);

    window.panel().repaintPanel();
    window.resize(startUpWindowSize(window));
    window.move(0, 0);
    window.show();
    window.startRefillTimer();
    window.afterFirstPaint([&window, done = std::move(done)] {
        warnAtStartUp(window);
        if (done)
            done();
    });
}

}  // namespace tamboro
