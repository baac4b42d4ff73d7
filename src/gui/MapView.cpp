#include "gui/MapView.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace korvance {

MapView::MapView(MapSet& maps, UserPrompt& prompt, QWidget* parent) : QWidget(parent), maps_(maps), prompt_(prompt) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120);
}

void MapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const RasterImage& w = maps_.window();
    const int sx = maps_.blank() ? 0 : maps_.originX(), sy = maps_.blank() ? 0 : maps_.originY();
    painter.fillRect(rect(), Qt::white);
    if (w.pixels.empty()) return;
    // The window's words are 0x00RRGGBB: RGB32 reads them without a copy.
    const QImage image(reinterpret_cast<const uchar*>(w.pixels.data()), w.width, w.height, w.width * 4,
                       QImage::Format_RGB32);
    const QRect source(sx, sy, width(), height());
    const QRect visible = source.intersected(image.rect());
    if (visible.isEmpty()) return;
    painter.drawImage(visible.topLeft() - QPoint(sx, sy), image, visible);
}

void MapView::scrollBy(int dx, int dy) {
    const ClientRect client = clientRect();
    maps_.SetScrollOrigin(maps_.originX() - dx, maps_.originY() - dy, client);
    if (maps_.hasMap() && !maps_.ViewInsideWindow(client)) {
        const int t = maps_.RecentreTarget(maps_.SlotAtViewCentre(client));
        if (t != -1) {
            WaitCursor wait(prompt_);
            maps_.LoadWindow(t, prompt_);
        }
    }
    update();
}

bool MapView::centreOn(double latitude, double longitude) {
    const int ok = maps_.CentreOn(clientRect(), latitude, longitude, -999, prompt_);
    update();
    return ok == 1;
}

void MapView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = true;
    lastPen_ = event->position().toPoint();
}

void MapView::dragTo(const QPoint& p, Qt::KeyboardModifiers modifiers) {
    int dx = p.x() - lastPen_.x(), dy = p.y() - lastPen_.y();
    if (shiftMode_ || (modifiers & Qt::ShiftModifier)) dx *= 5, dy *= 5;
    lastPen_ = p;
    scrollBy(dx, dy);
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton) || (event->modifiers() & Qt::ControlModifier)) return;
    dragTo(event->position().toPoint(), event->modifiers());
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    if (!(event->modifiers() & Qt::ControlModifier)) dragTo(event->position().toPoint(), event->modifiers());
    dragging_ = false;
    lastPen_ = {-9999, -9999};
}

}  // namespace korvance
