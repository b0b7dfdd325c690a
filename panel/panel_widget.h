#pragma once
// The front panel as a widget: shows the panel image, hands left-button
// events to the panel's mouse input and shows each edit's redraw at once.
// At a device pixel ratio of 1 every panel pixel is one screen pixel; on
// denser screens it is a square of a whole number of pixels, never smoothed.
// Main thread only.

#include <QImage>
#include <QRegion>
#include <QWidget>

#include "engine/song_state.h"
#include "panel/panel_host.h"
#include "panel/panel_mouse.h"
#include "panel/panel_pointers.h"
#include "panel/panel_resources.h"

namespace tamboro {

// Screen pixels per panel pixel for a device pixel ratio: the nearest whole
// number, at least 1.
int panelScaleFor(qreal devicePixelRatio);

class PanelWidget : public QWidget {
public:
    // `song`, `host` and `resources` outlive the widget.
    PanelWidget(SongState& song, PanelHost& host, const PanelResources& resources,
                QWidget* parent = nullptr);

    // The whole panel painted anew from the song (after a load, New Song, a
    // sample choice, Clear or Paste).
    void repaintPanel();

    // The Play and Stop lamps painted anew from `playing` (after MIDI
    // started or stopped playback).
    void repaintLamps();

    // TEMPO's number and slider painted anew (the tempo followed changed).
    void repaintTempo();

    // The panel as last drawn, 640 x 460.
    const QImage& panelImage() const { return image_; }

    // Panel pixels redrawn by the last mouse event or lamp repaint; empty
    // when it drew nothing.
    const QRegion& lastRedraw() const { return lastRedraw_; }

    const PanelDrag& drag() const { return drag_; }

    // Screen pixels per panel pixel on the widget's screen.
    int panelScale() const { return panelScaleFor(devicePixelRatioF()); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void paintWholePanel();
    void mouseEdit(QMouseEvent* event, bool dragging);
    QPoint panelPoint(const QMouseEvent* event) const;
    QRect toWidget(const QRect& panelRect) const;
    QRect toPanel(const QRect& widgetRect) const;
    void showRedraw(const QRegion& region);

    SongState& song_;
    PanelHost& host_;
    const PanelResources& resources_;
    PanelPointers pointers_;
    PanelDrag drag_;
    QImage image_;
    QRegion lastRedraw_;
    PanelPointer pointer_ = PanelPointer::Arrow;
    bool showingRedraw_ = false;   // the paint event only shows what was drawn
    bool imageFresh_ = false;      // the image was painted whole since the last paint event
};

}  // namespace tamboro
