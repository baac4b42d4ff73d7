// korvance-cli map info, choose and calibrate: map descriptions and map lists.

#include <filesystem>
#include <ostream>

#include <nlohmann/json.hpp>

#include "cli/Cli.h"
#include "cli/FileIo.h"
#include "geodesy/Coordinates.h"
#include "maps/MapSet.h"
#include "platform/CodePage.h"
#include "settings/AppSettings.h"

namespace korvance::cli {

namespace {

const char kMapFilesHelp[] =
    "usage: korvance-cli map info FILE [--json]\n"
    "       korvance-cli map choose LIST LAT LON [--current K]\n"
    "       korvance-cli map calibrate MAPINFO X1 Y1 LAT1 LON1 X2 Y2 LAT2 LON2\n"
    "  info       what a mapinfo.dat or a map list (.lst) describes; missing tiles\n"
    "  choose     the map the automatic map change picks at a position, with entry K\n"
    "             (default 0) as the current one: its path, or none\n"
    "  calibrate  rewrites a mapinfo.dat from two map pixels and their positions\n"
    "             (decimal degrees or degree text); prints the new bounds\n";

std::optional<double> degreesOf(const std::string& word) {
    if (auto v = parseNumber(word)) return v;
    if (word.find_first_of("0123456789") == std::string::npos) return std::nullopt;
    return DegreeValue::FromText(word).Degrees();
}

std::string fixed9(double v) { return FormatFixed(v, 9); }

}  // namespace

int runMapInfo(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kMapFilesHelp;
        return kOk;
    }
    const bool json = args.flag("--json");
    if (!args.unknownOption().empty() || args.rest().size() != 1) {
        err << kMapFilesHelp;
        return kUsage;
    }
    const std::string path = args.rest()[0];
    StderrPrompt prompt(err);
    nlohmann::ordered_json j;
    const MapFileKind kind = DetectMapFile(path);
    if (kind == MapFileKind::MapInfo) {
        MapInfo info;
        if (ParseMapInfo(path, info) != MapInfoResult::Ok) {
            err << "korvance-cli map: " << path << ": not a usable mapinfo.dat\n";
            return kFailed;
        }
        const std::string folder = FolderOf(path);
        std::vector<std::string> missing;
        for (int t = 0; t < info.columns * info.rows; ++t) {
            const std::string tile = std::to_string(t) + "." + info.extension;
            if (!std::filesystem::is_regular_file((folder.empty() ? "" : folder + "/") + tile)) missing.push_back(tile);
        }
        if (json) {
            j["kind"] = "mapinfo";
            j["version"] = info.version;
            j["extension"] = info.extension;
            j["columns"] = info.columns;
            j["rows"] = info.rows;
            j["tile_width"] = info.tileWidth;
            j["tile_height"] = info.tileHeight;
            for (auto [key, v] : {std::pair{"top", info.top}, {"left", info.left}, {"bottom", info.bottom},
                                  {"right", info.right}})
                j[key] = nlohmann::ordered_json::parse(fixed9(v));
            j["missing_tiles"] = missing;
            out << j.dump(2) << "\n";
            return kOk;
        }
        out << "kind: mapinfo\nversion: " << info.version << "\nextension: " << info.extension
            << "\ntiles: " << info.columns << " x " << info.rows << "\ntile size: " << info.tileWidth << " x "
            << info.tileHeight << "\ntop: " << fixed9(info.top) << "\nleft: " << fixed9(info.left)
            << "\nbottom: " << fixed9(info.bottom) << "\nright: " << fixed9(info.right) << "\nmissing tiles:";
        if (missing.empty()) out << " none";
        for (const std::string& m : missing) out << " " << m;
        out << "\n";
        return kOk;
    }
    if (kind == MapFileKind::List) {
        CodePage cp(AppSettings{}.CodePage);
        MapList list;
        if (!list.load(path, cp)) {
            err << "korvance-cli map: " << path << ": not a usable map list\n";
            return kFailed;
        }
        nlohmann::ordered_json maps = nlohmann::ordered_json::array();
        if (!json) out << "kind: list\n";
        for (size_t i = 0; i < list.count(); ++i) {
            double left, top, right, bottom;
            const std::string entry = *list.path(i);
            const bool ok = MapSet::ReadMapBounds(entry, left, top, right, bottom, prompt) == 1;
            if (json) {
                nlohmann::ordered_json m;
                m["path"] = entry;
                m["priority"] = list.priority(i);
                for (auto [key, v] : {std::pair{"top", top}, {"left", left}, {"bottom", bottom}, {"right", right}})
                    m[key] = ok ? nlohmann::ordered_json::parse(fixed9(v)) : nlohmann::ordered_json(nullptr);
                maps.push_back(m);
                continue;
            }
            out << i << "  " << list.priority(i) << "  " << entry << "  ";
            if (ok)
                out << fixed9(top) << " " << fixed9(left) << " " << fixed9(bottom) << " " << fixed9(right) << "\n";
            else
                out << "unreadable\n";
        }
        if (json) {
            j["kind"] = "list";
            j["maps"] = maps;
            out << j.dump(2) << "\n";
        }
        return kOk;
    }
    err << "korvance-cli map: " << path << ": neither a mapinfo.dat nor a map list\n";
    return kFailed;
}

