// The front panel: a full paint into the panel image, one drag event on a
// bar and one step toggle through the shown widget with their redraws, and
// the memory the widget and its bitmaps hold. Runs on the offscreen
// platform unless another is given.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>

#include <memory>

#include "engine/song_ops.h"
#include "engine/song_state.h"
#include "panel/panel_geometry.h"
#include "panel/panel_renderer.h"
#include "panel/panel_resources.h"
#include "panel/panel_surface.h"
#include "panel/panel_widget.h"

namespace tamboro::bench {
namespace {

class NoHost : public PanelHost {
public:
    void startPlayback() override {}
    void stopPlayback() override {}
    void chooseSample(int) override {}
    void playPressedInMidiSync() override {}
};

const PanelResources& resources() {
    static const PanelResources loaded = loadPanelResources();
    return loaded;
}

// A busy song: every step set on every other channel, full bars, names.
std::unique_ptr<SongState> busySong() {
    auto song = std::make_unique<SongState>();
    newSong(*song);
    for (int i = 0; i < GridCells; ++i)
        song->stepGrid[i] = (i / ChannelCount + i) % 2;
    for (int c = 0; c < ChannelCount; ++c) {
        song->volume[c] = MaxLevel;
        song->distortion[c] = MaxLevel;
        song->overdrive[c] = MaxLevel;
        std::snprintf(song->sampleName[c].data(), SampleNameBytes, "Channel %d sample name.WAV", c);
    }
    return song;
}

void paintPanelIntoImage(benchmark::State& state) {
    const auto song = busySong();
    QImage image(PanelWidth, PanelHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (auto _ : state) {
        PanelSurface surface(image, resources());
        paintPanel(surface, *song);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(paintPanelIntoImage)->Unit(benchmark::kMicrosecond);

struct ShownPanel {
    std::unique_ptr<SongState> song = busySong();
    NoHost host;
    PanelWidget widget{*song, host, resources()};
    ShownPanel() {
        widget.resize(widget.sizeHint());
        widget.show();
        QApplication::processEvents();
    }
    void send(QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons held) {
        const QPointF at(x, y);
        QMouseEvent event(type, at, widget.mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(&widget, &event);
    }
};

// A move with the button held over the VOL bar of channel 3: the value
// changes on every event, the bar is drawn and shown.
void dragEventOnBar(benchmark::State& state) {
    ShownPanel panel;
    int x = VolumeBarX;
    for (auto _ : state) {
        x = x == VolumeBarX + BarWidth ? VolumeBarX : x + 1;
        panel.send(QEvent::MouseMove, x, controlTop(3) + 4, Qt::NoButton, Qt::LeftButton);
    }
    if (panel.widget.lastRedraw().boundingRect() != QRect(VolumeBarX, controlTop(3), BarWidth, BarHeight))
        state.SkipWithError("the drag did not redraw the bar");
}
BENCHMARK(dragEventOnBar)->Unit(benchmark::kMicrosecond);

// A press on a step button and its release: the step toggles and its button
// is drawn and shown.
void stepToggle(benchmark::State& state) {
    ShownPanel panel;
    const int y = bandTop(5) + 5;
    for (auto _ : state) {
        panel.send(QEvent::MouseButtonPress, 38 * 9 + 5, y, Qt::LeftButton, Qt::LeftButton);
        panel.send(QEvent::MouseButtonRelease, 38 * 9 + 5, y, Qt::LeftButton, Qt::NoButton);
    }
    if (panel.widget.lastRedraw().boundingRect() != QRect(38 * 9, bandTop(5), StepWidth, StepRowHeight))
        state.SkipWithError("the press did not redraw the step");
}
BENCHMARK(stepToggle)->Unit(benchmark::kMicrosecond);

// Making the widget, and what it and its bitmaps hold.
void widgetMemory(benchmark::State& state) {
    const auto song = busySong();
    NoHost host;
    for (auto _ : state) {
        PanelWidget widget(*song, host, resources());
        benchmark::DoNotOptimize(widget.panelImage().constBits());
    }
    PanelWidget widget(*song, host, resources());
    const QSize device = widget.sizeHint() * widget.devicePixelRatioF();
    state.counters["bitmap_bytes"] = static_cast<double>(resources().bitmapBytes());
    state.counters["panel_image_bytes"] = static_cast<double>(widget.panelImage().sizeInBytes());
    state.counters["widget_object_bytes"] = sizeof(PanelWidget);
    state.counters["window_backing_store_bytes"] = 4.0 * device.width() * device.height();
}
BENCHMARK(widgetMemory)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tamboro::bench

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
