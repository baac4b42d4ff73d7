#include "qtplatform/QtCanvas.h"

#include <QGuiApplication>
#include <QFontMetrics>
#include <QPolygon>
#include <QStaticText>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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
// once for drawing it many times is cheaper than laying it out at each. A text
// is kept from the second time it is drawn: the status line and the data
// field's figures change at every tick, and preparing them for reuse would only
// cost. Cleared whole when it grows large.
//
// A one-bit text is kept as the runs of pixels it sets, found by drawing it
// once into a white image: drawing it again is filling those runs, with none
// of the painter's work per glyph.
class TextCache {
public:
    struct Run {
        int dy, dx0, dx1;  // row and columns [dx0, dx1) from the text's top-left corner
        uint32_t pixel;
    };
    struct Entry {
        QStaticText laidOut;
        std::vector<Run> runs;  // one-bit texts only
    };

    // The kept text, or null the first time it is asked for; `qfontOf()` gives
    // the font, asked for only when the text is laid out.
    template <typename FontOf>
    const Entry* get(const std::string& text, const CanvasFont& font, bool oneBit, FontOf&& qfontOf) {
        key_.assign(font.family).append(1, '\x1f');
        key_.append(reinterpret_cast<const char*>(&font.tenthsOfPoint), sizeof font.tenthsOfPoint);
        key_.append(oneBit ? "m" : "a").append(text);
        auto it = texts_.find(key_);
        if (it != texts_.end()) return &it->second;
        if (seenOnce_.insert(key_).second) {
            if (seenOnce_.size() >= kLimit) seenOnce_.clear();
            return nullptr;
        }
        if (texts_.size() >= kLimit) texts_.clear();
        Entry e;
        const QFont& qfont = qfontOf();
        const QString q = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        e.laidOut = QStaticText(q);
        e.laidOut.setTextFormat(Qt::PlainText);
        e.laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
        e.laidOut.prepare(QTransform(), qfont);
        if (oneBit) e.runs = runsOf(e.laidOut, q, qfont);
        return &texts_.emplace(key_, std::move(e)).first->second;
    }

private:
    static std::vector<Run> runsOf(const QStaticText& laidOut, const QString& text, const QFont& font) {
        const QFontMetrics metrics(font);
        // A margin of a line's height on every side holds whatever a glyph draws
        // outside its advance.
        const int pad = metrics.height();
        QImage image(metrics.horizontalAdvance(text) + 2 * pad, 3 * pad, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            p.setFont(font);
            p.setPen(Qt::black);
            p.setRenderHint(QPainter::TextAntialiasing, false);
            p.drawStaticText(QPoint(pad, pad), laidOut);
        }
        const uint32_t white = QColor(Qt::white).rgb();
        std::vector<Run> runs;
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
            for (int x = 0; x < image.width();) {
                if (row[x] == white) {
                    ++x;
                    continue;
                }
                const int start = x;
                while (x < image.width() && row[x] == row[start]) ++x;
                runs.push_back({y - pad, start - pad, x - pad, row[start]});
            }
        }
        return runs;
    }

    static constexpr size_t kLimit = 4096;
    std::string key_;
    std::unordered_map<std::string, Entry> texts_;
    std::unordered_set<std::string> seenOnce_;
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

void QtCanvas::shapePen(const QPen& pen) {
    painter_.setPen(pen);
    textPen_ = false;
}

PixelTarget QtCanvas::pixelsIn(const QRect& clip) const {
    const QRect r = clip.intersected(image_.rect());
    return {bits_, image_.bytesPerLine() / 4, r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

bool QtCanvas::stroke(std::span<const CanvasPoint> points, int dx, int dy, ColourValue colour, int width,
                      const QRect& clip) {
    if (!bits_ || width > kMaxRasterWidth) return false;
    const PixelTarget target = pixelsIn(clip);
    if (target.left >= target.right || target.top >= target.bottom) return true;
    StrokePolyline(target, points, dx, dy, wordOf(colour), std::max(width, 1));
    return true;
}

void QtCanvas::polyline(std::span<const CanvasPoint> points, ColourValue colour, int width) {
    if (points.size() < 2) return;
    if (stroke(points, 0, 0, colour, width, image_.rect())) return;
    shapePen(penOf(colour, width));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawPolyline(polygonOf(points));
}

void QtCanvas::polygon(std::span<const CanvasPoint> points, ColourValue outline, int width, ColourValue fill) {
    if (points.empty()) return;
    // The inside through the painter, the outline as a closed polyline over it.
    shapePen(Qt::NoPen);
    painter_.setBrush(colourOf(fill));
    painter_.drawPolygon(polygonOf(points));
    painter_.setBrush(Qt::NoBrush);
    std::vector<CanvasPoint> closed(points.begin(), points.end());
    if (!(closed.back() == closed.front())) closed.push_back(closed.front());
    polyline(closed, outline, width);
}

void QtCanvas::fillRect(int left, int top, int right, int bottom, ColourValue colour) {
    painter_.fillRect(QRect(left, top, right - left, bottom - top), colourOf(colour));
}

void QtCanvas::useFont(const CanvasFont& font, bool oneBit) {
    if (fontSet_ && font == font_ && oneBit == oneBit_) return;
    qfont_ = fontOf(font);
    if (oneBit) qfont_.setStyleStrategy(QFont::NoAntialias);
    painter_.setFont(qfont_);
    ascent_ = QFontMetrics(qfont_).ascent();
    font_ = font;
    oneBit_ = oneBit;
    fontSet_ = true;
}

void QtCanvas::drawText(int x, int y, const std::string& text, const CanvasFont& font, bool oneBit,
                        const QRect& clip) {
    const auto q = [&] { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); };
    if (!textPen_) {
        painter_.setPen(Qt::black);
        textPen_ = true;
    }
    if (text.find('\n') != std::string::npos) {
        useFont(font, oneBit);
        painter_.drawText(QRect(x, y, 4096, 256), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, q());
        return;
    }
    const TextCache::Entry* kept = textCache().get(text, font, oneBit, [&]() -> const QFont& {
        useFont(font, oneBit);
        return qfont_;
    });
    if (kept && oneBit && bits_) {
        const PixelTarget t = pixelsIn(clip);
        for (const TextCache::Run& run : kept->runs) {
            const int row = y + run.dy;
            if (row < t.top || row >= t.bottom) continue;
            const int from = std::max(x + run.dx0, t.left), to = std::min(x + run.dx1, t.right);
            if (from < to) std::fill(t.bits + row * t.wordsPerLine + from, t.bits + row * t.wordsPerLine + to, run.pixel);
        }
        return;
    }
    useFont(font, oneBit);
    if (kept) {
        painter_.drawStaticText(QPoint(x, y), kept->laidOut);
        return;
    }
    // A text's top at y, as a laid-out text is placed.
    painter_.drawText(QPoint(x, y + ascent_), q());
}

void QtCanvas::text(int x, int y, const std::string& text, const CanvasFont& font) {
    drawText(x, y, text, font, false, image_.rect());
}

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
    for (const MonoStrip::Text& t : strip.texts) drawText(x + t.x, y + t.y, t.text, t.font, true, area);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    for (const MonoStrip::Line& l : strip.lines) {
        if (l.points.size() < 2 || stroke(l.points, x, y, kBlackValue, l.width, area)) continue;
        shapePen(penOf(kBlackValue, l.width));
        painter_.drawPolyline(polygonOf(l.points).translated(x, y));
    }
    painter_.setClipping(false);
    return true;
}

}  // namespace korvance