int runMapChoose(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kMapFilesHelp;
        return kOk;
    }
    const auto current = args.option("--current");
    const auto& w = args.rest();
    std::optional<long> k = current ? parseInteger(*current) : std::optional<long>(0);
    const auto lat = w.size() == 3 ? degreesOf(w[1]) : std::nullopt;
    const auto lon = w.size() == 3 ? degreesOf(w[2]) : std::nullopt;
    if (args.missingValue || !args.unknownOption().empty() || !lat || !lon || !k || *k < 0) {
        err << kMapFilesHelp;
        return kUsage;
    }
    StderrPrompt prompt(err);
    MapSet maps;
    if (!maps.LoadMapList(w[0], CodePage(AppSettings{}.CodePage))) {
        err << "korvance-cli map: " << w[0] << ": not a usable map list\n";
        return kFailed;
    }
    maps.list().setCurrent(static_cast<size_t>(*k));
    const auto chosen = maps.ChooseMapAt(*lat, *lon, prompt);
    out << (chosen ? *chosen : std::string("none")) << "\n";
    return kOk;
}

int runMapCalibrate(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kMapFilesHelp;
        return kOk;
    }
    const auto& w = args.rest();
    if (!args.unknownOption().empty() || w.size() != 9) {
        err << kMapFilesHelp;
        return kUsage;
    }
    const auto x1 = parseInteger(w[1]), y1 = parseInteger(w[2]), x2 = parseInteger(w[5]), y2 = parseInteger(w[6]);
    const auto lat1 = degreesOf(w[3]), lon1 = degreesOf(w[4]), lat2 = degreesOf(w[7]), lon2 = degreesOf(w[8]);
    if (!x1 || !y1 || !x2 || !y2 || !lat1 || !lon1 || !lat2 || !lon2) {
        err << kMapFilesHelp;
        return kUsage;
    }
    StderrPrompt prompt(err);
    MapSet maps;
    if (!maps.LoadMapInfo(w[0], prompt)) {
        err << "korvance-cli map: cannot open map " << w[0] << "\n";
        return kFailed;
    }
    const CalibrationPoint p1{static_cast<int>(*x1), static_cast<int>(*y1), *lon1, *lat1};
    const CalibrationPoint p2{static_cast<int>(*x2), static_cast<int>(*y2), *lon2, *lat2};
    if (!maps.WriteMapInfo(p1, p2, prompt)) {
        err << "korvance-cli map: " << w[0] << " left unchanged\n";
        return kFailed;
    }
    MapInfo info;
    if (ParseMapInfo(w[0], info) != MapInfoResult::Ok) {
        err << "korvance-cli map: " << w[0] << ": cannot read back\n";
        return kFailed;
    }
    out << "top: " << FormatFixed(info.top, 9) << "\nleft: " << FormatFixed(info.left, 9)
        << "\nbottom: " << FormatFixed(info.bottom, 9) << "\nright: " << FormatFixed(info.right, 9) << "\n";
    return kOk;
}

}  // namespace korvance::cli
