#include "qtplatform/LineRaster.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace korvance {

namespace {

// The disc of a pen `width` pixels wide: for each row from -(width - 1) / 2 to
// width / 2, the first and last column of the pixels whose centres lie within
// half the width of the pen's centre (between four pixels for even widths).
struct Disc {
    explicit Disc(int width) : first(-(width - 1) / 2), rows(width) {
        const double off = width % 2 ? 0.0 : 0.5, r2 = width * width / 4.0;
        for (int i = 0; i < rows; ++i) {
            const double y = first + i - off;
            int lo = 0;
            while (lo > first && (lo - 1 - off) * (lo - 1 - off) + y * y <= r2) --lo;
            int hi = 0;
            while (hi < first + width - 1 && (hi + 1 - off) * (hi + 1 - off) + y * y <= r2) ++hi;
            span[i] = {lo, hi};
        }
    }
    int first, rows;
    std::pair<int, int> span[kMaxRasterWidth];
};

// Pixels across a segment of `run` along its main axis and `rise` across it,
// so slanted lines keep the pen's width.
int crossLength(int width, double run, double rise) {
    return std::max(1, static_cast<int>(std::floor(width * std::hypot(run, rise) / run + 0.5)));
}

class Stroker {
public:
    Stroker(const PixelTarget& t, uint32_t pixel, int width)
        : t_(t), pixel_(pixel), width_(width), disc_(width), axial_(crossLength(width, 1, 0)),
          diagonal_(crossLength(width, 1, 1)) {}

    // A step to one of the eight neighbouring pixels, well inside the target:
    // what segment() draws for it, without its clipping and slope arithmetic
    // (a dense track is mostly such steps). False when it is not such a step.
    bool neighbourStep(int64_t ax, int64_t ay, int64_t bx, int64_t by) {
        const int64_t dx = bx - ax, dy = by - ay;
        if (dx < -1 || dx > 1 || dy < -1 || dy > 1) return false;
        constexpr int kMargin = 2 * kMaxRasterWidth;
        const auto well = [&](int64_t x, int64_t y) {
            return x >= t_.left + kMargin && x < t_.right - kMargin && y >= t_.top + kMargin && y < t_.bottom - kMargin;
        };
        if (!well(ax, ay) || !well(bx, by)) return false;
        const int x0 = static_cast<int>(std::min(ax, bx)), y0 = static_cast<int>(std::min(ay, by));
        if (dy == 0) {
            fill(x0, x0 + 1, static_cast<int>(ay) - (axial_ - 1) / 2, axial_, false);
        } else if (dx == 0) {
            fill(y0, y0, static_cast<int>(ax) - (axial_ - 1) / 2, axial_, true);
            fill(y0 + 1, y0 + 1, static_cast<int>(ax) - (axial_ - 1) / 2, axial_, true);
        } else {
            if (dx < 0) {
                std::swap(ax, bx);
                std::swap(ay, by);
            }
            fill(static_cast<int>(ax), static_cast<int>(ax), static_cast<int>(ay) - (diagonal_ - 1) / 2, diagonal_, false);
            fill(static_cast<int>(bx), static_cast<int>(bx), static_cast<int>(by) - (diagonal_ - 1) / 2, diagonal_, false);
        }
        return true;
    }

    void dot(double px, double py) {
        if (px < t_.left - width_ || px >= t_.right + width_ || py < t_.top - width_ || py >= t_.bottom + width_) return;
        const int x = static_cast<int>(px), y = static_cast<int>(py);
        for (int i = 0; i < disc_.rows; ++i) {
            const int row = y + disc_.first + i;
            if (row < t_.top || row >= t_.bottom) continue;
            const int a = std::max(x + disc_.span[i].first, t_.left), b = std::min(x + disc_.span[i].second, t_.right - 1);
            if (a <= b) std::fill(t_.bits + row * t_.wordsPerLine + a, t_.bits + row * t_.wordsPerLine + b + 1, pixel_);
        }
    }

