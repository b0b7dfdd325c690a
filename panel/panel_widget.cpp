#include "panel/panel_widget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "panel/panel_geometry.h"
#include "panel/panel_renderer.h"
#include "panel/panel_surface.h"

namespace tamboro {

int panelScaleFor(qreal devicePixelRatio) {
    return std::max(1, static_cast<int>(std::lround(devicePixelRatio)));
}

PanelWidget::PanelWidget(SongState& song, PanelHost& host, const PanelResources& resources,
                         QWidget* parent)
    : QWidget(parent), song_(song), host_(host), resources_(resources),
      pointers_(loadPanelPointers()), image_(PanelWidth, PanelHeight, QImage::Format_RGB32) {
    // The rows between the strips are never drawn and stay black.
    image_.fill(Qt::black);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(pointers_.arrow);
    paintWholePanel();
}

QSize PanelWidget::sizeHint() const { return toWidget(QRect(0, 0, PanelWidth, PanelHeight)).size(); }

void PanelWidget::paintWholePanel() {
    PanelSurface surface(image_, resources_);
    paintPanel(surface, song_);
}

void PanelWidget::repaintPanel() {
    paintWholePanel();
    imageFresh_ = true;
    update();
}

void PanelWidget::repaintLamps() {
    PanelSurface surface(image_, resources_);
    drawLamps(surface, song_);
    showRedraw(surface.damage());
}

void PanelWidget::repaintTempo() {
    PanelSurface surface(image_, resources_);
    drawTempoShuffle(surface, song_);
    showRedraw(surface.damage());
}

// Panel pixel p covers widget pixels p * scale / dpr onwards: a whole number
// of device pixels per panel pixel.
QRect PanelWidget::toWidget(const QRect& panelRect) const {
    const qreal factor = panelScale() / devicePixelRatioF();
    const int left = static_cast<int>(std::floor(panelRect.left() * factor));
    const int top = static_cast<int>(std::floor(panelRect.top() * factor));
    const int right = static_cast<int>(std::ceil((panelRect.right() + 1) * factor));
    const int bottom = static_cast<int>(std::ceil((panelRect.bottom() + 1) * factor));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

QRect PanelWidget::toPanel(const QRect& widgetRect) const {
    const qreal factor = devicePixelRatioF() / panelScale();
    const int left = static_cast<int>(std::floor(widgetRect.left() * factor));
    const int top = static_cast<int>(std::floor(widgetRect.top() * factor));
    const int right = static_cast<int>(std::ceil((widgetRect.right() + 1) * factor));
    const int bottom = static_cast<int>(std::ceil((widgetRect.bottom() + 1) * factor));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void PanelWidget::paintEvent(QPaintEvent* event) {
    // A paint request from the window system draws the whole panel anew,
    // lamps included; a redraw of our own only shows what was drawn.
    if (!showingRedraw_ && !imageFresh_)
        paintWholePanel();
    imageFresh_ = false;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QRegion panelArea(toWidget(image_.rect()));
    const QRegion outside = event->region() - panelArea;
    for (const QRect& rect : outside)
        painter.fillRect(rect, Qt::black);
    const qreal factor = panelScale() / devicePixelRatioF();
    painter.scale(factor, factor);
    for (const QRect& rect : event->region() & panelArea) {
        const QRect source = toPanel(rect) & image_.rect();
        painter.drawImage(source.topLeft(), image_, source);
    }
}

void PanelWidget::showRedraw(const QRegion& region) {
    lastRedraw_ = region;
    if (region.isEmpty())
        return;
    QRegion widgetRegion;
    for (const QRect& rect : region)
        widgetRegion += toWidget(rect);
    showingRedraw_ = true;
    repaint(widgetRegion);
    showingRedraw_ = false;
}

// Panel pixel under the event. While the button is held Qt keeps sending
// events from outside the widget; those are held at the panel's edges.
QPoint PanelWidget::panelPoint(const QMouseEvent* event) const {
    const qreal factor = devicePixelRatioF() / panelScale();
    const QPointF pos = event->position();
    int x = std::max(0, static_cast<int>(std::floor(pos.x() * factor)));
    int y = std::max(0, static_cast<int>(std::floor(pos.y() * factor)));
    const QPoint widgetPixel(static_cast<int>(std::floor(pos.x())), static_cast<int>(std::floor(pos.y())));
    if (!rect().contains(widgetPixel)) {
        const QRect visible = toPanel(rect()) & image_.rect();
        x = std::clamp(x, 0, std::max(0, visible.right()));
        y = std::clamp(y, 0, std::max(0, visible.bottom()));
    }
    return {x, y};
}

void PanelWidget::mouseEdit(QMouseEvent* event, bool dragging) {
    const QPoint at = panelPoint(event);
    PanelInput input{song_, host_, drag_};
    PanelSurface surface(image_, resources_);
    handlePanelMouse(input, surface, at.x(), at.y(), dragging);
    showRedraw(surface.damage());
}

void PanelWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        mouseEdit(event, false);
}

// The press that completes a double click does not act; its release does.
void PanelWidget::mouseDoubleClickEvent(QMouseEvent*) {}

void PanelWidget::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        mouseEdit(event, true);
        return;
    }
    const QPoint at = panelPoint(event);
    const PanelPointer pointer = updatePanelCursor(song_, at.x(), at.y());
    if (pointer != pointer_) {
        pointer_ = pointer;
        setCursor(pointers_.shape(pointer));
    }
}

// Every release of the left button ends a knob drag, also one outside the
// window.
void PanelWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        endPanelDrag(song_, drag_);
}

}  // namespace tamboro
