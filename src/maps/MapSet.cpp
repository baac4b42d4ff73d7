#include "maps/MapSet.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "files/AtomicFile.h"
#include "data/TextUtil.h"
#include "geodesy/Coordinates.h"
#include "platform/CodePage.h"

namespace korvance {

namespace {

constexpr const char* kInfoSignature = "Korvan CE";
constexpr const char* kListSignature = "Map List for Korvan CE";
// Description and list files are small; anything far larger is not one.
constexpr size_t kMaxTextFile = 16u << 20;

bool readText(const std::string& path, std::string& text, size_t limit = kMaxTextFile) {
    std::vector<uint8_t> bytes;
    if (!files::readWholeFile(path, bytes, nullptr, limit)) return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

// Lines split at LF, each without its LF (a CR before it stays; callers strip it).
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string stripCr(std::string s) {
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

// Leading blanks, then as much of a number as there is; 0 otherwise. The
// same bytes read the same under every process locale.
int toInt(const std::string& s) { return parseInteger(s); }
double toDouble(const std::string& s) { return parseDouble(s); }

std::string toSlashes(std::string s) {
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

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

bool validBpp(int b) { return b == 1 || b == 4 || b == 8 || b == 15 || b == 16 || b == 24; }

}  // namespace

std::string FolderOf(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

MapFileKind DetectMapFile(const std::string& path) {
    std::string head;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return MapFileKind::Neither;
    char buf[22];
    const size_t n = std::fread(buf, 1, sizeof buf, f);
    std::fclose(f);
    head.assign(buf, n);
    if (head.compare(0, 9, kInfoSignature) == 0 && n >= 9) return MapFileKind::MapInfo;
    if (n >= 22 && head.compare(0, 22, kListSignature) == 0) return MapFileKind::List;
    return MapFileKind::Neither;
}

// ------------------------------------------------------------------ map list

std::optional<std::string> MapList::path(size_t i) const {
    if (i >= paths_.size()) return std::nullopt;
    return paths_[i];
}

int16_t MapList::priority(size_t i) const { return i < priorities_.size() ? priorities_[i] : int16_t{32767}; }

std::optional<std::string> MapList::previous() {
    if (current_ == 0 || paths_.empty()) return std::nullopt;
    --current_;
    return path(current_);
}

std::optional<std::string> MapList::next() {
    if (current_ + 1 >= paths_.size()) return std::nullopt;
    ++current_;
    return path(current_);
}

void MapList::release() {
    capacity_ = 0;
    current_ = 0;
    paths_.clear();
    priorities_.clear();
}

bool MapList::load(const std::string& listPath, const CodePage& codePage) {
    std::string text;
    if (!readText(listPath, text)) return false;
    if (text.compare(0, 22, kListSignature) != 0 || text.size() < 22) return false;
    const std::vector<std::string> lines = splitLines(text);
    const std::string folder = FolderOf(listPath);
    size_t i = 1;
    while (i < lines.size() && !lines[i].empty() && lines[i][0] == ';') ++i;
    if (i >= lines.size()) return false;
    const int version = toInt(lines[i]);
    ++i;
    std::vector<std::string> paths;
    std::vector<int16_t> priorities;
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.size() < 2 || line[0] == ';') continue;
        std::string relative;
        int16_t priority = 30000;
        if (version == 101) {
            relative = stripCr(line);
        } else {
            const std::string clean = stripCr(line);
            const size_t tab = clean.find('\t');
            relative = clean.substr(0, tab);
            if (tab != std::string::npos) {
                const std::string rest = clean.substr(tab + 1);
                priority = static_cast<int16_t>(toInt(rest.substr(0, rest.find('\t'))));
            }
        }
        if (relative.empty()) continue;
        std::string full = (folder.empty() ? std::string() : folder + "/") + toSlashes(codePage.toUtf8(relative));
        paths.push_back(std::move(full));
        priorities.push_back(priority);
    }
    capacity_ = lines.size() >= 2 ? lines.size() - 2 : 0;
    paths_ = std::move(paths);
    priorities_ = std::move(priorities);
    current_ = 0;
    return true;
}

// ------------------------------------------------------------------ mapinfo.dat

MapInfoResult ParseMapInfo(const std::string& path, MapInfo& info) {
    std::string text;
    if (!readText(path, text)) return MapInfoResult::Unreadable;
    const std::vector<std::string> lines = splitLines(text);
    MapInfo in;
    int lastRead = -1;
    for (int n = 0; n < 12 && n < static_cast<int>(lines.size()); ++n) {
        const std::string& raw = lines[n];
        if (!raw.empty() && raw[0] == ';') {
            if (n == 0) return MapInfoResult::NotMapInfo;
            continue;
        }
        const std::string line = stripCr(raw);
        switch (n) {
            case 0: {
                std::string sig = raw.substr(0, 15);
                sig = sig.substr(0, sig.find_first_of("\r\n"));
                if (sig != kInfoSignature) return MapInfoResult::NotMapInfo;
                in.signature = sig;
                break;
            }
            case 1:
                in.version = toInt(line);
                if (in.version > 101) return MapInfoResult::BadVersion;
                break;
            case 2: in.extension = line.substr(0, 3); break;
            case 3: in.columns = toInt(line); break;
            case 4: in.rows = toInt(line); break;
            case 5: in.top = toDouble(line); break;
            case 6: in.left = toDouble(line); break;
            case 7: in.bottom = toDouble(line); break;
            case 8: in.right = toDouble(line); break;
            case 9: in.tileWidth = toInt(line); break;
            case 10: in.tileHeight = toInt(line); break;
            case 11: in.bitsPerPixel = toInt(line); break;
        }
        lastRead = n;
    }
    if (lines.empty() || in.signature.empty()) return MapInfoResult::NotMapInfo;
    if (lastRead < 10) return MapInfoResult::Incomplete;
    if (!validBpp(in.bitsPerPixel)) in.bitsPerPixel = 4;
    // A grid or tile size that cannot be shown, or bounds that give no scale, would
    // divide by zero or ask for absurd allocations further on.
    const bool finite = std::isfinite(in.top) && std::isfinite(in.bottom) && std::isfinite(in.left) &&
                        std::isfinite(in.right);
    if (in.columns <= 0 || in.rows <= 0 || static_cast<int64_t>(in.columns) * in.rows > kMaxTiles ||
        in.tileWidth <= 0 || in.tileHeight <= 0 || in.tileWidth > kMaxTileSide || in.tileHeight > kMaxTileSide ||
        !finite || !(in.top > in.bottom) || !(in.right > in.left))
        return MapInfoResult::BadGeometry;
    info = in;
    return MapInfoResult::Ok;
}

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

int MapSet::LoadMapInfo(const std::string& path, UserPrompt& prompt) {
    MapInfo in;
    switch (ParseMapInfo(path, in)) {
        case MapInfoResult::Ok: break;
        case MapInfoResult::NotMapInfo: prompt.message("not a mapinfo.dat", "Error", Icon::Stop); return 0;
        case MapInfoResult::BadVersion: prompt.message("not acceptable version", "Error", Icon::Stop); return 0;
        case MapInfoResult::Incomplete: return 0;
        case MapInfoResult::BadGeometry:
            prompt.message("The map size or bounds in this mapinfo.dat can't be used:\n" + path, "Error", Icon::Stop);
            return 0;
        case MapInfoResult::Unreadable:
            prompt.message("can't read\n" + path, "Error", Icon::Stop);
            return 0;
    }
    info_ = in;
    const std::string folder = FolderOf(path);
    folder_ = folder.empty() ? std::string() : toSlashes(folder) + "/";
    infoPath_ = toSlashes(path);
    const double dLon = (in.right - in.left) / in.columns;
    const double dLat = (in.top - in.bottom) / in.rows;
    tileBounds_.assign(static_cast<size_t>(in.columns) * in.rows, TileBounds{});
    for (int i = 0; i < in.rows; ++i)
        for (int j = 0; j < in.columns; ++j) {
            TileBounds& b = tileBounds_[static_cast<size_t>(i) * in.columns + j];
            b.top = in.top - i * dLat;
            b.bottom = b.top - dLat;
            b.left = j * dLon + in.left;
            b.right = b.left + dLon;
        }
    resetWindow();
    window_ = RasterImage{};
    windowReady_ = false;
    ++windowChanges_;
    return 1;
}

int MapSet::ReloadMapInfo(UserPrompt& prompt) { return LoadMapInfo(folder_ + "mapinfo.dat", prompt); }

std::string MapSet::tilePath(int tile) const { return folder_ + std::to_string(tile) + "." + info_.extension; }

bool BoundsFromPoints(const CalibrationPoint& p1, const CalibrationPoint& p2, MapInfo& info) {
    if (p1.x == p2.x || p1.y == p2.y) return false;
    const double dLat = (p1.latitude - p2.latitude) / (p1.y - p2.y);
    const double dLon = (p1.longitude - p2.longitude) / (p1.x - p2.x);
    info.top = p1.latitude - p1.y * dLat;
    info.left = p1.longitude - p1.x * dLon;
    info.bottom = (static_cast<double>(info.rows) * info.tileHeight - p1.y) * dLat + p1.latitude;
    info.right = (static_cast<double>(info.columns) * info.tileWidth - p1.x) * dLon + p1.longitude;
    return true;
}

int WriteMapInfoFile(const std::string& path, const MapInfo& info) {
    const std::string fTop = FormatFixed(info.top, 8), fLeft = FormatFixed(info.left, 8),
                      fBottom = FormatFixed(info.bottom, 8), fRight = FormatFixed(info.right, 8);
    if (fTop.empty() || fLeft.empty() || fBottom.empty() || fRight.empty()) return EDOM;
    std::string text;
    auto line = [&](const std::string& s) { text += s + "\r\n"; };
    line(kInfoSignature);
    line("101");
    line(info.extension);
    line(std::to_string(info.columns));
    line(std::to_string(info.rows));
    line(fTop);
    line(fLeft);
    line(fBottom);
    line(fRight);
    line(std::to_string(info.tileWidth));
    line(std::to_string(info.tileHeight));
    line(std::to_string(info.bitsPerPixel));
    files::AtomicFile out(path);
    if (!out.open() || !out.write(text) || !out.commit()) return out.error() ? out.error() : EIO;
    return 0;
}

int MapSet::WriteMapInfo(const CalibrationPoint& p1, const CalibrationPoint& p2, UserPrompt& prompt) {
    if (!hasMap()) return 0;
    MapInfo info = info_;
    if (!BoundsFromPoints(p1, p2, info)) {
        prompt.message("The two calibration points lie on one pixel row or column.\n"
                       "Choose points apart in both directions; mapinfo.dat was not changed.",
                       "Error", Icon::Stop);
        return 0;
    }
    const std::string target = folder_ + "mapinfo.dat";
    const int error = WriteMapInfoFile(target, info);
    if (error == EDOM) {
        prompt.message("The calibration gives no usable map bounds; mapinfo.dat was not changed.", "Error",
                       Icon::Stop);
        return 0;
    }
    if (error != 0) {
        prompt.message("can't write\n" + target + "\n" + std::strerror(error), "Error", Icon::Stop);
        return 0;
    }
    return 1;
}

int MapSet::ReadMapBounds(const std::string& path, double& left, double& top, double& right, double& bottom,
                          UserPrompt& prompt) {
    left = -200;
    top = 90;
    right = 200;
    bottom = -90;
    std::string text;
    if (!readText(path, text)) return 0;
    const std::vector<std::string> lines = splitLines(text);
    if (lines.empty()) return 0;
    std::string sig = lines[0].substr(0, 15);
    sig = sig.substr(0, sig.find_first_of("\r\n"));
    if (sig != kInfoSignature) {
        prompt.message("not a mapinfo.dat", "Error", Icon::Stop);
        return 0;
    }
    int reached = 0;
    for (int n = 5; n <= 8 && n < static_cast<int>(lines.size()); ++n) {
        if (!lines[n].empty() && lines[n][0] == ';') continue;
        const double v = toDouble(stripCr(lines[n]));
        if (n == 5) top = v;
        if (n == 6) left = v;
        if (n == 7) bottom = v;
        if (n == 8) right = v, reached = 1;
    }
    return reached;
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

// ------------------------------------------------------------------ mapping

MapPoint MapSet::GeoToView(double latitude, double longitude) const {
    const double fx = (longitude - windowLeft_) / (windowRight_ - windowLeft_) * windowWidth_;
    const double fy = (1 - (latitude - windowBottom_) / (windowTop_ - windowBottom_)) * windowHeight_;
    return {clampInt(static_cast<int64_t>(truncInt(fx)) - originX_), clampInt(static_cast<int64_t>(truncInt(fy)) - originY_)};
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
    if (originX_ < 0) originX_ = 0;
    if (originX_ > windowWidth_ - c.right + c.left) originX_ = windowWidth_ - c.right;
    if (originY_ < 0) originY_ = 0;
    if (originY_ > windowHeight_ - c.bottom + c.top) originY_ = windowHeight_ - c.bottom;
}

MapPoint MapSet::ViewToMapPixel(int x, int y) const {
    if (!hasMap() || centreTile_ < 0) return {-1, -1};
    const int s = SlotTile(centreTile_, 0);
    if (s < 0) return {-1, -1};
    return {x + originX_ + (s % info_.columns) * info_.tileWidth, y + originY_ + (s / info_.columns) * info_.tileHeight};
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
        if (originX_ < 0) originX_ = 0;
        if (originX_ > windowWidth_ - c.right) originX_ = windowWidth_ - c.right;
        if (originY_ < 0) originY_ = 0;
        if (originY_ > windowHeight_ - c.bottom) originY_ = windowHeight_ - c.bottom;
    }
    return 1;
}

std::optional<std::string> MapSet::ChooseMapAt(double latitude, double longitude, UserPrompt& prompt) {
    if (list_.count() == 0) return std::nullopt;
    const size_t before = list_.current();
    int best = 32767;
    std::optional<std::string> chosen;
    for (size_t i = 0; i < list_.count(); ++i) {
        double l, t, r, b;
        if (!ReadMapBounds(*list_.path(i), l, t, r, b, prompt)) continue;
        if (l < longitude && longitude < r && b < latitude && latitude < t && list_.priority(i) < best) {
            best = list_.priority(i);
            chosen = list_.path(i);
            list_.setCurrent(i);
        }
    }
    if (list_.current() == before) return std::nullopt;
    return chosen;
}

// ------------------------------------------------------------------ tile window

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

void MapSet::readTile(int slot, int tile, UserPrompt& prompt) {
    if (tile < 0) {
        clearSlot(slot);
        return;
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
    if (!ok) {
        // Old pixels here would show another place's ground at this position.
        clearSlot(slot);
        prompt.message(path, "ERROR: can't load", Icon::Stop);
    }
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
    centreTile_ = t;
    previousCentre_ = t;
    if (!windowReady_) {
        window_.reset(windowWidth_, windowHeight_, kWhite);
        windowReady_ = true;
        full = true;
    }
    if (!full) shiftWindow(dx, dy);
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
        if (load) readTile(k, s, prompt);
    }
    originX_ += dx * info_.tileWidth;
    originY_ += dy * info_.tileHeight;
    ++windowChanges_;
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
