// Making maps from rasters that the tests build with GDAL: the made map must put
// positions where GDAL says they are, pad its edge tiles white, join a map list
// and refuse bad input without leaving anything behind.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "cli/Cli.h"
#include "files/TempDir.h"
#include "geodesy/Datum.h"
#include "mapmake/MapMake.h"
#include "maps/MapImage.h"
#include "maps/MapSet.h"
#include "platform/CodePage.h"
#include "platform/testing/ScriptedPrompt.h"

namespace korvance {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRed = 0xFF0000;
constexpr uint8_t kGrey = 0xC8, kDark = 0x40;

// A scratch folder that the unprivileged child of the read-only case can read.
struct Scratch : korvance::testing::TempDir {
    Scratch() { chmod(path().c_str(), 0755); }
    std::string operator/(const std::string& name) const { return file(name); }
    std::set<std::string> names() const {
        const std::vector<std::string> e = entries();
        return {e.begin(), e.end()};
    }
};

struct Marker {
    int x, y;  // source pixel at the middle of a 3 x 3 red square
};

// Grey with dark lines every 50 pixels and red squares at the markers, as RGB bytes.
std::vector<uint8_t> picture(int w, int h, const std::vector<Marker>& markers) {
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t v = (x % 50 == 0 || y % 50 == 0) ? kDark : kGrey;
            std::fill_n(&rgb[(size_t(y) * w + x) * 3], 3, v);
        }
    for (const Marker& m : markers)
        for (int y = m.y - 1; y <= m.y + 1; ++y)
            for (int x = m.x - 1; x <= m.x + 1; ++x) {
                uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
                p[0] = 255, p[1] = 0, p[2] = 0;
            }
    return rgb;
}

std::string wktOf(const char* userInput) {
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    EXPECT_EQ(OSRSetFromUserInput(srs, userInput), OGRERR_NONE) << userInput;
    char* text = nullptr;
    OSRExportToWkt(srs, &text);
    std::string wkt = text;
    CPLFree(text);
    OSRDestroySpatialReference(srs);
    return wkt;
}

struct SourceSpec {
    std::string driver = "GTiff";
    int width = 0, height = 0;
    std::string srs;            // "" for none
    std::vector<double> gt;     // empty for none
    bool palette = false;
    bool worldFile = false;     // the georeference goes into a .pgw beside a PNG
    bool controlPoints = false; // the georeference is five control points, as in a chart
};

std::string num(double v) {
    char b[40];
    return std::string(b, std::to_chars(b, b + sizeof b, v).ptr);
}

