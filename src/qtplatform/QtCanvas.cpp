#include "qtplatform/QtCanvas.h"

#include <QGuiApplication>
#include <QPolygon>

namespace korvance {

namespace {

QPolygon polygonOf(std::span<const CanvasPoint> points) {
    QPolygon p;
    p.reserve(static_cast<int>(points.size()));
    for (const CanvasPoint& c : points) p.append(QPoint(c.x, c.y));
    return p;
}

QPen penOf(ColourValue colour, int width) {
    return QPen(QtCanvas::colourOf(colour), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawTextAt(QPainter& painter, int x, int y, const std::string& text, const CanvasFont& font,
                bool oneBit = false) {
    QFont f = QtCanvas::fontOf(font);
    if (oneBit) f.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(f);
    painter.setPen(Qt::black);
    painter.drawText(QRect(x, y, 4096, 256), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                     QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace

QtCanvas::QtCanvas(QImage& target) : image_(target), painter_(&target) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
}

QtCanvas::~QtCanvas() = default;

QFont QtCanvas::fontOf(const CanvasFont& font) {
    QFont f = QGuiApplication::font();
    if (!font.family.empty()) f.setFamily(QString::fromStdString(font.family));
    if (font.tenthsOfPoint > 0) f.setPointSizeF(font.tenthsOfPoint / 10.0);
    return f;
}

void QtCanvas::blitImage(const RasterImage& image, int sourceX, int sourceY, int left, int top, int right,
                         int bottom) {
    const QRect target(left, top, right - left, bottom - top);
    painter_.fillRect(target, Qt::white);
    if (image.pixels.empty()) return;
    // The window's words are 0x00RRGGBB: RGB32 reads them without a copy.
    const QImage source(reinterpret_cast<const uchar*>(image.pixels.data()), image.width, image.height,
                        image.width * 4, QImage::Format_RGB32);
    const QRect wanted(sourceX, sourceY, target.width(), target.height());
    const QRect visible = wanted.intersected(source.rect());
    if (visible.isEmpty()) return;
    painter_.drawImage(visible.topLeft() - QPoint(sourceX, sourceY) + target.topLeft(), source, visible);
}

void QtCanvas::polyline(std::span<const CanvasPoint> points, ColourValue colour, int width) {
    if (points.size() < 2) return;
    painter_.setPen(penOf(colour, width));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawPolyline(polygonOf(points));
}

void QtCanvas::polygon(std::span<const CanvasPoint> points, ColourValue outline, int width, ColourValue fill) {
    painter_.setPen(penOf(outline, width));
    painter_.setBrush(colourOf(fill));
    painter_.drawPolygon(polygonOf(points));
    painter_.setBrush(Qt::NoBrush);
}

void QtCanvas::fillRect(int left, int top, int right, int bottom, ColourValue colour) {
    painter_.fillRect(QRect(left, top, right - left, bottom - top), colourOf(colour));
}

void QtCanvas::text(int x, int y, const std::string& text, const CanvasFont& font) {
    drawTextAt(painter_, x, y, text, font);
}

void QtCanvas::restoreCursorBackground() {
    if (!saved_.isNull()) painter_.drawImage(savedAt_, saved_);
}

void QtCanvas::saveCursorBackground(int x, int y) {
    saved_ = image_.copy(x, y, 32, 32);
    savedAt_ = QPoint(x, y);
}

void QtCanvas::discardCursorBackground() { saved_ = QImage(); }

bool QtCanvas::blitStrip(const MonoStrip& strip, int x, int y) {
    if (strip.width <= 0 || strip.height <= 0) return false;
    QImage work(strip.width, strip.height, QImage::Format_RGB32);
    if (work.isNull()) return false;
    work.fill(Qt::white);
    {
        QPainter p(&work);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        for (const MonoStrip::Text& t : strip.texts) drawTextAt(p, t.x, t.y, t.text, t.font, true);
        for (const MonoStrip::Line& l : strip.lines) {
            p.setPen(penOf(kBlackValue, l.width));
            p.drawPolyline(polygonOf(l.points));
        }
    }
    // Black on white without antialiasing: the strip holds one bit a pixel
    // already, so it is copied as it is (a conversion to a mono image cost
    // more than the rest of the paint and cut thin strokes of small text).
    painter_.drawImage(QPoint(x, y), work);
    return true;
}

}  // namespace korvance
