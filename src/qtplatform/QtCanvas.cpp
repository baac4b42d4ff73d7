#include "qtplatform/QtCanvas.h"

#include <QGuiApplication>
#include <QPolygon>
#include <QStaticText>

#include <string>
#include <unordered_map>

#include "qtplatform/LineRaster.h"

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

// The image word of an opaque colour value, for the formats StrokePolyline serves.
uint32_t wordOf(ColourValue v) { return 0xFF000000u | (v & 0xFFu) << 16 | (v & 0xFF00u) | (v >> 16 & 0xFFu); }

bool directFormat(QImage::Format f) {
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied;
}

// Laid-out texts, kept across paints: waypoint identifiers, distance labels
// and the data field's labels come back on every paint, and laying a text out
// costs more than drawing it. Cleared whole when it grows large.
class TextCache {
public:
    const QStaticText& get(const std::string& text, const CanvasFont& font, bool oneBit, const QFont& qfont) {
        key_.assign(font.family).append(1, '\x1f').append(std::to_string(font.tenthsOfPoint)).append(oneBit ? "m" : "a");
        key_.append(1, '\x1f').append(text);
        auto it = texts_.find(key_);
        if (it != texts_.end()) return it->second;
        if (texts_.size() >= kLimit) texts_.clear();
        QStaticText st(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        st.setTextFormat(Qt::PlainText);
        st.setPerformanceHint(QStaticText::AggressiveCaching);
        st.prepare(QTransform(), qfont);
        return texts_.emplace(key_, std::move(st)).first->second;
    }

private:
    static constexpr size_t kLimit = 4096;
    std::string key_;
    std::unordered_map<std::string, QStaticText> texts_;
};

TextCache& textCache() {
    thread_local TextCache cache;
    return cache;
}

}  // namespace

// The pixels are taken before the painter begins, so that both work on the same
// (detached) image data.
QtCanvas::QtCanvas(QImage& target)
    : image_(target),
      bits_(directFormat(target.format()) ? reinterpret_cast<uint32_t*>(target.bits()) : nullptr),
      painter_(&target) {
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

bool QtCanvas::stroke(std::span<const CanvasPoint> points, int dx, int dy, ColourValue colour, int width,
                      const QRect& clip) {
    if (!bits_ || width > kMaxRasterWidth) return false;
    const QRect r = clip.intersected(image_.rect());
    if (r.isEmpty()) return true;
    const PixelTarget target{bits_, image_.bytesPerLine() / 4, r.left(), r.top(), r.right() + 1, r.bottom() + 1};
    StrokePolyline(target, points, dx, dy, wordOf(colour), std::max(width, 1));
    return true;
}

void QtCanvas::polyline(std::span<const CanvasPoint> points, ColourValue colour, int width) {
    if (points.size() < 2) return;
    if (stroke(points, 0, 0, colour, width, image_.rect())) return;
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

void QtCanvas::drawText(int x, int y, const std::string& text, const CanvasFont& font, bool oneBit) {
    if (!fontSet_ || !(font == font_) || oneBit != oneBit_) {
        qfont_ = fontOf(font);
        if (oneBit) qfont_.setStyleStrategy(QFont::NoAntialias);
        painter_.setFont(qfont_);
        font_ = font;
        oneBit_ = oneBit;
        fontSet_ = true;
    }
    painter_.setPen(Qt::black);
    if (text.find('\n') != std::string::npos) {
        painter_.drawText(QRect(x, y, 4096, 256), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                          QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        return;
    }
    painter_.drawStaticText(QPoint(x, y), textCache().get(text, font, oneBit, qfont_));
}

void QtCanvas::text(int x, int y, const std::string& text, const CanvasFont& font) { drawText(x, y, text, font, false); }

void QtCanvas::restoreCursorBackground() {
    if (!saved_.isNull()) painter_.drawImage(savedAt_, saved_);
}

void QtCanvas::saveCursorBackground(int x, int y) {
    saved_ = image_.copy(x, y, 32, 32);
    savedAt_ = QPoint(x, y);
}

void QtCanvas::discardCursorBackground() { saved_ = QImage(); }

// The strip is one bit a pixel: white, with black text that is not
// anti-aliased and black lines. It is composed in place over its area, which
// it covers whole, so nothing of what was there shows through.
bool QtCanvas::blitStrip(const MonoStrip& strip, int x, int y) {
    if (strip.width <= 0 || strip.height <= 0) return false;
    const QRect area(x, y, strip.width, strip.height);
    painter_.fillRect(area, Qt::white);
    painter_.setClipRect(area);
    painter_.setRenderHint(QPainter::TextAntialiasing, false);
    for (const MonoStrip::Text& t : strip.texts) drawText(x + t.x, y + t.y, t.text, t.font, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    for (const MonoStrip::Line& l : strip.lines) {
        if (l.points.size() < 2 || stroke(l.points, x, y, kBlackValue, l.width, area)) continue;
        painter_.setPen(penOf(kBlackValue, l.width));
        painter_.drawPolyline(polygonOf(l.points).translated(x, y));
    }
    painter_.setClipping(false);
    return true;
}

}  // namespace korvance
