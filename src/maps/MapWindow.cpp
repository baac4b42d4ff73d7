// The tile window: (2h + 1) x (2v + 1) tiles around a centre tile, 3 x 3 on a
// view at most two tiles across and more on a wider view. Loading and shifting
// tiles, the blank window without a map, and copying the window into the view.
#include "maps/MapSet.h"

#include <algorithm>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <new>

#include "files/FileReport.h"

namespace korvance {

namespace {

// Slots on each side of the centre for a view `view` pixels across, tiles `tile`
// pixels across and a map `tiles` tiles across. With view / (2 x tile) + 1 the
// view's middle reaches a neighbouring slot before the view meets the window's edge,
// and after each re-centring the view lies inside the window. Never more than the
// map needs (a window of 2 (tiles / 2) + 1 slots covers the whole map), never below 1.
int halfSlots(int view, int tile, int tiles) {
    const int wanted = view > 0 ? view / (2 * tile) + 1 : 1;
    return std::max(1, std::min(wanted, tiles / 2));
}

// The centre columns (or rows) on a map of n tiles with h slots each side: far enough
// from the edges that every slot holds a tile; on a map narrower than the window,
// where the window covers the map whole.
void centreRange(int n, int h, int& lo, int& hi) {
    lo = std::max(0, std::min(h, n - 1 - h));
    hi = std::min(n - 1, std::max(h, n - 1 - h));
}

int sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

MapSet::MapSet() { MakeBlank(); }

void MapSet::setScreenSize(int width, int height) {
    screenWidth_ = std::max(1, std::min(width, kMaxImageSide));
    screenHeight_ = std::max(1, std::min(height, kMaxImageSide));
    MakeBlank();
}

void MapSet::MakeBlank() {
    blank_.reset(screenWidth_, screenHeight_, kWhite);
    ++windowChanges_;
}

void MapSet::chooseLayout() {
    const int tw = info_.tileWidth, th = info_.tileHeight;
    halfColumns_ = halfSlots(viewWidth_, tw, info_.columns);
    halfRows_ = halfSlots(viewHeight_, th, info_.rows);
    // The window is an image like any other: held to the image limits, shrinking the
    // longer side first; 3 x 3 always fits (tiles are at most 2048 pixels a side).
    auto fits = [&] {
        const int64_t w = static_cast<int64_t>(2 * halfColumns_ + 1) * tw;
        const int64_t h = static_cast<int64_t>(2 * halfRows_ + 1) * th;
        return w <= kMaxImageSide && h <= kMaxImageSide && w * h <= kMaxImagePixels;
    };
    while (!fits() && (halfColumns_ > 1 || halfRows_ > 1)) {
        if (halfRows_ == 1 || (halfColumns_ > 1 && halfColumns_ * tw >= halfRows_ * th)) --halfColumns_;
        else --halfRows_;
    }
    windowWidth_ = (2 * halfColumns_ + 1) * tw;
    windowHeight_ = (2 * halfRows_ + 1) * th;
}

void MapSet::resetWindow() {
    chooseLayout();
    originX_ = originY_ = 0;
    centreTile_ = previousCentre_ = -1;
    lastCentre_ = {-1, -1};
}

void MapSet::setViewSize(int width, int height, UserPrompt& prompt) {
    viewWidth_ = std::clamp(width, 0, kMaxImageSide);
    viewHeight_ = std::clamp(height, 0, kMaxImageSide);
    if (!hasMap()) return;
    const int h = halfColumns_, v = halfRows_;
    chooseLayout();
    if (h == halfColumns_ && v == halfRows_) return;
    window_ = RasterImage{};
    windowReady_ = false;
    const int m = centreTile_;
    centreTile_ = previousCentre_ = -1;
    ++windowChanges_;
    if (m < 0) return;
    // Reload around the tile under the view's middle and keep the ground that was at
    // the view's corner there.
    const int cols = info_.columns, tw = info_.tileWidth, th = info_.tileHeight;
    const int64_t mapX = originX_ + static_cast<int64_t>(m % cols - h) * tw;
    const int64_t mapY = originY_ + static_cast<int64_t>(m / cols - v) * th;
    const int64_t col = std::clamp<int64_t>((mapX + viewWidth_ / 2) / tw, 0, cols - 1);
    const int64_t row = std::clamp<int64_t>((mapY + viewHeight_ / 2) / th, 0, info_.rows - 1);
    if (!LoadWindow(static_cast<int>(row * cols + col), prompt)) return;
    const int c = centreTile_;
    SetScrollOrigin(static_cast<int>(mapX - static_cast<int64_t>(c % cols - halfColumns_) * tw),
                    static_cast<int>(mapY - static_cast<int64_t>(c / cols - halfRows_) * th),
                    ClientRect{0, 0, viewWidth_, viewHeight_});
}

void MapSet::DiscardMap() {
    tileBounds_.clear();
    window_ = RasterImage{};
    windowReady_ = false;
    MakeBlank();
    windowTop_ = windowBottom_ = windowLeft_ = windowRight_ = 0;
    originX_ = originY_ = 0;
    lastCentre_ = {-1, -1};
    centreTile_ = previousCentre_ = -1;
}

int MapSet::SlotTile(int m, int slot) const {
    const int sc = slotColumns();
    if (!hasMap() || m < 0 || slot < 0 || slot >= slotCount()) return -1;
    const int cols = info_.columns, rows = info_.rows;
    const int col = m % cols + slot % sc - halfColumns_, row = m / cols + slot / sc - halfRows_;
    if (col < 0 || col >= cols || row < 0 || row >= rows) return -1;
    return row * cols + col;
}

int MapSet::centreFor(int t) const {
    const int cols = info_.columns;
    int cl, ch, rl, rh;
    centreRange(cols, halfColumns_, cl, ch);
    centreRange(info_.rows, halfRows_, rl, rh);
    const int col = t % cols, row = t / cols;
    if (col >= cl && col <= ch && row >= rl && row <= rh) return t;
    // The first slot of t's own window, row by row, that may be a centre.
    return std::max(rl, row - halfRows_) * cols + std::max(cl, col - halfColumns_);
}

MapSet::Span MapSet::filledColumns() const {
    const int m = centreTile_;
    if (!hasMap() || m < 0) return {0, windowWidth_};
    const int first = m % info_.columns - halfColumns_;
    const int left = std::max(0, -first), right = std::min(slotColumns(), info_.columns - first);
    return {left * info_.tileWidth, right * info_.tileWidth};
}

MapSet::Span MapSet::filledRows() const {
    const int m = centreTile_;
    if (!hasMap() || m < 0) return {0, windowHeight_};
    const int first = m / info_.columns - halfRows_;
    const int top = std::max(0, -first), bottom = std::min(slotRows(), info_.rows - first);
    return {top * info_.tileHeight, bottom * info_.tileHeight};
}

void MapSet::clearSlot(int slot) {
    const int tw = info_.tileWidth, th = info_.tileHeight;
    const int x0 = (slot % slotColumns()) * tw, y0 = (slot / slotColumns()) * th;
    for (int y = 0; y < th; ++y) std::fill_n(window_.row(y0 + y) + x0, tw, kWhite);
}

void MapSet::shiftWindow(int dx, int dy) {
    const int W = window_.width, H = window_.height;
    const int sx = dx * info_.tileWidth, sy = dy * info_.tileHeight;
    if (sx != 0) {
        for (int y = 0; y < H; ++y) {
            uint32_t* r = window_.row(y);
            if (sx > 0) std::memmove(r + sx, r, static_cast<size_t>(W - sx) * 4);
            else std::memmove(r, r - sx, static_cast<size_t>(W + sx) * 4);
        }
    }
    if (sy > 0) {
        for (int y = H - 1; y >= sy; --y) std::memcpy(window_.row(y), window_.row(y - sy), static_cast<size_t>(W) * 4);
    } else if (sy < 0) {
        for (int y = 0; y < H + sy; ++y) std::memcpy(window_.row(y), window_.row(y - sy), static_cast<size_t>(W) * 4);
    }
}

bool MapSet::readTile(int slot, int tile) {
    if (tile < 0) {
        clearSlot(slot);
        return true;
    }
    const std::string path = tilePath(tile);
    ++tileReads_;
    lastRead_.push_back(tile);
    const int tw = info_.tileWidth, th = info_.tileHeight;
    const PixelBlock block{window_.row((slot / slotColumns()) * th) + (slot % slotColumns()) * tw,
                           static_cast<size_t>(window_.width), tw, th};
    const std::string& e = info_.extension;
    int ok;
    if (e == "png" || e == "PNG") {
        ok = DecodePngInto(path, block);
    } else {
        ok = DecodeBmp(path, scratch_);
        if (ok) CopyInto(scratch_, block);
    }
    // Old pixels here would show another place's ground at this position.
    if (!ok) clearSlot(slot);
    return ok != 0;
}

bool MapSet::createWindow(UserPrompt& prompt) {
    // The largest 3 x 3 window a description may ask for is 151 MB. A wider window is
    // a convenience of large views: when it cannot be had, the 3 x 3 one serves; when
    // even that cannot, the map stays without a window instead of ending the program.
    for (;;) {
        try {
            window_.reset(windowWidth_, windowHeight_, kWhite);
            return true;
        } catch (const std::bad_alloc&) {
            window_ = RasterImage{};
        }
        if (halfColumns_ == 1 && halfRows_ == 1) break;
        halfColumns_ = halfRows_ = 1;
        windowWidth_ = 3 * info_.tileWidth;
        windowHeight_ = 3 * info_.tileHeight;
    }
    prompt.message("can't create hBitmap", files::errorCaption(ENOMEM), Icon::Stop);
    return false;
}

int MapSet::LoadWindow(int t, UserPrompt& prompt) {
    lastRead_.clear();
    if (!hasMap()) return 0;
    if (t < 0 || t >= static_cast<int>(tileBounds_.size())) return 0;
    if (t == centreTile_ && windowReady_) return 1;
    if (!windowReady_) {
        if (!createWindow(prompt)) return 0;
        windowReady_ = true;
        centreTile_ = previousCentre_ = -1;
    }
    t = centreFor(t);
    if (t == centreTile_) return 1;
    const int sc = slotColumns(), sr = slotRows();
    int dx = 0, dy = 0;
    bool full = true;
    if (previousCentre_ >= 0) {
        // Moves of at most h columns and v rows keep the tiles the two windows share.
        const int cols = info_.columns;
        const int dc = t % cols - previousCentre_ % cols, dr = t / cols - previousCentre_ / cols;
        if (std::abs(dc) <= halfColumns_ && std::abs(dr) <= halfRows_) {
            full = false;
            dx = -dc;
            dy = -dr;
        }
    }
    centreTile_ = t;
    previousCentre_ = t;
    if (!full) shiftWindow(dx, dy);
    std::vector<std::string> failed;
    const TileBounds& c = tileBounds_[t];
    const int first = SlotTile(t, 0), last = SlotTile(t, slotCount() - 1);
    windowTop_ = first >= 0 ? tileBounds_[first].top : c.top + halfRows_ * (c.top - c.bottom);
    windowLeft_ = first >= 0 ? tileBounds_[first].left : c.left - halfColumns_ * (c.right - c.left);
    windowBottom_ = last >= 0 ? tileBounds_[last].bottom : c.bottom - halfRows_ * (c.top - c.bottom);
    windowRight_ = last >= 0 ? tileBounds_[last].right : c.right + halfColumns_ * (c.right - c.left);
    for (int k = 0; k < slotCount(); ++k) {
        const int s = SlotTile(t, k);
        bool load = true;
        if (!full) {
            const int oldX = k % sc - dx, oldY = k / sc - dy;
            load = oldX < 0 || oldX >= sc || oldY < 0 || oldY >= sr;
        }
        if (load && !readTile(k, s)) failed.push_back(tilePath(s));
    }
    originX_ += dx * info_.tileWidth;
    originY_ += dy * info_.tileHeight;
    ++windowChanges_;
    // One box for the whole load, however many tiles failed.
    if (!failed.empty()) {
        std::string paths;
        for (const std::string& path : failed) paths += (paths.empty() ? "" : "\n") + path;
        prompt.message(paths, "ERROR: can't load", Icon::Stop);
    }
    return 1;
}

int MapSet::DrawWindow(RasterImage& target, int left, int top, int right, int bottom) const {
    const RasterImage& src = window();
    if (src.pixels.empty()) return 0;
    const int sx0 = blank() ? 0 : originX_, sy0 = blank() ? 0 : originY_;
    for (int y = std::max(top, 0); y < std::min(bottom, target.height); ++y) {
        const int sy = sy0 + (y - top);
        for (int x = std::max(left, 0); x < std::min(right, target.width); ++x) {
            const int sx = sx0 + (x - left);
            // Outside the window a plain copy has nothing to give: leave white.
            target.row(y)[x] = (sx >= 0 && sy >= 0 && sx < src.width && sy < src.height) ? src.at(sx, sy) : kWhite;
        }
    }
    return 1;
}

int MapSet::ViewInsideWindow(const ClientRect& c) const {
    if (!hasMap()) return 0;
    // Against the part of the window that holds tiles: on a map narrower than the
    // window the rest is never shown.
    const Span x = filledColumns(), y = filledRows();
    return originX_ >= x.begin + 1 && originY_ >= y.begin + 1 && originX_ - c.left + c.right < x.end &&
                   originY_ - c.top + c.bottom < y.end
               ? 1
               : 0;
}

int MapSet::SlotAtViewCentre(const ClientRect& c) const {
    if (!hasMap()) return -1;
    const int y = originY_ + c.bottom / 2, x = originX_ + c.right / 2;
    if (x < 0 || y < 0) return -1;
    const int row = y / info_.tileHeight, col = x / info_.tileWidth;
    if (col >= slotColumns() || row >= slotRows()) return -1;
    return row * slotColumns() + col;
}

int MapSet::RecentreTarget(int k) const {
    if (!hasMap() || k < 0 || k >= slotCount() || centreTile_ < 0) return -1;
    if (SlotTile(centreTile_, k) < 0) return -1;
    // One tile towards the slot, along each direction in which the centre may still go:
    // along an edge of the map the window moves only along that edge.
    const int cols = info_.columns, m = centreTile_;
    int cl, ch, rl, rh;
    centreRange(cols, halfColumns_, cl, ch);
    centreRange(info_.rows, halfRows_, rl, rh);
    int col = m % cols + sign(k % slotColumns() - halfColumns_);
    int row = m / cols + sign(k / slotColumns() - halfRows_);
    if (col < cl || col > ch) col = m % cols;
    if (row < rl || row > rh) row = m / cols;
    const int target = row * cols + col;
    return target == m ? -1 : target;
}

}  // namespace korvance
