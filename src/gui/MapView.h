#pragma once
// The map painting and drag scrolling of the view: paints the visible part of
// the document's tile window and scrolls it with the pen, re-centring the
// window on the tile under the view centre when the view reaches its edge.
// The main window's view embeds this widget (or derives from it) and adds its
// overlays and commands.

#include <QWidget>

#include "maps/MapSet.h"
#include "platform/UserPrompt.h"

namespace korvance {

class MapView : public QWidget {
public:
    MapView(MapSet& maps, UserPrompt& prompt, QWidget* parent = nullptr);

    ClientRect clientRect() const { return ClientRect{0, 0, width(), height()}; }
    // Scrolls by a pen movement (the map follows the pen) and re-centres the window when needed.
    void scrollBy(int dx, int dy);
    // Puts a position at the view centre (no look-ahead).
    bool centreOn(double latitude, double longitude);
    bool dragging() const { return dragging_; }
    // Shift held: a drag scrolls five times the pen movement.
    void setShiftMode(bool on) { shiftMode_ = on; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void dragTo(const QPoint& p, Qt::KeyboardModifiers modifiers);

    MapSet& maps_;
    UserPrompt& prompt_;
    bool dragging_ = false;
    bool shiftMode_ = false;
    QPoint lastPen_{-9999, -9999};
};

}  // namespace korvance
