#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "cli/Coord.h"
#include "geodesy/Coordinates.h"
#include "mapmake/MapMake.h"
#include "settings/AppSettings.h"

namespace korvance::cli {

namespace {

const char kMapMakeHelp[] =
    "usage: korvance-cli map make SOURCE -o FOLDER [--tile N] [--format png|bmp] [--datum NAME]\n"
    "                             [--list LIST.lst] [--priority P] [--point X Y LAT LON --point X Y LAT LON]\n"
    "  Cuts SOURCE into tiles of N x N pixels (default 256, the last row and column padded\n"
    "  with white) and writes them with a mapinfo.dat into FOLDER. SOURCE is anything GDAL\n"
    "  reads with a georeference (GeoTIFF, BSB/KAP chart, image with a world file, VRT); it is\n"
    "  warped into latitude/longitude of the datum (default the DatumName setting). A plain\n"
    "  image is placed by two --point options: map pixel X Y and its position.\n"
    "  --list adds the map to that map list (created when missing) with priority P\n"
    "  (default 30000; smaller wins, 32767 is never chosen automatically).\n"
    "  -o, --output FOLDER  the map folder to write (made when missing)\n"
    "  --tile N             tile side in pixels, 16 to 2048 (default 256)\n"
    "  --format png|bmp     file type of the tiles (default png)\n"
    "  --datum NAME         datum the map is warped into (default the DatumName setting)\n"
    "  --list LIST.lst      map list to add the map to\n"
    "  --priority P         priority of the map in that list, -32768 to 32767\n"
    "  --point X Y LAT LON  pixel X Y of a plain image lies at LAT LON (give it twice)\n";

int usageError(std::ostream& err, const std::string& text) {
    err << "korvance-cli map make: " << text << "\n";
    return kUsage;
}

}  // namespace

int runMapMake(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kMapMakeHelp;
        return kOk;
    }
    MapMakeRequest request;
    // --point takes four words, which Args' options do not.
    std::vector<std::string> words;
    const auto& all = args.rest();
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] != "--point") {
            words.push_back(all[i]);
            continue;
        }
        if (i + 4 >= all.size()) return usageError(err, "--point takes X Y LAT LON");
        const auto x = parseInteger(all[i + 1]), y = parseInteger(all[i + 2]);
        const auto lat = parseAngleWord(all[i + 3], true), lon = parseAngleWord(all[i + 4], false);
        if (!x || !y || *x < 0 || *y < 0 || *x > 1 << 30 || *y > 1 << 30)
            return usageError(err, "--point: '" + all[i + 1] + " " + all[i + 2] + "' is not a pixel X Y");
        if (!lat || *lat < -90 || *lat > 90) return usageError(err, "--point: latitude '" + all[i + 3] + "' is not one");
        if (!lon || *lon < -180 || *lon > 180)
            return usageError(err, "--point: longitude '" + all[i + 4] + "' is not one");
        request.points.push_back({static_cast<int>(*x), static_cast<int>(*y), *lon, *lat});
        i += 4;
    }
    Args rest(std::move(words));
    auto output = rest.option("-o");
    if (!output) output = rest.option("--output");
    const auto tile = rest.option("--tile");
    const auto format = rest.option("--format");
    const auto datum = rest.option("--datum");
    const auto list = rest.option("--list");
    const auto priority = rest.option("--priority");
    if (rest.missingValue) return usageError(err, "an option lacks its value");
    if (const std::string unknown = rest.unknownOption(); !unknown.empty())
        return usageError(err, "unknown option '" + unknown + "'");
    if (rest.rest().size() != 1) return usageError(err, "give one SOURCE (korvance-cli map make --help)");
    if (!output) return usageError(err, "give the map folder with -o FOLDER");
    if (request.points.size() == 1 || request.points.size() > 2) return usageError(err, "give --point twice, or not at all");
    request.source = rest.rest().front();
    request.folder = *output;
    if (tile) {
        const auto n = parseInteger(*tile);
        if (!n || *n < 16 || *n > kMaxTileSide)
            return usageError(err, "--tile " + *tile + " is not a size from 16 to " + std::to_string(kMaxTileSide));
        request.tileSize = static_cast<int>(*n);
    }
    if (format) {
        if (*format != "png" && *format != "bmp") return usageError(err, "--format is png or bmp, not '" + *format + "'");
        request.format = *format;
    }
    const AppSettings settings;
    request.datum = datum.value_or(settings.DatumName);
    if (!resolveDatumOption(request.datum, err, "map make")) return kUsage;
    int listPriority = 30000;
    if (priority) {
        const auto p = parseInteger(*priority);
        if (!p || *p < -32768 || *p > 32767) return usageError(err, "--priority " + *priority + " is not from -32768 to 32767");
        if (!list) return usageError(err, "--priority needs --list");
        listPriority = static_cast<int>(*p);
    }

    const bool terminal = &err == &std::cerr && isatty(STDERR_FILENO);
    MapMakeResult result;
    const std::string problem = MakeMap(request, result, [&](int done, int total) {
        if (terminal) err << "\rrow " << done << " of " << total << " rows of tiles" << std::flush;
    });
    if (terminal) err << "\r\033[K" << std::flush;
    if (!problem.empty()) {
        err << "korvance-cli map make: " << problem << "\n";
        return kFailed;
    }
    const MapInfo& info = result.info;
    const std::string infoPath = (std::filesystem::path(request.folder) / "mapinfo.dat").string();
    out << "wrote " << infoPath << " and " << info.columns * info.rows << " tiles (" << info.columns << " x "
        << info.rows << " of " << info.tileWidth << " x " << info.tileHeight << " pixels, " << info.extension
        << ")\n"
        << "  image " << result.imageWidth << " x " << result.imageHeight << " pixels"
        << (result.warped ? ", warped" : "") << " into " << request.datum << "\n"
        << "  top " << FormatFixed(info.top, 8) << " left " << FormatFixed(info.left, 8) << " bottom "
        << FormatFixed(info.bottom, 8) << " right " << FormatFixed(info.right, 8) << "\n";
    if (list) {
        std::string entry;
        const std::string listProblem = AddToMapList(*list, infoPath, listPriority, settings.CodePage, entry);
        if (!listProblem.empty()) {
            err << "korvance-cli map make: the map was made, but " << listProblem << "\n";
            return kFailed;
        }
        out << "added " << entry << " to " << *list << " with priority " << listPriority << "\n";
    }
    return kOk;
}

}  // namespace korvance::cli
