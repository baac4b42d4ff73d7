#pragma once
// The view's Canvas drawn with QPainter on a QImage: the GUI's view widget
// paints into one and shows it, `korvance-cli render` writes it to a PNG.
// Lines are drawn without anti-aliasing, so pixels land where the view's
// geometry puts them; text is the platform's.

#include <QImage>
#include <QPainter>

#include "view/Canvas.h"

namespace korvance {

struct PixelTarget;

class QtCanvas : public Canvas {
public:
    explicit QtCanvas(QImage& target);
    ~QtCanvas() override;

    void blitImage(const RasterImage& image, int sourceX, int sourceY, int left, int top, int right,
                   int bottom) override;
    void polyline(std::span<const CanvasPoint> points, ColourValue colour, int width) override;
    void polygon(std::span<const CanvasPoint> points, ColourValue outline, int width, ColourValue fill) override;
    void fillRect(int left, int top, int right, int bottom, ColourValue colour) override;
    void text(int x, int y, const std::string& text, const CanvasFont& font) override;
    void restoreCursorBackground() override;
    void saveCursorBackground(int x, int y) override;
    void discardCursorBackground() override;
    bool blitStrip(const MonoStrip& strip, int x, int y) override;

    static QColor colourOf(ColourValue v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }
    static QFont fontOf(const CanvasFont& font);

private:
    // The image's pixels inside `clip` (and the image).
    PixelTarget pixelsIn(const QRect& clip) const;
    // Every pen but the text's is set here, so that textPen_ always tells
    // whether the painter's pen is the text's.
    void shapePen(const QPen& pen);
    // Draws with StrokePolyline into the image inside `clip`; false when the
    // image's format or the width needs QPainter.
    bool stroke(std::span<const CanvasPoint> points, int dx, int dy, ColourValue colour, int width, const QRect& clip);
    // A text with its top-left corner at (x, y); a one-bit text drawn from its
    // kept pixels is cut at `clip` as the painter's clip cuts the others.
    void drawText(int x, int y, const std::string& text, const CanvasFont& font, bool oneBit, const QRect& clip);
    // Makes `font` the painter's (and qfont_ and ascent_ its) unless it is already.
    void useFont(const CanvasFont& font, bool oneBit);

    QImage& image_;
    uint32_t* bits_;
    QPainter painter_;
    bool fontSet_ = false, oneBit_ = false;
    bool textPen_ = false;  // the painter's pen is the text's black
    CanvasFont font_;
    QFont qfont_;
    int ascent_ = 0;  // of qfont_
    QImage saved_;
    QPoint savedAt_;
};

}  // namespace korvance
