#include <ostream>

#include <nlohmann/json.hpp>

#include "cli/Cli.h"
#include "cli/Coord.h"
#include "cli/FileIo.h"
#include "data/TextUtil.h"
#include "files/FileFormats.h"
#include "geodesy/Datum.h"
#include "platform/CodePage.h"
#include "settings/AppSettings.h"

namespace korvance::cli {

namespace {

const char kInfoHelp[] =
    "usage: korvance-cli info FILE [--json] [--code-page NAME]\n"
    "  Tells what a document (.kvn, .kv2), POT (.pot), waypoint text (.txt) or\n"
    "  GPX (.gpx) file holds: version (of a GPX file: the one it declares), time-zone bias, track points and segments,\n"
    "  waypoints, and each route with its waypoint count.\n"
    "  --json  one JSON object with the keys file, kind, version, timeZoneBias,\n"
    "          track {points, segments}, waypoints, routes [{name, waypoints}],\n"
    "          damaged (null where the file kind has no such value)\n"
    "  --code-page NAME  8-bit code page of record text (default CP1252)\n";

}  // namespace

int runInfo(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kInfoHelp;
        return kOk;
    }
    bool json = args.flag("--json");
    auto codePageName = args.option("--code-page");
    if (args.missingValue || !args.unknownOption().empty() || args.rest().size() != 1) {
        err << kInfoHelp;
        return kUsage;
    }
    if (codePageName && !CodePage::isKnown(*codePageName)) {
        err << "korvance-cli info: unknown code page '" << *codePageName << "'\n";
        return kUsage;
    }
    const std::string path = args.rest()[0];
    CodePage cp(codePageName.value_or(AppSettings{}.CodePage));
    files::FileOptions o;
    o.codePage = &cp;
    StderrPrompt prompt(err);
    files::DocumentContents c;
    files::FileResult r = files::readAnyFile(path, c, o, prompt);
    if (!r.ok) {
        err << "korvance-cli info: " << r.problem << "\n";
        return kFailed;
    }
    files::FileKind kind = files::fileKindOf(path);
    bool isDocument = kind == files::FileKind::Document;
    ContentCounts n = countContents(c);

    if (json) {
        nlohmann::ordered_json j;
        j["file"] = path;
        j["kind"] = files::fileFormat(kind)->name;
        if (isDocument)
            j["version"] = c.version;
        else if (!c.declaredVersion.empty())
            j["version"] = c.declaredVersion;
        else
            j["version"] = nullptr;
        j["timeZoneBias"] = c.timeZoneBias ? nlohmann::ordered_json(*c.timeZoneBias) : nlohmann::ordered_json(nullptr);
        if (c.track)
            j["track"] = {{"points", n.trackPoints}, {"segments", n.segments}};
        else
            j["track"] = nullptr;
        j["waypoints"] = n.waypoints;
        nlohmann::ordered_json routes = nlohmann::ordered_json::array();
        if (c.routes)
            for (const auto& rt : *c.routes)
                routes.push_back({{"name", oemToUi(&cp, rt.name.view())}, {"waypoints", rt.waypoints.size()}});
        j["routes"] = routes;
        j["damaged"] = c.partial;
        // File names and texts from files need not be UTF-8: invalid bytes become U+FFFD.
        out << j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
        return kOk;
    }

    out << "file: " << path << "\n";
    out << "kind: " << files::fileFormat(kind)->description << "\n";
    if (isDocument)
        out << "version: " << c.version << "\n";
    else if (!c.declaredVersion.empty())
        out << "version: " << c.declaredVersion << "\n";
    if (c.timeZoneBias) out << "time-zone bias: " << *c.timeZoneBias << " s\n";
    if (c.track)
        out << "track: " << counted(n.trackPoints, "point") << ", " << counted(n.segments, "segment") << "\n";
    else
        out << "track: none\n";
    out << "waypoints: " << n.waypoints << "\n";
    out << "routes: " << n.routes << "\n";
    if (c.routes)
        for (const auto& rt : *c.routes)
            out << "  " << oemToUi(&cp, rt.name.view()) << ": " << rt.waypoints.size() << " waypoints\n";
    if (c.partial) out << "damaged: only the records read in full were kept\n";
    return kOk;
}

}  // namespace korvance::cli
