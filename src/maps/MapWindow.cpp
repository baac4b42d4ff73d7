// The 3 x 3 tile window: loading and shifting tiles, the blank window without
// a map, and copying the window into the view.
#include "maps/MapSet.h"

#include <algorithm>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <new>

#include "files/FileReport.h"

namespace korvance {

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

void MapSet::resetWindow() {
    windowWidth_ = 3 * info_.tileWidth;
    windowHeight_ = 3 * info_.tileHeight;
    originX_ = originY_ = 0;
    centreTile_ = previousCentre_ = -1;
    lastCentre_ = {-1, -1};
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
    if (!hasMap() || m < 0 || slot < 0 || slot > 8) return -1;
    const int cols = info_.columns, rows = info_.rows;
    const int col = m % cols + slot % 3 - 1, row = m / cols + slot / 3 - 1;
    if (col < 0 || col >= cols || row < 0 || row >= rows) return -1;
    return row * cols + col;
}

bool MapSet::isInterior(int t) const {
    if (!hasMap() || t < 0 || t >= static_cast<int>(tileBounds_.size())) return false;
    const int col = t % info_.columns, row = t / info_.columns;
    return col > 0 && col < info_.columns - 1 && row > 0 && row < info_.rows - 1;
}

void MapSet::clearSlot(int slot) {
    const int tw = info_.tileWidth, th = info_.tileHeight;
    const int x0 = (slot % 3) * tw, y0 = (slot / 3) * th;
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
    const PixelBlock block{window_.row((slot / 3) * th) + (slot % 3) * tw, static_cast<size_t>(window_.width), tw, th};
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

int MapSet::LoadWindow(int t, UserPrompt& prompt) {
    lastRead_.clear();
    if (!hasMap()) return 0;
    if (t < 0 || t >= static_cast<int>(tileBounds_.size())) return 0;
    if (t == centreTile_ && windowReady_) return 1;
    if (!isInterior(t)) {
        for (int k = 0; k <= 8; ++k) {
            const int s = SlotTile(t, k);
            if (isInterior(s)) {
                t = s;
                break;
            }
        }
    }
    if (t == centreTile_ && windowReady_) return 1;
    int dx = 0, dy = 0;
    bool full = true;
    if (previousCentre_ >= 0 && windowReady_) {
        const int cols = info_.columns;
        const int dc = t % cols - previousCentre_ % cols, dr = t / cols - previousCentre_ / cols;
        if (std::abs(dc) <= 1 && std::abs(dr) <= 1) {
            full = false;
            dx = -dc;
            dy = -dr;
        }
    }
    if (!windowReady_) {
        // The largest window a description may ask for is 151 MB; when even a smaller
        // one cannot be had, the map stays without a window instead of ending the program.
        try {
            window_.reset(windowWidth_, windowHeight_, kWhite);
        } catch (const std::bad_alloc&) {
            window_ = RasterImage{};
            prompt.message("can't create hBitmap", files::errorCaption(ENOMEM), Icon::Stop);
            return 0;
        }
        windowReady_ = true;
        full = true;
    }
    centreTile_ = t;
    previousCentre_ = t;
    if (!full) shiftWindow(dx, dy);
    std::vector<std::string> failed;
    for (int k = 0; k <= 8; ++k) {
        const int s = SlotTile(t, k);
        if (k == 0) {
            if (s >= 0) {
                windowTop_ = tileBounds_[s].top;
                windowLeft_ = tileBounds_[s].left;
            } else {
                const TileBounds& c = tileBounds_[t];
                windowTop_ = c.top + (c.top - c.bottom);
                windowLeft_ = c.left - (c.right - c.left);
            }
        }
        if (k == 8) {
            if (s >= 0) {
                windowBottom_ = tileBounds_[s].bottom;
                windowRight_ = tileBounds_[s].right;
            } else {
                const TileBounds& c = tileBounds_[t];
                windowBottom_ = c.bottom - (c.top - c.bottom);
                windowRight_ = c.right + (c.right - c.left);
            }
        }
        bool load = true;
        if (!full) {
            const int oldX = k % 3 - dx, oldY = k / 3 - dy;
            load = oldX < 0 || oldX > 2 || oldY < 0 || oldY > 2;
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
    return originX_ >= 1 && originY_ >= 1 && originX_ - c.left + c.right < 3 * info_.tileWidth &&
                   originY_ - c.top + c.bottom < 3 * info_.tileHeight
               ? 1
               : 0;
}

int MapSet::SlotAtViewCentre(const ClientRect& c) const {
    if (!hasMap()) return -1;
    const int row = (originY_ + c.bottom / 2) / info_.tileHeight;
    const int col = (originX_ + c.right / 2) / info_.tileWidth;
    return row * 3 + col;
}

int MapSet::RecentreTarget(int k) const {
    if (!hasMap() || k < 0 || k > 8 || centreTile_ < 0) return -1;
    const int s = SlotTile(centreTile_, k);
    const int cols = info_.columns, rows = info_.rows, m = centreTile_;
    if (s < 0 || s == 0 || s == cols - 1 || s == cols * (rows - 1) || s == cols * rows - 1) return -1;
    const bool topRow = s / cols == 0, bottomRow = s / cols == rows - 1;
    const bool leftCol = s % cols == 0, rightCol = s % cols == cols - 1;
    // Edge class, tested in this order.
    enum { Top, Bottom, Left, Right, Inner } e = topRow ? Top : bottomRow ? Bottom : leftCol ? Left : rightCol ? Right : Inner;
    switch (k) {
        case 0: return e == Top ? m - 1 : e == Left ? m - cols : s;
        case 1: return e == Top ? -1 : s;
        case 2: return e == Top ? m + 1 : e == Right ? m - cols : s;
        case 3: return e == Left ? -1 : s;
        case 4: return -1;
        case 5: return e == Right ? -1 : s;
        case 6: return e == Bottom ? m - 1 : e == Left ? m + cols : s;
        case 7: return e == Bottom ? -1 : s;
        case 8: return e == Bottom ? m + 1 : e == Right ? m + cols : s;
    }
    return -1;
}

}  // namespace korvance
