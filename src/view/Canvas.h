#pragma once
// What the view's paint routine draws on: the few primitives it needs and no
// more. The GUI and the CLI draw with QPainter (gui/QtCanvas); tests record
// every primitive with its exact points, colours and widths (view/testing).
//
// Colours are colour values as the settings hold them: 0x00BBGGRR (red in the
// low byte).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "maps/MapImage.h"

namespace korvance {

using ColourValue = uint32_t;
inline constexpr ColourValue kRedValue = 0x0000FF;
inline constexpr ColourValue kWhiteValue = 0xFFFFFF;
inline constexpr ColourValue kBlackValue = 0x000000;

struct CanvasPoint {
    int x = 0, y = 0;
    bool operator==(const CanvasPoint&) const = default;
};

// A font request: an empty family is the platform's default face at its
// default size. Sizes are in tenths of a point.
struct CanvasFont {
    std::string family;
    int tenthsOfPoint = 0;
    bool operator==(const CanvasFont&) const = default;
};

// The face used for all text of a paint when the receiver character set is the
// Japanese one; Debian ships it in fonts-noto-cjk.
inline const CanvasFont kJapaneseFont{"Noto Sans CJK JP", 90};

// A one-bit strip composed off-screen and copied to the canvas at once: white,
// with black text and black lines.
struct MonoStrip {
    struct Text {
        int x = 0, y = 0;
        std::string text;  // UTF-8
        CanvasFont font;
    };
    struct Line {
        std::vector<CanvasPoint> points;
        int width = 1;
    };
    int width = 0, height = 0;
    std::vector<Text> texts;
    std::vector<Line> lines;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    // Copies `image` from (sourceX, sourceY) into the rectangle (right and bottom
    // exclusive); what lies outside the image stays white.
    virtual void blitImage(const RasterImage& image, int sourceX, int sourceY, int left, int top, int right,
                           int bottom) = 0;
    virtual void polyline(std::span<const CanvasPoint> points, ColourValue colour, int width) = 0;
    // A closed polygon outlined with the pen and filled with `fill`.
    virtual void polygon(std::span<const CanvasPoint> points, ColourValue outline, int width, ColourValue fill) = 0;
    // Right and bottom exclusive.
    virtual void fillRect(int left, int top, int right, int bottom, ColourValue colour) = 0;
    // Text with its top-left at (x, y), black, no background.
    virtual void text(int x, int y, const std::string& text, const CanvasFont& font) = 0;
    // The 32 x 32 area under the position cursor: restore puts the saved pixels
    // back (nothing when none are saved), save keeps the area at (x, y), discard
    // forgets it.
    virtual void restoreCursorBackground() = 0;
    virtual void saveCursorBackground(int x, int y) = 0;
    virtual void discardCursorBackground() = 0;
    // Copies the strip with its top-left at (x, y). False when it could not be made.
    virtual bool blitStrip(const MonoStrip& strip, int x, int y) = 0;
};

}  // namespace korvance
