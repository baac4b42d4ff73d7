#pragma once
// A map's description file, mapinfo.dat: its fields, reading and checking it,
// and writing it from a two-point calibration.

#include <cstdint>
#include <string>

namespace korvance {

// One calibration point: map pixel and its position.
struct CalibrationPoint {
    int x = 0, y = 0;
    double longitude = 0, latitude = 0;
};

// The parsed content of a mapinfo.dat.
struct MapInfo {
    std::string signature;
    int version = 0;
    std::string extension;
    int columns = 0, rows = 0;
    double top = 0, left = 0, bottom = 0, right = 0;
    int tileWidth = 0, tileHeight = 0;
    int bitsPerPixel = 4;
};

enum class MapInfoResult { Ok, NotMapInfo, BadVersion, Incomplete, BadGeometry, Unreadable };
// Reads and checks a mapinfo.dat without touching any MapSet.
MapInfoResult ParseMapInfo(const std::string& path, MapInfo& info);

// The bounds of a map of info's columns x rows tiles from two calibration points
// (map pixels and their positions): the mapping is linear and separable. False,
// info unchanged, when the points share a pixel row or column.
bool BoundsFromPoints(const CalibrationPoint& p1, const CalibrationPoint& p2, MapInfo& info);

// Writes info as a mapinfo.dat (version 101, CR LF) through a temporary file and a
// rename. 0 on success, EDOM when a bound is not a finite number, else the errno.
int WriteMapInfoFile(const std::string& path, const MapInfo& info);

// The limits of a map description we accept: the tile grid and the tile size are
// allocations taken from the file.
constexpr int kMaxTileSide = 2048;  // a window of 3 x 3 such tiles is 151 MB
constexpr int64_t kMaxTiles = 1000000;

}  // namespace korvance
