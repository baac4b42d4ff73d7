// Writes the demo map set: two overlapping calibrated maps of the country
// around the receiver simulator's track (a PNG overview and a more detailed
// BMP map with a lower priority value, so it wins where both cover), and the
// map list that names them. Everything is drawn with a few raster primitives
// into one image per map, which is then cut into tiles.
//
// usage: korvance-demo-maps <output folder>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "geodesy/Coordinates.h"
#include "mapmake/TileWriters.h"
#include "maps/DemoMaps.h"
#include "maps/MapImage.h"

using namespace korvance;

namespace {

// A small palette so the detailed map can be stored with 8 bits per pixel.
constexpr uint32_t kLand = 0xF4EFD8, kWater = 0x9CC8E8, kForest = 0xB8D8A0, kRoad = 0xE07830,
                   kMinor = 0xFFFFFF, kGrid = 0x7080A0, kText = 0x202020, kTown = 0xE8C8B8, kRail = 0x404040,
                   kEdge = 0x508050;
const std::vector<uint32_t> kPalette = {kLand, kWater, kForest, kRoad, kMinor, kGrid, kText, kTown, kRail, kEdge};

struct Canvas {
    RasterImage img;
    double top, left, bottom, right;
    double px(double lon) const { return (lon - left) / (right - left) * img.width; }
    double py(double lat) const { return (top - lat) / (top - bottom) * img.height; }
    void dot(int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < img.width && y < img.height) img.row(y)[x] = c;
    }
    void disc(double x, double y, double r, uint32_t c) {
        for (int j = static_cast<int>(y - r); j <= static_cast<int>(y + r); ++j)
            for (int i = static_cast<int>(x - r); i <= static_cast<int>(x + r); ++i)
                if ((i - x) * (i - x) + (j - y) * (j - y) <= r * r) dot(i, j, c);
    }
    void line(double x0, double y0, double x1, double y1, double width, uint32_t c) {
        const double len = std::hypot(x1 - x0, y1 - y0);
        const int steps = std::max(1, static_cast<int>(len * 2));
        for (int s = 0; s <= steps; ++s) {
            const double t = static_cast<double>(s) / steps;
            disc(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, width / 2, c);
        }
    }
    // Polyline in geographic coordinates.
    void path(const std::vector<std::pair<double, double>>& pts, double width, uint32_t c) {
        for (size_t i = 1; i < pts.size(); ++i)
            line(px(pts[i - 1].second), py(pts[i - 1].first), px(pts[i].second), py(pts[i].first), width, c);
    }
    // Filled ellipse in geographic coordinates, wobbled so it looks like a lake or a wood.
    void blob(double lat, double lon, double dLat, double dLon, uint32_t c, int seed) {
        const double cx = px(lon), cy = py(lat);
        const double rx = dLon / (right - left) * img.width, ry = dLat / (top - bottom) * img.height;
        for (int j = static_cast<int>(cy - ry * 1.3); j <= static_cast<int>(cy + ry * 1.3); ++j)
            for (int i = static_cast<int>(cx - rx * 1.3); i <= static_cast<int>(cx + rx * 1.3); ++i) {
                const double a = std::atan2(j - cy, i - cx);
                const double wobble = 1 + 0.18 * std::sin(3 * a + seed) + 0.1 * std::sin(5 * a + 2 * seed);
                const double u = (i - cx) / rx, v = (j - cy) / ry;
                if (u * u + v * v <= wobble * wobble) dot(i, j, c);
            }
    }
};

// 5 x 7 glyphs for the labels.
const char* glyph(char ch) {
    switch (ch) {
        case '0': return " ### #   ##  ### # ###  ##   # ### ";
        case '1': return "  #   ##    #    #    #    #   ### ";
        case '2': return " ### #   #    #   #   #   #   #####";
        case '3': return "#####   #   #     #     ##   # ### ";
        case '4': return "   #   ##  # # #  # #####   #    # ";
        case '5': return "######    ####     #    ##   # ### ";
        case '6': return "  ##  #   #    #### #   ##   # ### ";
        case '7': return "#####    #   #   #   #    #    #   ";
        case '8': return " ### #   ##   # ### #   ##   # ### ";
        case '9': return " ### #   ##   # ####    #   #  ##  ";
        case '.': return "                         ##   ##   ";
        case 'N': return "#   ###  ## # ##  ###   ##   ##   #";
        case 'E': return "######    #    #### #    #    #####";
        case 'S': return " ####    #     ###     #    #####  ";
        case 'W': return "#   ##   ##   ## # ## # ##   ##   #";
        case 'A': return " ### #   ##   #######   ##   ##   #";
        case 'C': return " ### #   ##    #    #    #   # ### ";
        case 'D': return "#### #   ##   ##   ##   ##   ##### ";
        case 'I': return " ###   #    #    #    #    #   ### ";
        case 'K': return "#   ##  # # #  ##   # #  #  # #   #";
        case 'M': return "#   ### ### # ## # ##   ##   ##   #";
        case 'O': return " ### #   ##   ##   ##   ##   # ### ";
        case 'P': return "#### #   ##   ##### #    #    #    ";
        case 'R': return "#### #   ##   ##### # #  #  # #   #";
        case 'T': return "#####  #    #    #    #    #    #  ";
        case 'V': return "#   ##   ##   ##   ##   # # #   #  ";
        case 'H': return "#   ##   ##   #######   ##   ##   #";
        case 'L': return "#    #    #    #    #    #    #####";
        case 'U': return "#   ##   ##   ##   ##   ##   # ### ";
        default: return nullptr;
    }
}

