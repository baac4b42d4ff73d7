#include "mapmake/MapMake.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <gdal_alg.h>
#include <gdal_utils.h>
#include <gdalwarper.h>
#include <ogr_srs_api.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>

#include "geodesy/Datum.h"
#include "mapmake/TileWriters.h"
#include "maps/MapImage.h"

namespace korvance {

namespace {

namespace fs = std::filesystem;

// GDAL's block cache is a share of the machine's memory by default; a large scan
// would fill it with source blocks that are read once.
constexpr int64_t kBlockCache = 32LL * 1024 * 1024;

void initGdal() {
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        if (GDALGetCacheMax64() > kBlockCache) GDALSetCacheMax64(kBlockCache);
    });
}

// GDAL's messages are collected rather than printed; the last one explains a failure.
class QuietGdal {
public:
    QuietGdal() {
        CPLErrorReset();
        CPLPushErrorHandler(CPLQuietErrorHandler);
    }
    ~QuietGdal() { CPLPopErrorHandler(); }
    QuietGdal(const QuietGdal&) = delete;
    QuietGdal& operator=(const QuietGdal&) = delete;
};

std::string gdalReason(const char* fallback) {
    const char* m = CPLGetLastErrorMsg();
    return m && *m ? std::string(m) : std::string(fallback);
}

