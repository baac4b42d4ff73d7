// Making 256 x 256 PNG tiles from a UTM GeoTIFF into latitude/longitude, beside
// GDAL's own tools doing the same work in the same run: gdalwarp (GDALWarp, the
// library behind the tool) into an in-memory image of exactly the made map's
// grid, then gdal_translate (GDALTranslate) of each tile to PNG. Both use
// nearest neighbour, white outside the picture, and libpng's default compression.
// KORVANCE_BENCH_SIDE sets the source's side in pixels (default 3000).

#include <benchmark/benchmark.h>
#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_utils.h>
#include <ogr_srs_api.h>
#include <stdlib.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "mapmake/MapMake.h"

using namespace korvance;
namespace fs = std::filesystem;

namespace {

std::string num(double v) {
    char b[40];
    return std::string(b, std::to_chars(b, b + sizeof b, v).ptr);
}

// A scratch folder with the source: soft colour gradients crossed by lines and
// blocks, so that the PNG encoder has work like that of a scanned map.
struct Bench {
    fs::path dir;
    std::string source;
    MapMakeResult made;
    std::string wgs84Wkt;

    Bench() {
        const char* sideText = std::getenv("KORVANCE_BENCH_SIDE");
        const int side = sideText ? std::atoi(sideText) : 3000;
        std::string templ = (fs::temp_directory_path() / "mapmake-bench-XXXXXX").string();
        dir = mkdtemp(templ.data());
        source = (dir / "source.tif").string();
        GDALAllRegister();
        char** options = CSLSetNameValue(nullptr, "TILED", "YES");
        GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GTiff"), source.c_str(), side, side, 3, GDT_Byte, options);
        CSLDestroy(options);
        const double gt[6] = {380000, 5, 0, 5830000, 0, -5};
        GDALSetGeoTransform(ds, const_cast<double*>(gt));
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        OSRImportFromEPSG(srs, 32633);
        GDALSetSpatialRef(ds, srs);
        OSRDestroySpatialReference(srs);
        std::vector<uint8_t> row(size_t(side) * 3);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const bool line = x % 97 < 2 || y % 131 < 2 || ((x / 40 + y / 40) % 11 == 0);
                row[3 * x] = line ? 40 : uint8_t(150 + (x * 7 / 100) % 90);
                row[3 * x + 1] = line ? 40 : uint8_t(170 + (y * 5 / 100) % 80);
                row[3 * x + 2] = line ? 90 : uint8_t(120 + ((x + y) / 60) % 100);
            }
            if (GDALDatasetRasterIO(ds, GF_Write, 0, y, side, 1, row.data(), side, 1, GDT_Byte, 3, nullptr, 3,
                                    3 * side, 1) != CE_None)
                break;
        }
        GDALClose(ds);
        MapMakeRequest request;
        request.source = source;
        request.folder = (dir / "first").string();
        MakeMap(request, made);
        OGRSpatialReferenceH wgs = OSRNewSpatialReference(nullptr);
        OSRSetFromUserInput(wgs, "+proj=longlat +datum=WGS84 +no_defs");
        char* text = nullptr;
        OSRExportToWkt(wgs, &text);
        wgs84Wkt = text;
        CPLFree(text);
        OSRDestroySpatialReference(wgs);
    }
    ~Bench() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Bench& bench() {
    static Bench b;
    return b;
}

void BM_MakeMap(benchmark::State& state) {
    Bench& b = bench();
    MapMakeRequest request;
    request.source = b.source;
    request.folder = (b.dir / "ours").string();
    for (auto _ : state) {
        MapMakeResult result;
        const std::string problem = MakeMap(request, result);
        if (!problem.empty()) {
            state.SkipWithError(problem.c_str());
            return;
        }
        state.PauseTiming();
        fs::remove_all(request.folder);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_MakeMap)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GdalWarpTranslate(benchmark::State& state) {
    Bench& b = bench();
    const MapInfo& info = b.made.info;
    const int n = info.tileWidth, w = info.columns * n, h = info.rows * n;
    // The tiles carry no georeference, as ours do not: no .aux.xml beside each.
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
    const fs::path out = b.dir / "gdal";
    for (auto _ : state) {
        fs::create_directories(out);
        std::vector<std::string> warpArgs = {"-of", "MEM", "-t_srs", b.wgs84Wkt, "-te", num(info.left),
                                             num(info.bottom), num(info.right), num(info.top), "-ts",
                                             std::to_string(w), std::to_string(h), "-r", "near", "-wo",
                                             "INIT_DEST=255"};
        std::vector<char*> argv;
        for (auto& a : warpArgs) argv.push_back(a.data());
        argv.push_back(nullptr);
        GDALWarpAppOptions* wopt = GDALWarpAppOptionsNew(argv.data(), nullptr);
        GDALDatasetH src = GDALOpen(b.source.c_str(), GA_ReadOnly);
        GDALDatasetH warped = GDALWarp("", nullptr, 1, &src, wopt, nullptr);
        GDALWarpAppOptionsFree(wopt);
        if (!warped) {
            state.SkipWithError("gdalwarp failed");
            return;
        }
        for (int r = 0; r < info.rows; ++r)
            for (int c = 0; c < info.columns; ++c) {
                std::vector<std::string> args = {"-of", "PNG", "-srcwin", std::to_string(c * n),
                                                 std::to_string(r * n), std::to_string(n), std::to_string(n)};
                std::vector<char*> targv;
                for (auto& a : args) targv.push_back(a.data());
                targv.push_back(nullptr);
                GDALTranslateOptions* topt = GDALTranslateOptionsNew(targv.data(), nullptr);
                const std::string path = (out / (std::to_string(r * info.columns + c) + ".png")).string();
                GDALClose(GDALTranslate(path.c_str(), warped, topt, nullptr));
                GDALTranslateOptionsFree(topt);
            }
        GDALClose(warped);
        GDALClose(src);
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
    }
    CPLSetConfigOption("GDAL_PAM_ENABLED", nullptr);
}
BENCHMARK(BM_GdalWarpTranslate)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
