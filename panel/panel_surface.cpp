#include "panel/panel_surface.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cstring>

namespace tamboro {

PanelSurface::PanelSurface(QImage& target, const PanelResources& resources)
    : target_(target), resources_(resources), font_(resources.font) {
    Q_ASSERT(target.format() == QImage::Format_RGB32);
    damage_.reserve(64);
}

void PanelSurface::addDamage(const QRect& area) {
    const QRect clipped = area & target_.rect();
    if (!clipped.isEmpty())
        damage_.push_back(clipped);
}

void PanelSurface::copy(PanelBitmap bitmap, const QRect& from, QPoint to) {
    addDamage(QRect(to, from.size()));
    const QImage& source = resources_.bitmap(bitmap);
    if (source.isNull())
        return;
    // Keep the part of `from` inside the bitmap, then the part of its
    // target inside the image; the source follows the target's clipping.
    QRect src = from & source.rect();
    QRect dst = QRect(to + (src.topLeft() - from.topLeft()), src.size()) & target_.rect();
    if (dst.isEmpty())
        return;
    src = QRect(src.topLeft() + (dst.topLeft() - (to + (src.topLeft() - from.topLeft()))), dst.size());
    // The pixels are fetched for every copy: a modal box the host showed in
    // between may have let someone share and so detach the image.
    uchar* bits = target_.bits();
    const qsizetype stride = target_.bytesPerLine();
    const auto rowBytes = static_cast<size_t>(dst.width()) * 4;
    for (int row = 0; row < dst.height(); ++row) {
        std::memcpy(bits + (dst.y() + row) * stride + dst.x() * 4,
                    source.constScanLine(src.y() + row) + src.x() * 4, rowBytes);
    }
}

void PanelSurface::fill(const QRect& area, QRgb colour) {
    const QRect dst = area & target_.rect();
    if (dst.isEmpty())
        return;
    damage_.push_back(dst);
    const QRgb pixel = colour | 0xFF000000u;
    uchar* bits = target_.bits();
    const qsizetype stride = target_.bytesPerLine();
    for (int y = dst.top(); y <= dst.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(bits + y * stride);
        std::fill(line + dst.left(), line + dst.left() + dst.width(), pixel);
    }
}

void PanelSurface::drawText(QPoint topLeft, const QString& text, QRgb colour) {
    if (text.isEmpty())
        return;
    const QFontMetrics metrics(font_);
    const QPoint baseline(topLeft.x(), topLeft.y() + metrics.ascent());
    // Bold glyphs may reach a little beyond their cells.
    addDamage(QRect(topLeft, QSize(metrics.horizontalAdvance(text), metrics.height())) |
              metrics.boundingRect(text).translated(baseline));
    QPainter painter(&target_);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setFont(font_);
    painter.setPen(QColor(colour));
    painter.drawText(baseline, text);
}

QRegion PanelSurface::damage() const {
    QRegion region;
    for (const QRect& area : damage_)
        region += area;
    return region;
}

}  // namespace tamboro