struct DatasetCloser {
    void operator()(void* ds) const { GDALClose(ds); }
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

struct TransformerDestroyer {
    void operator()(void* t) const { GDALDestroyGenImgProjTransformer(t); }
};
using Transformer = std::unique_ptr<void, TransformerDestroyer>;

// Shortest text that reads back as the same double, whatever the C locale.
std::string number(double v) {
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// Latitude/longitude on the datum's ellipsoid, tied to WGS 84 by the datum's
// three-parameter shift: the same datum the program shifts its positions into.
std::string datumWkt(const DatumRow& row) {
    std::string proj;
    if (row.da == 0 && row.df == 0 && row.dx == 0 && row.dy == 0 && row.dz == 0) {
        proj = "+proj=longlat +datum=WGS84 +no_defs";
    } else {
        const double a = wgs84::a - row.da;
        const double f = 1.0 / 298.257223563 - row.df;
        proj = "+proj=longlat +a=" + number(a) + (f > 0 ? " +f=" + number(f) : " +b=" + number(a)) +
               " +towgs84=" + number(row.dx) + "," + number(row.dy) + "," + number(row.dz) + " +no_defs";
    }
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    std::string wkt;
    char* text = nullptr;
    if (OSRImportFromProj4(srs, proj.c_str()) == OGRERR_NONE && OSRExportToWkt(srs, &text) == OGRERR_NONE)
        wkt = text;
    CPLFree(text);
    OSRDestroySpatialReference(srs);
    return wkt;
}

// The folder beside the target that receives the map until it is complete.
class MakingFolder {
public:
    ~MakingFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
        if (!createdParent_.empty()) fs::remove_all(createdParent_, ec);
    }
    // "" or the reason. Missing parent folders are made, and removed again on failure.
    std::string create(const fs::path& target) {
        const fs::path parent = target.parent_path().empty() ? fs::path(".") : target.parent_path();
        std::error_code ec;
        fs::path missing = parent;
        while (!missing.empty() && !fs::exists(missing.parent_path().empty() ? "." : missing.parent_path(), ec))
            missing = missing.parent_path();
        if (!fs::exists(parent, ec)) {
            if (!fs::create_directories(parent, ec)) return ec.message();
            createdParent_ = missing;
        }
        std::string templ = (parent / ("." + target.filename().string() + ".making-XXXXXX")).string();
        if (!mkdtemp(templ.data())) return std::strerror(errno);
        path_ = templ;
        // mkdtemp makes the folder private; a map folder gets the user's usual permissions.
        const mode_t mask = umask(0);
        umask(mask);
        chmod(path_.c_str(), 0777 & ~mask);
        return {};
    }
    const fs::path& path() const { return path_; }
    // Moves the folder to `target`, replacing the map there. "" or the reason.
    std::string finish(const fs::path& target) {
        std::error_code ec;
        if (fs::exists(target, ec)) {
            const fs::path old = path_.string() + "-old";
            if (std::rename(target.c_str(), old.c_str()) != 0) return std::strerror(errno);
            if (std::rename(path_.c_str(), target.c_str()) != 0) {
                const int err = errno;
                std::rename(old.c_str(), target.c_str());
                return std::strerror(err);
            }
            fs::remove_all(old, ec);
        } else if (std::rename(path_.c_str(), target.c_str()) != 0) {
            return std::strerror(errno);
        }
        path_.clear();
        createdParent_.clear();
        return {};
    }

private:
    fs::path path_;
    fs::path createdParent_;  // the outermost folder that create() made, "" when none
};

// An existing folder is replaced only when it is empty or holds a map: making a
// map never throws away anything else.
std::string checkTarget(const fs::path& target) {
    std::error_code ec;
    const auto st = fs::status(target, ec);
    if (!fs::exists(st)) return {};
    if (!fs::is_directory(st)) return target.string() + ": exists and is not a folder";
    if (fs::exists(target / "mapinfo.dat", ec) || fs::is_empty(target, ec)) return {};
    return target.string() + ": the folder holds other files and no mapinfo.dat; not replaced";
}

// The pixel grid of the map: the map's pixel (x, y) covers longitude
// gt[0] + x * gt[1] ... and latitude gt[3] + y * gt[5] ... (gt[5] negative).
struct Grid {
    double gt[6] = {0, 1, 0, 0, 0, -1};
    int width = 0, height = 0;
};

// Pixels roughly square on the ground at the map's middle latitude, about as
// many as the source has; the extent is GDAL's suggestion.
Grid groundSquareGrid(GDALDatasetH src, void* transformer, const double suggested[6], int sw, int sh) {
    const double west = suggested[0], north = suggested[3];
    const double east = west + sw * suggested[1], south = north + sh * suggested[5];
    const double cx = GDALGetRasterXSize(src) / 2.0, cy = GDALGetRasterYSize(src) / 2.0;
    double x[3] = {cx, cx + 1, cx}, y[3] = {cy, cy, cy + 1}, z[3] = {0, 0, 0};
    int ok[3] = {0, 0, 0};
    Grid g;
    g.gt[0] = west;
    g.gt[3] = north;
    double cosLat = std::max(0.01, std::cos((north + south) / 2 * wgs84::degToRad));
    if (GDALGenImgProjTransform(transformer, FALSE, 3, x, y, z, ok) && ok[0] && ok[1] && ok[2]) {
        cosLat = std::max(0.01, std::cos(y[0] * wgs84::degToRad));
        const double sx = std::hypot((x[1] - x[0]) * cosLat, y[1] - y[0]);
        const double sy = std::hypot((x[2] - x[0]) * cosLat, y[2] - y[0]);
        const double s = std::sqrt(sx * sy);
        if (std::isfinite(s) && s > 0) {
            g.gt[1] = s / cosLat;
            g.gt[5] = -s;
        }
    }
    if (g.gt[1] == 1 && g.gt[5] == -1) {  // the middle pixel did not transform: keep GDAL's resolution
        g.gt[1] = suggested[1];
        g.gt[5] = suggested[5];
    }
    g.width = static_cast<int>(std::min(1e9, std::ceil((east - west) / g.gt[1] - 1e-6)));
    g.height = static_cast<int>(std::min(1e9, std::ceil((south - north) / g.gt[5] - 1e-6)));
    return g;
}

// True when the transformer maps source pixels to the positions the source's own
// geotransform gives: the source is already latitude/longitude of the datum.
bool alreadyOnGrid(void* transformer, const double gt[6], int w, int h) {
    if (gt[2] != 0 || gt[4] != 0) return false;
    double x[5] = {0, double(w), 0, double(w), w / 2.0}, y[5] = {0, 0, double(h), double(h), h / 2.0};
    double ex[5], ey[5], z[5] = {0, 0, 0, 0, 0};
    int ok[5];
    for (int i = 0; i < 5; ++i) {
        ex[i] = gt[0] + x[i] * gt[1];
        ey[i] = gt[3] + y[i] * gt[5];
    }
    if (!GDALGenImgProjTransform(transformer, FALSE, 5, x, y, z, ok)) return false;
    for (int i = 0; i < 5; ++i)
        if (!ok[i] || std::fabs(x[i] - ex[i]) > 1e-9 || std::fabs(y[i] - ey[i]) > 1e-9) return false;
    return true;
}

bool plausiblyGeographic(const double gt[6], int w, int h) {
    const double xs[2] = {gt[0], gt[0] + w * gt[1] + h * gt[2]};
    const double ys[2] = {gt[3], gt[3] + w * gt[4] + h * gt[5]};
    for (double x : xs)
        if (!(x >= -180.5 && x <= 360.5)) return false;
    for (double y : ys)
        if (!(y >= -90.5 && y <= 90.5)) return false;
    return true;
}

int alphaBandOf(GDALDatasetH ds) {
    const int n = GDALGetRasterCount(ds);
    for (int b = 1; b <= n; ++b)
        if (GDALGetRasterColorInterpretation(GDALGetRasterBand(ds, b)) == GCI_AlphaBand) return b;
    return 0;
}

}  // namespace

