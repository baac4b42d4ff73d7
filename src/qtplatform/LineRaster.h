#pragma once
// Solid, opaque polylines of a whole-pixel width written straight into 32-bit
// pixels. QPainter outlines every vertex of a thick line (round joins become
// curves) before it fills anything, which made a long track cost thirty times
// the copy of the map under it; here each segment is one run of short spans
// across its main direction, and a disc of the pen's width at every vertex
// gives the round caps and joins. Lines are not anti-aliased, as the view's
// lines are not.

#include <cstddef>
#include <cstdint>
#include <span>

#include "view/Canvas.h"

namespace korvance {

struct PixelTarget {
    uint32_t* bits = nullptr;
    std::ptrdiff_t wordsPerLine = 0;
    // Only pixels inside this rectangle are written (right and bottom exclusive).
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Widths from 1 to kMaxRasterWidth; the caller draws wider pens otherwise.
inline constexpr int kMaxRasterWidth = 16;

// Steps to a neighbouring pixel take a shortcut that draws the same pixels as
// the general segment; General turns it off (tests compare the two).
enum class StepPath { Shortcut, General };

// Draws the polyline through `points`, each moved by (dx, dy), with `pixel`
// as the word written. Consecutive equal points are drawn once.
void StrokePolyline(const PixelTarget& target, std::span<const CanvasPoint> points, int dx, int dy, uint32_t pixel,
                    int width, StepPath steps = StepPath::Shortcut);

}  // namespace korvance