// Writes the raster with GDAL: an in-memory image copied into the driver's format.
void writeSource(const std::string& path, const SourceSpec& s, const std::vector<Marker>& markers) {
    GDALAllRegister();
    const std::vector<uint8_t> rgb = picture(s.width, s.height, markers);
    const int bands = s.palette ? 1 : 3;
    GDALDatasetH mem = GDALCreate(GDALGetDriverByName("MEM"), "", s.width, s.height, bands, GDT_Byte, nullptr);
    ASSERT_NE(mem, nullptr);
    if (s.palette) {
        std::vector<uint8_t> index(size_t(s.width) * s.height);
        for (size_t i = 0; i < index.size(); ++i) index[i] = rgb[i * 3] == 255 ? 2 : rgb[i * 3] == kDark ? 1 : 0;
        GDALColorTableH table = GDALCreateColorTable(GPI_RGB);
        const GDALColorEntry entries[3] = {{kGrey, kGrey, kGrey, 255}, {kDark, kDark, kDark, 255}, {255, 0, 0, 255}};
        for (int i = 0; i < 3; ++i) GDALSetColorEntry(table, i, &entries[i]);
        GDALSetRasterColorTable(GDALGetRasterBand(mem, 1), table);
        GDALDestroyColorTable(table);
        ASSERT_EQ(GDALRasterIO(GDALGetRasterBand(mem, 1), GF_Write, 0, 0, s.width, s.height, index.data(), s.width,
                               s.height, GDT_Byte, 0, 0),
                  CE_None);
    } else {
        ASSERT_EQ(GDALDatasetRasterIO(mem, GF_Write, 0, 0, s.width, s.height, const_cast<uint8_t*>(rgb.data()),
                                      s.width, s.height, GDT_Byte, 3, nullptr, 3, 3 * s.width, 1),
                  CE_None);
    }
    if (s.controlPoints) {
        const double px[5] = {0, double(s.width), 0, double(s.width), s.width / 2.0};
        const double py[5] = {0, 0, double(s.height), double(s.height), s.height / 2.0};
        GDAL_GCP gcps[5];
        GDALInitGCPs(5, gcps);
        for (int i = 0; i < 5; ++i) {
            gcps[i].dfGCPPixel = px[i];
            gcps[i].dfGCPLine = py[i];
            gcps[i].dfGCPX = s.gt[0] + px[i] * s.gt[1] + py[i] * s.gt[2];
            gcps[i].dfGCPY = s.gt[3] + px[i] * s.gt[4] + py[i] * s.gt[5];
        }
        ASSERT_EQ(GDALSetGCPs(mem, 5, gcps, wktOf(s.srs.c_str()).c_str()), CE_None);
        GDALDeinitGCPs(5, gcps);
    } else {
        if (!s.gt.empty() && !s.worldFile) GDALSetGeoTransform(mem, const_cast<double*>(s.gt.data()));
        if (!s.srs.empty()) GDALSetProjection(mem, wktOf(s.srs.c_str()).c_str());
    }
    GDALDatasetH out = GDALCreateCopy(GDALGetDriverByName(s.driver.c_str()), path.c_str(), mem, FALSE, nullptr,
                                      nullptr, nullptr);
    ASSERT_NE(out, nullptr) << CPLGetLastErrorMsg();
    GDALClose(out);
    GDALClose(mem);
    if (s.worldFile) {
        // A, D, B, E, then the middle of the top-left pixel.
        const auto& g = s.gt;
        std::ofstream(fs::path(path).replace_extension(".pgw"))
            << num(g[1]) << "\n" << num(g[4]) << "\n" << num(g[2]) << "\n" << num(g[5]) << "\n"
            << num(g[0] + g[1] / 2 + g[2] / 2) << "\n" << num(g[3] + g[4] / 2 + g[5] / 2) << "\n";
    }
}

// Where GDAL puts the middle of source pixel (x, y), as latitude/longitude of `datum`:
// through the source's coordinate system into WGS 84, then the program's own shift.
void gdalPosition(const SourceSpec& s, const std::string& datum, const Marker& m, double& lat, double& lon) {
    const auto& g = s.gt;
    double x = g[0] + (m.x + 0.5) * g[1] + (m.y + 0.5) * g[2];
    double y = g[3] + (m.x + 0.5) * g[4] + (m.y + 0.5) * g[5];
    if (s.srs.empty()) {  // already latitude/longitude of the datum
        lon = x, lat = y;
        return;
    }
    OGRSpatialReferenceH from = OSRNewSpatialReference(nullptr), to = OSRNewSpatialReference(nullptr);
    OSRSetFromUserInput(from, s.srs.c_str());
    OSRSetFromUserInput(to, "EPSG:4326");
    OSRSetAxisMappingStrategy(from, OAMS_TRADITIONAL_GIS_ORDER);
    OSRSetAxisMappingStrategy(to, OAMS_TRADITIONAL_GIS_ORDER);
    OGRCoordinateTransformationH ct = OCTNewCoordinateTransformation(from, to);
    ASSERT_NE(ct, nullptr);
    ASSERT_TRUE(OCTTransform(ct, 1, &x, &y, nullptr));
    OCTDestroyCoordinateTransformation(ct);
    OSRDestroySpatialReference(from);
    OSRDestroySpatialReference(to);
    double h = 0;
    Datum(datum).FromWgs84(y, x, 0, lat, lon, h);
}