void text(Canvas& c, int x, int y, const std::string& s, int scale, uint32_t colour, bool halo = true) {
    for (int pass = halo ? 0 : 1; pass < 2; ++pass) {
        int cx = x;
        for (char ch : s) {
            const char* g = glyph(ch);
            if (g)
                for (int r = 0; r < 7; ++r)
                    for (int k = 0; k < 5; ++k)
                        if (g[r * 5 + k] == '#')
                            for (int a = 0; a < scale; ++a)
                                for (int b = 0; b < scale; ++b) {
                                    const int X = cx + k * scale + a, Y = y + r * scale + b;
                                    if (pass == 0) {
                                        for (int d = -1; d <= 1; ++d)
                                            for (int e = -1; e <= 1; ++e) c.dot(X + d, Y + e, kMinor);
                                    } else {
                                        c.dot(X, Y, colour);
                                    }
                                }
            cx += 6 * scale;
        }
    }
}

std::string degreeLabel(double v, bool latitude) {
    std::string s = FormatFixed(std::fabs(v), 2);
    return s + (latitude ? (v < 0 ? "S" : "N") : (v < 0 ? "W" : "E"));
}

void drawCountry(Canvas& c, double detail) {
    c.img.reset(c.img.width, c.img.height, kLand);
    // Woods and lakes first, everything else over them.
    const struct { double lat, lon, dLat, dLon; uint32_t colour; } areas[] = {
        {52.47, 13.24, 0.035, 0.06, kForest}, {52.60, 13.28, 0.03, 0.07, kForest},
        {52.45, 13.58, 0.04, 0.05, kForest},  {52.515, 13.36, 0.006, 0.02, kForest},
        {52.44, 13.20, 0.02, 0.025, kWater},  {52.43, 13.61, 0.018, 0.04, kWater},
        {52.59, 13.50, 0.012, 0.02, kWater},  {52.50, 13.42, 0.018, 0.03, kTown},
        {52.53, 13.30, 0.012, 0.02, kTown},
    };
    int seed = 1;
    for (const auto& a : areas) c.blob(a.lat, a.lon, a.dLat, a.dLon, a.colour, seed++);
    // The river: a meander across the sheet from south-east to west.
    std::vector<std::pair<double, double>> river;
    for (double lon = 13.70; lon >= 13.10; lon -= 0.002)
        river.push_back({52.49 + 0.012 * std::sin((lon - 13.3) * 40) + (13.7 - lon) * 0.05, lon});
    c.path(river, 7 * detail, kWater);
    // Roads: a ring and radial roads from the centre.
    std::vector<std::pair<double, double>> ring;
    for (int i = 0; i <= 72; ++i) {
        const double a = i * 2 * 3.14159265359 / 72;
        ring.push_back({52.51 + 0.075 * std::sin(a), 13.40 + 0.13 * std::cos(a)});
    }
    c.path(ring, 4 * detail, kRoad);
    for (int i = 0; i < 8; ++i) {
        const double a = i * 2 * 3.14159265359 / 8 + 0.3;
        c.path({{52.51, 13.40}, {52.51 + 0.2 * std::sin(a), 13.40 + 0.35 * std::cos(a)}}, 3 * detail, kRoad);
    }
    // The road the demo's tour drives along.
    std::vector<std::pair<double, double>> tour;
    for (const DemoPlace& p : DemoTour()) tour.push_back({p.latitude, p.longitude});
    c.path(tour, 3 * detail, kRoad);
    // A street grid in the town, and a railway with its ties.
    for (double lat = 52.48; lat <= 52.54; lat += 0.008) c.path({{lat, 13.36}, {lat, 13.46}}, 1.5 * detail, kMinor);
    for (double lon = 13.36; lon <= 13.46; lon += 0.012) c.path({{52.48, lon}, {52.54, lon}}, 1.5 * detail, kMinor);
    c.path({{52.38, 13.15}, {52.53, 13.38}, {52.66, 13.60}}, 1.5, kRail);
    for (double t = 0; t <= 1; t += 0.01) {
        const double lat = 52.38 + t * 0.15, lon = 13.15 + t * 0.23;
        c.line(c.px(lon) - 3, c.py(lat) - 3, c.px(lon) + 3, c.py(lat) + 3, 1, kRail);
    }
}

