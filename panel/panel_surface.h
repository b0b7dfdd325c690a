#pragma once
// A drawing surface on the panel image: plain source copies of bitmap
// rectangles, solid fills and text, each clipped to the image and recorded
// as damage so that the window shows exactly what was drawn. Taken for one
// full paint or one mouse event and given back after it. Main thread only.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>

#include <vector>

#include "panel/panel_resources.h"

namespace tamboro {

class PanelSurface {
public:
    // `target` must be a Format_RGB32 image.
    PanelSurface(QImage& target, const PanelResources& resources);
    PanelSurface(const PanelSurface&) = delete;
    PanelSurface& operator=(const PanelSurface&) = delete;

    // Copies the rectangle `from` of a bitmap to `to`: no transparency, no
    // stretching. Parts outside the bitmap or the image are left out; a
    // bitmap that failed to load draws nothing.
    void copy(PanelBitmap bitmap, const QRect& from, QPoint to);

    // Sets every pixel of `area` to `colour`.
    void fill(const QRect& area, QRgb colour);

    // The font text is written in, selected by the full repaint.
    void selectFont(const QFont& font) { font_ = font; }

    // Writes `text` in the selected font and `colour` with the top left of
    // its character cell at `topLeft`, on a transparent background.
    void drawText(QPoint topLeft, const QString& text, QRgb colour);

    const PanelResources& resources() const { return resources_; }

    // The panel pixels drawn on this surface so far.
    QRegion damage() const;
    bool hasDamage() const { return !damage_.empty(); }

private:
    void addDamage(const QRect& area);

    QImage& target_;
    const PanelResources& resources_;
    QFont font_;
    std::vector<QRect> damage_;
};

}  // namespace tamboro
