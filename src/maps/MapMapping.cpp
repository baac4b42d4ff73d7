// The linear mapping between positions and window pixels, the scroll
// origin, following a position with look-ahead, and the automatic map choice.
#include "maps/MapSet.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace korvance {

namespace {

// Truncation toward zero into 32 bits, saturating (and 0 for NaN) so that a
// degenerate window never makes an undefined conversion.
int truncInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

int clampInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

MapPoint MapSet::GeoToView(double latitude, double longitude) const {
    return WindowToView(GeoToWindow(latitude, longitude));
}

MapPoint MapSet::GeoToWindow(double latitude, double longitude) const {
    const double fx = (longitude - windowLeft_) / (windowRight_ - windowLeft_) * windowWidth_;
    const double fy = (1 - (latitude - windowBottom_) / (windowTop_ - windowBottom_)) * windowHeight_;
    return {truncInt(fx), truncInt(fy)};
}

MapPoint MapSet::WindowToView(MapPoint w) const {
    return {clampInt(static_cast<int64_t>(w.x) - originX_), clampInt(static_cast<int64_t>(w.y) - originY_)};
}

MapSet::WindowMapping MapSet::windowMapping() const {
    return {windowWidth_, windowHeight_, std::bit_cast<uint64_t>(windowTop_), std::bit_cast<uint64_t>(windowBottom_),
            std::bit_cast<uint64_t>(windowLeft_), std::bit_cast<uint64_t>(windowRight_)};
}

void MapSet::ViewToGeo(int x, int y, double& latitude, double& longitude) const {
    latitude = windowTop_ - ((static_cast<double>(originY_) + y) / windowHeight_) * (windowTop_ - windowBottom_);
    longitude = ((static_cast<double>(originX_) + x) / windowWidth_) * (windowRight_ - windowLeft_) + windowLeft_;
}

void MapSet::SetWindowGeometry(int width, int height, double top, double bottom, double left, double right) {
    windowWidth_ = std::max(1, width);
    windowHeight_ = std::max(1, height);
    windowTop_ = top;
    windowBottom_ = bottom;
    windowLeft_ = left;
    windowRight_ = right;
}

int MapSet::GetWindowBounds(double& top, double& bottom, double& left, double& right) const {
    top = windowTop_;
    bottom = windowBottom_;
    left = windowLeft_;
    right = windowRight_;
    return top > bottom && right >= left ? 1 : 0;
}

void MapSet::SetScrollOrigin(int x, int y, const ClientRect& c) {
    originX_ = x;
    originY_ = y;
    if (!hasMap()) return;
    // Within the part of the window that holds tiles (all of it unless the map is
    // narrower than the window).
    const Span across = filledColumns(), down = filledRows();
    if (originX_ < across.begin) originX_ = across.begin;
    if (originX_ > across.end - c.right + c.left) originX_ = across.end - c.right;
    if (originY_ < down.begin) originY_ = down.begin;
    if (originY_ > down.end - c.bottom + c.top) originY_ = down.end - c.bottom;
}

void MapSet::ResetScrollOrigin() {
    originX_ = filledColumns().begin;
    originY_ = filledRows().begin;
}

MapPoint MapSet::ViewToMapPixel(int x, int y) const {
    if (!hasMap() || centreTile_ < 0) return {-1, -1};
    // From the centre tile: the window's first slot lies off the grid on a map
    // narrower than the window, and its tiles are still where they are.
    const int col = centreTile_ % info_.columns - halfColumns_, row = centreTile_ / info_.columns - halfRows_;
    return {x + originX_ + col * info_.tileWidth, y + originY_ + row * info_.tileHeight};
}

int MapSet::TileAt(double latitude, double longitude) const {
    int found = -1;
    for (size_t t = 0; t < tileBounds_.size(); ++t) {
        const TileBounds& b = tileBounds_[t];
        if (b.bottom < latitude && latitude <= b.top && b.left <= longitude && longitude < b.right)
            found = static_cast<int>(t);
    }
    return found;
}

int MapSet::CentreOn(const ClientRect& c, double latitude, double longitude, int heading, UserPrompt& prompt) {
    if (hasMap()) {
        const int t = TileAt(latitude, longitude);
        if (t == -1) return 0;
        LoadWindow(t, prompt);
    }
    const int w3 = (c.right - c.left) / 3, h3 = (c.bottom - c.top) / 3;
    const int d = std::abs(lookAheadHeading_ - heading);
    if (d >= 11 && d < 350) {
        const double h = heading;
        MapPoint o{0, 0};
        if (h >= 22.5 && h < 67.5) o = {-w3, h3};
        else if (h >= 67.5 && h < 112.5) o = {-w3, 0};
        else if (h >= 112.5 && h < 157.5) o = {-w3, -h3};
        else if (h >= 157.5 && h < 202.5) o = {0, -h3};
        else if (h >= 202.5 && h < 247.5) o = {w3, -h3};
        else if (h >= 247.5 && h < 292.5) o = {w3, 0};
        else if (h >= 292.5 && h < 337.5) o = {w3, h3};
        else if ((h >= 337.5 && h < 361) || (h >= 0 && h < 22.5)) o = {0, h3};
        lookAhead_ = o;
        lookAheadHeading_ = heading;
    } else if (heading == -999) {
        lookAhead_ = {0, 0};
    }
    const MapPoint v = GeoToView(latitude, longitude);
    const MapPoint p{v.x + originX_, v.y + originY_};
    lastCentre_ = {p.x - lookAhead_.x, p.y - lookAhead_.y};
    originX_ = lastCentre_.x - c.right / 2;
    originY_ = lastCentre_.y - c.bottom / 2;
    if (hasMap()) {
        const Span across = filledColumns(), down = filledRows();
        if (originX_ < across.begin) originX_ = across.begin;
        if (originX_ > across.end - c.right) originX_ = across.end - c.right;
        if (originY_ < down.begin) originY_ = down.begin;
        if (originY_ > down.end - c.bottom) originY_ = down.end - c.bottom;
    }
    return 1;
}

int MapSet::knownBounds(const std::string& path, double& left, double& top, double& right, double& bottom,
                        bool recheck, UserPrompt& prompt) {
    auto known = std::find_if(knownBounds_.begin(), knownBounds_.end(),
                              [&](const KnownBounds& k) { return k.path == path; });
    const auto cached = [&] {
        left = known->left, top = known->top, right = known->right, bottom = known->bottom;
        return known->result;
    };
    if (known != knownBounds_.end() && !recheck) return cached();
    const std::optional<FileStamp> stamp = fileStampOf(path);
    if (!stamp) {
        if (known != knownBounds_.end()) knownBounds_.erase(known);
        return ReadMapBounds(path, left, top, right, bottom, prompt);
    }
    if (known == knownBounds_.end()) {
        known = knownBounds_.insert(knownBounds_.end(), KnownBounds{path, *stamp, 0});
    } else if (known->stamp == *stamp) {
        return cached();
    }
    known->result = ReadMapBounds(path, left, top, right, bottom, prompt);
    known->stamp = *stamp;
    known->left = left, known->top = top, known->right = right, known->bottom = bottom;
    return known->result;
}

std::optional<std::string> MapSet::ChooseMapAt(double latitude, double longitude, UserPrompt& prompt) {
    if (list_.count() == 0) return std::nullopt;
    const size_t before = list_.current();
    int best = 32767;
    std::optional<std::string> chosen;
    const auto now = std::chrono::steady_clock::now();
    const bool recheck = now - boundsChecked_ >= std::chrono::seconds(1);
    if (recheck) boundsChecked_ = now;
    for (size_t i = 0; i < list_.count(); ++i) {
        double l, t, r, b;
        if (!knownBounds(*list_.path(i), l, t, r, b, recheck, prompt)) continue;
        if (l < longitude && longitude < r && b < latitude && latitude < t && list_.priority(i) < best) {
            best = list_.priority(i);
            chosen = list_.path(i);
            list_.setCurrent(i);
        }
    }
    if (list_.current() == before) return std::nullopt;
    return chosen;
}

}  // namespace korvance