    // One segment as spans across its main axis, each as long as the pen is
    // wide measured across the segment, so slanted lines keep their width.
    void segment(double ax, double ay, double bx, double by) {
        const bool steep = std::abs(by - ay) > std::abs(bx - ax);
        if (steep) {
            std::swap(ax, ay);
            std::swap(bx, by);
        }
        if (ax > bx) {
            std::swap(ax, bx);
            std::swap(ay, by);
        }
        const double run = bx - ax;
        if (run == 0) return;
        const double k = (by - ay) / run;
        const int length = crossLength(width_, run, by - ay);
        const int lo = -(length - 1) / 2;
        // Main-axis and cross-axis limits of the target, in the segment's frame.
        const int majorLo = steep ? t_.top : t_.left, majorHi = steep ? t_.bottom : t_.right;
        const int minorLo = steep ? t_.left : t_.top, minorHi = steep ? t_.right : t_.bottom;
        double m0 = std::max(ax, static_cast<double>(majorLo)), m1 = std::min(bx, static_cast<double>(majorHi - 1));
        const double c0 = minorLo - length, c1 = minorHi + length;
        if (k == 0) {
            if (ay < c0 || ay > c1) return;
        } else {
            double e0 = ax + (c0 - ay) / k, e1 = ax + (c1 - ay) / k;
            if (e0 > e1) std::swap(e0, e1);
            m0 = std::max(m0, e0);
            m1 = std::min(m1, e1);
        }
        if (!(m0 <= m1)) return;
        const int first = static_cast<int>(std::ceil(m0)), last = static_cast<int>(std::floor(m1));
        if (first > last) return;
        // The cross-axis position in 32.32 fixed point: the shift floors it.
        constexpr double kOne = 4294967296.0;
        int64_t c = static_cast<int64_t>(std::floor((ay + (first - ax) * k + 0.5) * kOne));
        const int64_t step = static_cast<int64_t>(k * kOne);
        if (steep) {
            for (int m = first; m <= last; ++m, c += step) fill(m, m, static_cast<int>(c >> 32) + lo, length, true);
            return;
        }
        // A shallow line fills its rows in runs: the columns that share one
        // centre row at a time.
        int runStart = first, runRow = static_cast<int>(c >> 32);
        for (int m = first; m <= last; ++m, c += step) {
            const int row = static_cast<int>(c >> 32);
            if (row == runRow) continue;
            fill(runStart, m - 1, runRow + lo, length, false);
            runStart = m;
            runRow = row;
        }
        fill(runStart, last, runRow + lo, length, false);
    }

private:
    // The pixels from `from` to `from + length - 1` across the main axis, at
    // main-axis positions m0 to m1 (rows of a steep line, columns otherwise).
    void fill(int m0, int m1, int from, int length, bool steep) {
        if (steep) {
            const int a = std::max(from, t_.left), b = std::min(from + length - 1, t_.right - 1);
            if (a <= b) std::fill(t_.bits + m0 * t_.wordsPerLine + a, t_.bits + m0 * t_.wordsPerLine + b + 1, pixel_);
            return;
        }
        const int a = std::max(from, t_.top), b = std::min(from + length - 1, t_.bottom - 1);
        for (int row = a; row <= b; ++row)
            std::fill(t_.bits + row * t_.wordsPerLine + m0, t_.bits + row * t_.wordsPerLine + m1 + 1, pixel_);
    }

    const PixelTarget& t_;
    uint32_t pixel_;
    int width_;
    Disc disc_;
    int axial_, diagonal_;  // crossLength of a step along an axis and of a diagonal step
};

}  // namespace

void StrokePolyline(const PixelTarget& target, std::span<const CanvasPoint> points, int dx, int dy, uint32_t pixel,
                    int width, StepPath steps) {
    if (points.empty() || width < 1 || width > kMaxRasterWidth) return;
    Stroker stroker(target, pixel, width);
    double px = static_cast<double>(points[0].x) + dx, py = static_cast<double>(points[0].y) + dy;
    stroker.dot(px, py);
    // The disc at a vertex is needed only where the line turns: spans of two
    // segments meeting nearly straight leave no notch a pixel wide (under
    // about 11 degrees, half of a 5-pixel pen turns by less than half a pixel).
    double ux = 0, uy = 0;
    bool pending = false;  // a vertex whose disc waits for the next segment's direction
    for (size_t i = 1; i < points.size(); ++i) {
        if (points[i] == points[i - 1]) continue;
        const double x = static_cast<double>(points[i].x) + dx, y = static_cast<double>(points[i].y) + dy;
        const double vx = x - px, vy = y - py;
        if (pending) {
            const double cross = ux * vy - uy * vx, along = ux * vx + uy * vy;
            if (along <= 0 || cross * cross > 0.04 * (ux * ux + uy * uy) * (vx * vx + vy * vy)) stroker.dot(px, py);
        }
        if (steps == StepPath::General || !stroker.neighbourStep(static_cast<int64_t>(px), static_cast<int64_t>(py),
                                                                 static_cast<int64_t>(x), static_cast<int64_t>(y)))
            stroker.segment(px, py, x, y);
        pending = width > 1;
        ux = vx;
        uy = vy;
        px = x;
        py = y;
    }
    if (pending) stroker.dot(px, py);
}

}  // namespace korvance
