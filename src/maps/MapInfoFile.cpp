// The mapinfo.dat file: reading, checking, writing from a calibration, and
// loading it as the current map's description.
#include "maps/MapSet.h"

#include <cmath>
#include <cerrno>

#include "data/TextUtil.h"
#include "files/FileReport.h"
#include "maps/MapText.h"
#include "platform/AtomicFile.h"

namespace korvance {

using maptext::kInfoSignature;
using maptext::readText;
using maptext::splitLines;
using maptext::stripCr;
using maptext::toSlashes;

namespace {

bool validBpp(int b) { return b == 1 || b == 4 || b == 8 || b == 15 || b == 16 || b == 24; }

}  // namespace

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
                in.version = parseInteger(line);
                if (in.version > 101) return MapInfoResult::BadVersion;
                break;
            case 2: in.extension = line.substr(0, 3); break;
            case 3: in.columns = parseInteger(line); break;
            case 4: in.rows = parseInteger(line); break;
            case 5: in.top = parseDouble(line); break;
            case 6: in.left = parseDouble(line); break;
            case 7: in.bottom = parseDouble(line); break;
            case 8: in.right = parseDouble(line); break;
            case 9: in.tileWidth = parseInteger(line); break;
            case 10: in.tileHeight = parseInteger(line); break;
            case 11: in.bitsPerPixel = parseInteger(line); break;
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
    AtomicFile out(path);
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
    knownBounds_.clear();  // a rewrite within the clock's granularity keeps the old time stamp
    if (error == EDOM) {
        prompt.message("The calibration gives no usable map bounds; mapinfo.dat was not changed.", "Error",
                       Icon::Stop);
        return 0;
    }
    if (error != 0) {
        files::reportFileError(prompt, target, target, error);
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
        const double v = parseDouble(stripCr(lines[n]));
        if (n == 5) top = v;
        if (n == 6) left = v;
        if (n == 7) bottom = v;
        if (n == 8) right = v, reached = 1;
    }
    return reached;
}

}  // namespace korvance
