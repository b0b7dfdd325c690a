#include "panel/panel_pointers.h"

#include <QImage>
#include <QPixmap>
#include <QString>

#include "resources/resource_names.h"

namespace tamboro {

namespace {

// "x,y" from the PNG's text; (0, 0) when it is missing or malformed.
QPoint hotSpotOf(const QImage& image) {
    const QStringList parts = image.text(QStringLiteral("hotspot")).split(QLatin1Char(','));
    bool xOk = false;
    bool yOk = false;
    const int x = parts.size() == 2 ? parts[0].trimmed().toInt(&xOk) : 0;
    const int y = parts.size() == 2 ? parts[1].trimmed().toInt(&yOk) : 0;
    if (!xOk || !yOk || !image.rect().contains(x, y))
        return {0, 0};
    return {x, y};
}

}  // namespace

const QCursor& PanelPointers::shape(PanelPointer pointer) const {
    switch (pointer) {
    case PanelPointer::Resize:
        return resize;
    case PanelPointer::Sample:
        return sample;
    case PanelPointer::Arrow:
        break;
    }
    return arrow;
}

PanelPointers loadPanelPointers() {
    PanelPointers pointers;
    const QImage marks(resourcePath(u"POINTERLOAD"));
    const QImage shown(resourcePath(u"POINTERLOAD-VISIBLE"));
    if (!marks.isNull() && !shown.isNull()) {
        const QPoint hot = hotSpotOf(marks);
        pointers.sample = QCursor(QPixmap::fromImage(shown), hot.x(), hot.y());
    }
    return pointers;
}

}  // namespace tamboro
