#include "desktop/snapshot_command.h"

#include <QGuiApplication>
#include <QImage>

#include <memory>
#include <ostream>

#include "cli/command_song.h"
#include "engine/song_state.h"
#include "panel/panel_geometry.h"
#include "panel/panel_renderer.h"
#include "panel/panel_resources.h"
#include "panel/panel_surface.h"

namespace tamboro {

namespace {

// Every panel pixel as a scale x scale square.
QImage enlarged(const QImage& panel, int scale) {
    if (scale == 1)
        return panel;
    QImage big(panel.width() * scale, panel.height() * scale, QImage::Format_RGB32);
    for (int y = 0; y < big.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(panel.constScanLine(y / scale));
        auto* to = reinterpret_cast<QRgb*>(big.scanLine(y));
        for (int x = 0; x < big.width(); ++x)
            to[x] = from[x / scale];
    }
    return big;
}

}  // namespace

int runSnapshotCommand(const CommandLine& line, std::ostream& errors) {
    // No window system is needed unless the user asked for one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tamboro";
    static char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);

    // The state the program starts in, then the song opened.
    const std::unique_ptr<SongState> song = openCommandSong(line, errors);
    if (!song)
        return 1;
    loadCommandSamples(*song, line, errors);

    const PanelResources resources = loadPanelResources();
    if (!resources.fontLoaded)
        errors << "tamboro: warning: " << PanelFontFile
               << " could not be loaded; the names use the default font\n";
    QImage panel(PanelWidth, PanelHeight, QImage::Format_RGB32);
    panel.fill(Qt::black);
    {
        PanelSurface surface(panel, resources);
        paintPanel(surface, *song);
    }
    if (!enlarged(panel, line.scale).save(QString::fromStdString(line.output.string()), "PNG")) {
        errors << "tamboro: " << shown(line.output) << ": the PNG file could not be written\n";
        return 1;
    }
    return 0;
}

}  // namespace tamboro