std::string MakeMap(const MapMakeRequest& request, MapMakeResult& result, const MapMakeProgress& progress) {
    initGdal();
    QuietGdal quiet;
    const std::string& sourceName = request.source;
    const int n = request.tileSize;
    if (n < 16 || n > kMaxTileSide) return "tile size " + std::to_string(n) + " is outside 16 .. " + std::to_string(kMaxTileSide);
    if (request.format != "png" && request.format != "bmp") return "tile format '" + request.format + "' is neither png nor bmp";
    const int datumRow = FindDatumRow(request.datum);
    if (datumRow < 0) return "unknown datum '" + request.datum + "'";
    if (!request.points.empty() && request.points.size() != 2) return "give two --point options, not " + std::to_string(request.points.size());

    const fs::path target = fs::path(request.folder).lexically_normal();
    if (target.empty() || target.filename().empty()) return "no output folder given";
    if (std::string reason = checkTarget(target); !reason.empty()) return reason;

    Dataset opened(GDALOpenEx(sourceName.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
    if (!opened) return sourceName + ": not an image GDAL can read (" + gdalReason("unknown format") + ")";
    GDALDatasetH src = opened.get();
    const int bands = GDALGetRasterCount(src);
    if (bands < 1) return sourceName + ": holds no image";
    if (GDALGetRasterDataType(GDALGetRasterBand(src, 1)) != GDT_Byte)
        return sourceName + ": its pixels are " +
               GDALGetDataTypeName(GDALGetRasterDataType(GDALGetRasterBand(src, 1))) +
               " values; only images of 8-bit samples are made into maps";
    // Palette images (nautical charts among them) are warped as colours, not indexes.
    Dataset expanded;
    if (GDALGetRasterColorTable(GDALGetRasterBand(src, 1))) {
        char* args[] = {const_cast<char*>("-of"), const_cast<char*>("VRT"), const_cast<char*>("-expand"),
                        const_cast<char*>("rgba"), nullptr};
        GDALTranslateOptions* topt = GDALTranslateOptionsNew(args, nullptr);
        expanded.reset(GDALTranslate("", src, topt, nullptr));
        GDALTranslateOptionsFree(topt);
        if (!expanded) return sourceName + ": its colour table cannot be applied (" + gdalReason("unknown") + ")";
        src = expanded.get();
    }
    const int sw = GDALGetRasterXSize(src), sh = GDALGetRasterYSize(src);

    const std::string dstWkt = datumWkt(DatumTable()[datumRow]);
    if (dstWkt.empty()) return "the datum '" + request.datum + "' cannot be described to PROJ";

    Grid grid;
    Transformer transformer;
    if (!request.points.empty()) {
        MapInfo bounds;
        bounds.columns = sw;
        bounds.rows = sh;
        bounds.tileWidth = bounds.tileHeight = 1;
        if (!BoundsFromPoints(request.points[0], request.points[1], bounds))
            return sourceName + ": the two points lie on one pixel row or column; choose points apart in both directions";
        if (!(bounds.top > bounds.bottom) || !(bounds.right > bounds.left) || !std::isfinite(bounds.top) ||
            !std::isfinite(bounds.left) || !std::isfinite(bounds.bottom) || !std::isfinite(bounds.right))
            return sourceName + ": the two points put north below south or east left of west";
        grid.gt[0] = bounds.left;
        grid.gt[1] = (bounds.right - bounds.left) / sw;
        grid.gt[3] = bounds.top;
        grid.gt[5] = (bounds.bottom - bounds.top) / sh;
        grid.width = sw;
        grid.height = sh;
        transformer.reset(GDALCreateGenImgProjTransformer3(nullptr, grid.gt, nullptr, grid.gt));
        result.warped = false;
    } else {
        double srcGt[6];
        const bool hasGt = GDALGetGeoTransform(src, srcGt) == CE_None;
        const int gcps = GDALGetGCPCount(src);
        if (!hasGt && gcps == 0)
            return sourceName + ": has no georeference; place it with two --point X Y LAT LON options";
        const char* srs = hasGt ? GDALGetProjectionRef(src) : GDALGetGCPProjection(src);
        char** topt = CSLSetNameValue(nullptr, "DST_SRS", dstWkt.c_str());
        if (!srs || !*srs) {
            // A world file brings no coordinate system; numbers within the range of degrees are
            // taken as latitude/longitude of the datum, anything else cannot be placed.
            if (!hasGt || !plausiblyGeographic(srcGt, sw, sh)) {
                CSLDestroy(topt);
                return sourceName + ": has a georeference but no coordinate system (add a .prj or .aux.xml, "
                                    "or place it with two --point options)";
            }
            topt = CSLSetNameValue(topt, "SRC_SRS", dstWkt.c_str());
        }
        transformer.reset(GDALCreateGenImgProjTransformer2(src, nullptr, topt));
        CSLDestroy(topt);
        if (!transformer)
            return sourceName + ": its coordinate system cannot be turned into latitude and longitude on " +
                   request.datum + " (" + gdalReason("no transformation") + ")";
        double suggested[6];
        int suggestedW = 0, suggestedH = 0;
        double extent[4];
        if (GDALSuggestedWarpOutput2(src, GDALGenImgProjTransform, transformer.get(), suggested, &suggestedW,
                                     &suggestedH, extent, 0) != CE_None)
            return sourceName + ": its coordinate system cannot be turned into latitude and longitude on " +
                   request.datum + " (" + gdalReason("no transformation") + ")";
        if (hasGt && alreadyOnGrid(transformer.get(), srcGt, sw, sh)) {
            std::copy(srcGt, srcGt + 6, grid.gt);
            grid.width = sw;
            grid.height = sh;
            result.warped = false;
        } else {
            grid = groundSquareGrid(src, transformer.get(), suggested, suggestedW, suggestedH);
            result.warped = true;
        }
    }
    if (grid.width <= 0 || grid.height <= 0) return sourceName + ": the map would have no pixels";
    const int64_t columns = (int64_t{grid.width} + n - 1) / n, rows = (int64_t{grid.height} + n - 1) / n;
    if (columns * rows > kMaxTiles || columns * n > (1 << 30) / 4)
        return sourceName + ": the map would need " + std::to_string(columns) + " x " + std::to_string(rows) +
               " tiles; choose larger tiles";

    MapInfo& info = result.info;
    info.signature = "Korvan CE";
    info.version = 101;
    info.extension = request.format;
    info.columns = static_cast<int>(columns);
    info.rows = static_cast<int>(rows);
    info.tileWidth = info.tileHeight = n;
    info.bitsPerPixel = 24;
    info.top = grid.gt[3];
    info.left = grid.gt[0];
    info.bottom = grid.gt[3] + rows * n * grid.gt[5];
    info.right = grid.gt[0] + columns * n * grid.gt[1];
    result.imageWidth = grid.width;
    result.imageHeight = grid.height;

    MakingFolder folder;
    if (std::string reason = folder.create(target); !reason.empty())
        return target.string() + ": cannot be written (" + reason + ")";

    // One row of tiles at a time: the warper fills a row-high in-memory image, which is cut into tiles.
    const int alpha = alphaBandOf(src);
    const int colours = (bands >= 3 || expanded) ? 3 : 1;
    const int rowWidth = static_cast<int>(columns) * n;
    Dataset rowImage(GDALCreate(GDALGetDriverByName("MEM"), "", rowWidth, n, colours, GDT_Byte, nullptr));
    if (!rowImage) return "no memory for a row of tiles (" + gdalReason("MEM") + ")";

    GDALWarpOptions* wo = GDALCreateWarpOptions();
    wo->hSrcDS = src;
    wo->hDstDS = rowImage.get();
    wo->nBandCount = colours;
    wo->panSrcBands = static_cast<int*>(CPLMalloc(sizeof(int) * colours));
    wo->panDstBands = static_cast<int*>(CPLMalloc(sizeof(int) * colours));
    for (int b = 0; b < colours; ++b) wo->panSrcBands[b] = wo->panDstBands[b] = b + 1;
    wo->nSrcAlphaBand = alpha > colours ? alpha : 0;
    wo->eResampleAlg = GRA_NearestNeighbour;
    wo->eWorkingDataType = GDT_Byte;
    wo->dfWarpMemoryLimit = request.warpMemory;
    wo->papszWarpOptions = CSLSetNameValue(nullptr, "INIT_DEST", "255");
    int hasNoData = 0;
    const double noData = GDALGetRasterNoDataValue(GDALGetRasterBand(src, 1), &hasNoData);
    if (hasNoData) {
        wo->padfSrcNoDataReal = static_cast<double*>(CPLMalloc(sizeof(double) * colours));
        for (int b = 0; b < colours; ++b) wo->padfSrcNoDataReal[b] = noData;
    }
    void* approx = GDALCreateApproxTransformer(GDALGenImgProjTransform, transformer.get(), 0.125);
    wo->pfnTransformer = GDALApproxTransform;
    wo->pTransformerArg = approx;
    GDALWarpOperationH op = GDALCreateWarpOperation(wo);
    struct Cleanup {
        GDALWarpOptions* wo;
        void* approx;
        GDALWarpOperationH op;
        ~Cleanup() {
            if (op) GDALDestroyWarpOperation(op);
            GDALDestroyApproxTransformer(approx);
            GDALDestroyWarpOptions(wo);
        }
    } cleanup{wo, approx, op};
    if (!op) return sourceName + ": cannot be warped (" + gdalReason("warp options refused") + ")";

    std::vector<uint8_t> pixels(static_cast<size_t>(rowWidth) * n * colours);
    RasterImage tile;
    for (int r = 0; r < rows; ++r) {
        double rowGt[6];
        std::copy(grid.gt, grid.gt + 6, rowGt);
        rowGt[3] = grid.gt[3] + double(r) * n * grid.gt[5];
        GDALSetGenImgProjTransformerDstGeoTransform(transformer.get(), rowGt);
        for (int b = 1; b <= colours; ++b) GDALFillRaster(GDALGetRasterBand(rowImage.get(), b), 255, 0);
        CPLErrorReset();
        if (GDALChunkAndWarpImage(op, 0, 0, rowWidth, n) != CE_None || CPLGetLastErrorType() == CE_Failure)
            return sourceName + ": cannot be read (" + gdalReason("read error") + ")";
        if (GDALDatasetRasterIO(rowImage.get(), GF_Read, 0, 0, rowWidth, n, pixels.data(), rowWidth, n, GDT_Byte,
                                colours, nullptr, colours, static_cast<GSpacing>(colours) * rowWidth, 1) != CE_None)
            return "no memory for a row of tiles (" + gdalReason("MEM") + ")";
        for (int c = 0; c < columns; ++c) {
            tile.resize(n, n);
            for (int y = 0; y < n; ++y) {
                const uint8_t* in = pixels.data() + (static_cast<size_t>(y) * rowWidth + size_t(c) * n) * colours;
                uint32_t* out = tile.row(y);
                if (colours == 3) {
                    for (int x = 0; x < n; ++x, in += 3) out[x] = uint32_t(in[0]) << 16 | uint32_t(in[1]) << 8 | in[2];
                } else {
                    for (int x = 0; x < n; ++x) out[x] = uint32_t(in[x]) * 0x010101u;
                }
            }
            const int index = r * static_cast<int>(columns) + c;
            const fs::path path = folder.path() / (std::to_string(index) + "." + request.format);
            errno = 0;
            const bool written = request.format == "png" ? WritePngRgb(path.string(), tile)
                                                         : WriteBmp(path.string(), tile, 24);
            if (!written)
                return target.string() + ": cannot be written (tile " + std::to_string(index) + ": " +
                       std::strerror(errno ? errno : EIO) + ")";
        }
        if (progress) progress(r + 1, static_cast<int>(rows));
    }
    if (const int err = WriteMapInfoFile((folder.path() / "mapinfo.dat").string(), info); err != 0)
        return target.string() + ": cannot be written (mapinfo.dat: " + std::strerror(err) + ")";
    if (std::string reason = folder.finish(target); !reason.empty())
        return target.string() + ": cannot be put in place (" + reason + ")";
    return {};
}

}  // namespace korvance