// The made map's pixels, tile by tile as the program reads them.
class MadeMap {
public:
    MadeMap(std::string folder, MapInfo info) : folder_(std::move(folder)), info_(info) {}
    uint32_t at(int x, int y) {
        const int n = info_.tileWidth;
        const int tile = (y / n) * info_.columns + x / n;
        auto it = tiles_.find(tile);
        if (it == tiles_.end()) {
            RasterImage img;
            const std::string path = folder_ + "/" + std::to_string(tile) + "." + info_.extension;
            EXPECT_EQ(info_.extension == "png" ? DecodePng(path, img) : DecodeBmp(path, img), 1) << path;
            it = tiles_.emplace(tile, std::move(img)).first;
        }
        if (it->second.width != n) return 0xFFFFFFFF;
        return it->second.at(x % n, y % n);
    }

private:
    std::string folder_;
    MapInfo info_;
    std::map<int, RasterImage> tiles_;
};

TEST(MapMake, PositionsLandWhereGdalPutsThem) {
    const std::vector<double> utm = {380000, 10, 0, 5830000, 0, -10};
    const std::vector<double> geographic = {13.2, 0.0002, 0, 52.6, 0, -0.00012};
    struct Case {
        const char* name;
        SourceSpec source;
        std::string datum;
        std::string format;
        int tile;
        bool warped;
        std::vector<CalibrationPoint> points;
    };
    const Case cases[] = {
        {"UTM 33N into European 1950, BMP", {"GTiff", 1000, 800, "EPSG:32633", utm}, "European 1950", "bmp", 200, true, {}},
        {"paletted chart in UTM", {"GTiff", 1000, 800, "EPSG:32633", utm, true}, "WGS 84", "png", 256, true, {}},
        {"chart placed by control points", {"GTiff", 1000, 800, "EPSG:32633", utm, true, false, true}, "WGS 84", "png", 256, true, {}},
        {"geographic GeoTIFF", {"GTiff", 900, 700, "EPSG:4326", geographic}, "WGS 84", "png", 256, false, {}},
        {"PNG with a world file", {"PNG", 900, 700, "", geographic, false, true}, "Tokyo", "png", 128, false, {}},
        // Pixels (100, 100) and (700, 500) of the geographic grid above.
        {"plain PNG with two points", {"PNG", 900, 700, "", {}}, "WGS 84", "png", 256, false,
         {{100, 100, 13.2 + 100 * 0.0002, 52.6 - 100 * 0.00012}, {700, 500, 13.2 + 700 * 0.0002, 52.6 - 500 * 0.00012}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch dir;
        const int w = c.source.width, h = c.source.height;
        const std::vector<Marker> markers = {{20, 20}, {w / 2, h / 2}, {w / 3, 2 * h / 3}, {w - 20, h - 30}, {w - 10, 12}};
        const std::string source = dir / (c.source.driver == "PNG" ? "scan.png" : "map.tif");
        writeSource(source, c.source, markers);
        MapMakeRequest request;
        request.source = source;
        request.folder = dir / "made";
        request.tileSize = c.tile;
        request.format = c.format;
        request.datum = c.datum;
        request.points = c.points;
        MapMakeResult result;
        ASSERT_EQ(MakeMap(request, result), "");
        EXPECT_EQ(result.warped, c.warped);
        if (!c.warped) {
            EXPECT_EQ(result.imageWidth, w);
            EXPECT_EQ(result.imageHeight, h);
        }

        MapInfo info;
        ASSERT_EQ(ParseMapInfo(dir / "made/mapinfo.dat", info), MapInfoResult::Ok);
        EXPECT_EQ(info.extension, c.format);
        EXPECT_EQ(info.tileWidth, c.tile);
        EXPECT_EQ(info.columns, (result.imageWidth + c.tile - 1) / c.tile);
        EXPECT_EQ(info.rows, (result.imageHeight + c.tile - 1) / c.tile);
        size_t tiles = 0;
        for (auto& e : fs::directory_iterator(dir / "made")) tiles += e.path().extension() == "." + c.format;
        EXPECT_EQ(tiles, size_t(info.columns) * info.rows);
        EXPECT_EQ(dir.entries().size(), c.source.worldFile ? 3u : 2u) << "only the source and the map";

        // The program's own mapping over the whole map.
        const int mapW = info.columns * c.tile, mapH = info.rows * c.tile;
        MapSet maps;
        maps.SetWindowGeometry(mapW, mapH, info.top, info.bottom, info.left, info.right);
        MadeMap made(dir / "made", info);
        SourceSpec placed = c.source;
        if (!c.points.empty()) placed.gt = geographic;
        for (const Marker& m : markers) {
            double lat = 0, lon = 0;
            gdalPosition(placed, c.datum, m, lat, lon);
            const MapPoint p = maps.GeoToView(lat, lon);
            double sx = 0, sy = 0;
            int count = 0;
            for (int y = std::max(0, p.y - 4); y <= std::min(mapH - 1, p.y + 4); ++y)
                for (int x = std::max(0, p.x - 4); x <= std::min(mapW - 1, p.x + 4); ++x)
                    if (made.at(x, y) == kRed) sx += x + 0.5, sy += y + 0.5, ++count;
            ASSERT_GT(count, 0) << "marker " << m.x << "," << m.y << " not near " << p.x << "," << p.y;
            EXPECT_LE(std::fabs(sx / count - (p.x + 0.5)), 1.0) << "marker " << m.x << "," << m.y;
            EXPECT_LE(std::fabs(sy / count - (p.y + 0.5)), 1.0) << "marker " << m.x << "," << m.y;
        }
        // Beyond the picture the edge tiles are white.
        ASSERT_GT(mapW, result.imageWidth);
        ASSERT_GT(mapH, result.imageHeight);
        for (int y = 0; y < mapH; y += 7) EXPECT_EQ(made.at(mapW - 1, y), kWhite) << "right edge, y " << y;
        for (int x = 0; x < mapW; x += 7) EXPECT_EQ(made.at(x, mapH - 1), kWhite) << "bottom edge, x " << x;
        // Inside the picture, away from the markers, the grey background arrives unchanged.
        if (!c.warped) {
            EXPECT_EQ(made.at(w / 2 + 10, h / 2 + 10), 0xC8C8C8u);
        }
    }
}

struct CliRun {
    int code;
    std::string out, err;
};

CliRun cli(std::vector<std::string> words) {
    cli::Args args(std::move(words));
    std::ostringstream out, err;
    const int code = cli::runMap(args, out, err);
    return {code, out.str(), err.str()};
}

TEST(MapMake, MapListGainsTheEntryAndTheChoiceFindsIt) {
    Scratch dir;
    // An overview in geographic coordinates and a detailed UTM map inside it.
    writeSource(dir / "overview.tif", {"GTiff", 600, 500, "EPSG:4326", {13.0, 0.001, 0, 52.8, 0, -0.0006}}, {});
    writeSource(dir / "detail.tif", {"GTiff", 500, 400, "EPSG:32633", {380000, 10, 0, 5830000, 0, -10}}, {});
    // An existing plain list (version 101, CR LF) naming a map that is not there.
    std::ofstream(dir / "maps.lst", std::ios::binary) << "Map List for Korvan CE\r\n; mine\r\n101\r\nold\\mapinfo.dat\r\n";

    CliRun r = cli({"make", dir / "overview.tif", "-o", dir / "maps/overview", "--list", dir / "maps.lst"});
    ASSERT_EQ(r.code, cli::kOk) << r.err;
    EXPECT_NE(r.out.find("added maps\\overview\\mapinfo.dat to"), std::string::npos) << r.out;
    r = cli({"make", dir / "detail.tif", "-o", dir / "maps/detail", "--list", dir / "maps.lst", "--priority", "20000"});
    ASSERT_EQ(r.code, cli::kOk) << r.err;
    // Made again with another priority: the entry is replaced, not repeated.
    r = cli({"make", dir / "detail.tif", "-o", dir / "maps/detail", "--list", dir / "maps.lst", "--priority", "25000",
             "--tile", "128"});
    ASSERT_EQ(r.code, cli::kOk) << r.err;
    std::ifstream in(dir / "maps.lst", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "Map List for Korvan CE\r\n; mine\r\n102\r\nold\\mapinfo.dat\r\nmaps\\overview\\mapinfo.dat\r\n"
                    "maps\\detail\\mapinfo.dat\t25000\r\n");
    MapInfo detail;
    ASSERT_EQ(ParseMapInfo(dir / "maps/detail/mapinfo.dat", detail), MapInfoResult::Ok);
    EXPECT_EQ(detail.tileWidth, 128) << "the second make replaced the first";

    MapSet maps;
    ASSERT_TRUE(maps.LoadMapList(dir / "maps.lst", CodePage()));
    ASSERT_EQ(maps.list().count(), 3u);
    EXPECT_EQ(maps.list().priority(2), 25000);
    ScriptedPrompt prompt;
    const double inDetailLat = (detail.top + detail.bottom) / 2, inDetailLon = (detail.left + detail.right) / 2;
    EXPECT_EQ(maps.ChooseMapAt(inDetailLat, inDetailLon, prompt).value_or(""), dir / "maps/detail/mapinfo.dat");
    EXPECT_EQ(maps.ChooseMapAt(52.75, 13.05, prompt).value_or(""), dir / "maps/overview/mapinfo.dat");
}

TEST(MapMake, CommandLineMistakesAreUsageErrors) {
    struct Case {
        std::vector<std::string> words;
        const char* says;
    };
    const Case cases[] = {
        {{"make", "a.tif"}, "-o FOLDER"},
        {{"make", "-o", "out"}, "one SOURCE"},
        {{"make", "a.tif", "-o", "out", "--tile", "8"}, "--tile 8"},
        {{"make", "a.tif", "-o", "out", "--format", "gif"}, "png or bmp"},
        {{"make", "a.tif", "-o", "out", "--datum", "Tokio"}, "\"Tokyo\""},
        {{"make", "a.tif", "-o", "out", "--priority", "5"}, "needs --list"},
        {{"make", "a.tif", "-o", "out", "--point", "1", "2", "52", "13"}, "--point twice"},
        {{"make", "a.tif", "-o", "out", "--point", "1", "2", "95", "13", "--point", "3", "4", "52", "13"}, "latitude '95'"},
        {{"make", "a.tif", "-o", "out", "--point", "1", "2"}, "X Y LAT LON"},
        {{"frobnicate"}, "unknown action"},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(c.words);
        EXPECT_EQ(r.code, cli::kUsage) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

// Runs MakeMap as an unprivileged user when the tests run as root, for whom no folder is read-only.
std::string makeWithoutPrivileges(const MapMakeRequest& request) {
    MapMakeResult result;
    if (geteuid() != 0) return MakeMap(request, result);
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        const std::string message = MakeMap(request, result);
        const ssize_t written = write(pipeFds[1], message.data(), message.size());
        _exit(written == ssize_t(message.size()) ? 0 : 4);
    }
    close(pipeFds[1]);
    std::string message;
    char buf[512];
    for (ssize_t got; (got = read(pipeFds[0], buf, sizeof buf)) > 0;) message.append(buf, size_t(got));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return message;
}

TEST(MapMake, BadInputIsRefusedAndLeavesNothing) {
    const SourceSpec utm = {"GTiff", 300, 200, "EPSG:32633", {380000, 10, 0, 5830000, 0, -10}};
    struct Case {
        const char* name;
        std::function<void(Scratch&, MapMakeRequest&)> prepare;
        std::vector<std::string> says;  // besides the file's name
        bool sayFolder = false;         // the message names the output folder rather than the source
        bool unprivileged = false;      // run as a user that root's permissions do not cover
    };
    const Case cases[] = {
        {"corrupt TIFF",
         [](Scratch& d, MapMakeRequest& r) {
             std::ofstream(r.source = d / "bad.tif", std::ios::binary) << std::string("II*\0\x08\0\0\0", 8) << std::string(500, '\x7f');
         },
         {"not an image GDAL can read"}},
        {"truncated TIFF",
         [&](Scratch& d, MapMakeRequest& r) {
             SourceSpec s = utm;
             writeSource(r.source = d / "cut.tif", s, {});
             fs::resize_file(r.source, fs::file_size(r.source) / 2);
             r.folder = d / "new/made";  // the folder made for it goes again
         },
         {"cannot be read"}},
        {"TIFF without a georeference",
         [&](Scratch& d, MapMakeRequest& r) {
             SourceSpec s = utm;
             s.srs.clear();
             s.gt.clear();
             writeSource(r.source = d / "plain.tif", s, {});
         },
         {"has no georeference", "--point"}},
        {"world file in metres without a coordinate system",
         [&](Scratch& d, MapMakeRequest& r) {
             SourceSpec s = utm;
             s.driver = "PNG";
             s.srs.clear();
             s.worldFile = true;
             writeSource(r.source = d / "metres.png", s, {});
         },
         {"no coordinate system"}},
        {"coordinate system with no way to latitude and longitude",
         [&](Scratch& d, MapMakeRequest& r) {
             SourceSpec s = utm;
             s.srs = "LOCAL_CS[\"plant grid\",UNIT[\"metre\",1]]";
             writeSource(r.source = d / "local.tif", s, {});
         },
         {"cannot be turned into latitude and longitude on WGS 84"}},
        {"two points on one pixel row",
         [&](Scratch& d, MapMakeRequest& r) {
             writeSource(r.source = d / "scan.tif", {"GTiff", 300, 200, "", {}}, {});
             r.points = {{10, 50, 13.2, 52.6}, {200, 50, 13.4, 52.5}};
         },
         {"one pixel row or column"}},
        {"read-only output folder",
         [&](Scratch& d, MapMakeRequest& r) {
             writeSource(r.source = d / "map.tif", utm, {});
             fs::create_directory(d / "ro");
             chmod((d / "ro").c_str(), 0555);
             r.folder = d / "ro/made";
         },
         {"cannot be written", std::strerror(EACCES)}, true, true},  // the reason in the user's language
        {"folder of other files",
         [&](Scratch& d, MapMakeRequest& r) {
             writeSource(r.source = d / "map.tif", utm, {});
             fs::create_directory(d / "made");
             std::ofstream(d / "made/notes.txt") << "mine";
         },
         {"not replaced"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scratch dir;
        MapMakeRequest request;
        request.folder = dir / "made";
        c.prepare(dir, request);
        const std::set<std::string> before = dir.names();
        MapMakeResult result;
        const std::string message = c.unprivileged ? makeWithoutPrivileges(request) : MakeMap(request, result);
        ASSERT_FALSE(message.empty());
        EXPECT_NE(message.find(c.sayFolder ? request.folder : request.source), std::string::npos) << message;
        for (const auto& s : c.says) EXPECT_NE(message.find(s), std::string::npos) << message;
        EXPECT_EQ(dir.names(), before) << message;
        if (fs::exists(dir / "ro")) {
            EXPECT_TRUE(fs::is_empty(dir / "ro"));
        }
        if (fs::exists(dir / "made")) {
            EXPECT_TRUE(fs::exists(dir / "made/notes.txt"));
        }
    }
}

}  // namespace
}  // namespace korvance