void drawGrid(Canvas& c, double stepLat, double stepLon, int scale) {
    for (double lat = std::ceil(c.bottom / stepLat) * stepLat; lat < c.top; lat += stepLat) {
        const int y = static_cast<int>(c.py(lat));
        for (int x = 0; x < c.img.width; ++x)
            if (x % 6 < 4) c.dot(x, y, kGrid);
        for (int x = 40; x < c.img.width; x += 100 * (scale + 2)) text(c, x, y + 4, degreeLabel(lat, true), scale, kText);
    }
    for (double lon = std::ceil(c.left / stepLon) * stepLon; lon < c.right; lon += stepLon) {
        const int x = static_cast<int>(c.px(lon));
        for (int y = 0; y < c.img.height; ++y)
            if (y % 6 < 4) c.dot(x, y, kGrid);
        for (int y = 30; y < c.img.height; y += 80 * (scale + 2)) text(c, x + 4, y, degreeLabel(lon, false), scale, kText);
    }
}

void label(Canvas& c, double lat, double lon, const std::string& s, int scale) {
    c.disc(c.px(lon), c.py(lat), 3 * scale, kText);
    text(c, static_cast<int>(c.px(lon)) + 4 * scale, static_cast<int>(c.py(lat)) - 3 * scale, s, scale, kText);
}

bool writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

struct MapSpec {
    std::string folder, extension;
    int columns, rows, tile;
    double top, left, bottom, right;
    double detail;
    double gridLat, gridLon;
    int textScale;
};

bool writeMap(const std::string& out, const MapSpec& m) {
    const std::string folder = out + "/" + m.folder;
    std::filesystem::create_directories(folder);
    Canvas c{{}, m.top, m.left, m.bottom, m.right};
    c.img.reset(m.columns * m.tile, m.rows * m.tile, kLand);
    drawCountry(c, m.detail);
    drawGrid(c, m.gridLat, m.gridLon, m.textScale);
    label(c, 52.480123, 13.351234, "CAMP", m.textScale);
    label(c, 52.60, 13.28, "WOOD", m.textScale);
    text(c, 12, 12, m.folder == "centre" ? "CENTRE MAP" : "OVERVIEW MAP", m.textScale + 1, kText);
    RasterImage tile;
    for (int r = 0; r < m.rows; ++r)
        for (int col = 0; col < m.columns; ++col) {
            tile.reset(m.tile, m.tile, 0);
            for (int y = 0; y < m.tile; ++y)
                std::copy_n(c.img.row(r * m.tile + y) + col * m.tile, m.tile, tile.row(y));
            const std::string path = folder + "/" + std::to_string(r * m.columns + col) + "." + m.extension;
            const bool ok = m.extension == "png" ? WritePngRgb(path, tile) : WriteBmp(path, tile, 8, kPalette);
            if (!ok) {
                std::fprintf(stderr, "korvance-demo-maps: can't write %s\n", path.c_str());
                return false;
            }
        }
    auto f8 = [](double v) { return FormatFixed(v, 8); };
    const std::string info = "Korvan CE\r\n101\r\n" + m.extension + "\r\n" + std::to_string(m.columns) + "\r\n" +
                             std::to_string(m.rows) + "\r\n" + f8(m.top) + "\r\n" + f8(m.left) + "\r\n" +
                             f8(m.bottom) + "\r\n" + f8(m.right) + "\r\n" + std::to_string(m.tile) + "\r\n" +
                             std::to_string(m.tile) + "\r\n24\r\n";
    return writeText(folder + "/mapinfo.dat", info);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvance-demo-maps <output folder>\n");
        return 2;
    }
    const std::string out = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(out, ec);
    // The overview: 5 x 4 PNG tiles of 0.1 by 0.06 degrees.
    const MapSpec overview{"overview", "png", 5, 4, 256, 52.64, 13.15, 52.40, 13.65, 1.0, 0.05, 0.1, 2};
    // The centre: 4 x 4 BMP tiles of 512 pixels, 0.04 by 0.02 degrees, over the track and the
    // waypoints; its window (1536 pixels) fills a desktop-sized view.
    const MapSpec centre{"centre", "bmp", 4, 4, 512, 52.54, 13.30, 52.46, 13.46, 4.0, 0.01, 0.02, 3};
    if (!writeMap(out, overview) || !writeMap(out, centre)) return 1;
    // Written as on the device: backslashes, CR LF, and a priority for each entry.
    const std::string list = "Map List for Korvan CE (demo)\r\n; the detailed map wins where both cover\r\n102\r\n"
                             "centre\\mapinfo.dat\t20000\r\noverview\\mapinfo.dat\t30000\r\n";
    if (!writeText(out + "/demo.lst", list)) {
        std::fprintf(stderr, "korvance-demo-maps: can't write %s/demo.lst\n", out.c_str());
        return 1;
    }
    return 0;
}
