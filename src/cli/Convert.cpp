#include <ostream>

#include "cli/Cli.h"
#include "cli/Coord.h"
#include "cli/FileIo.h"
#include "files/FileFormats.h"
#include "geodesy/Datum.h"
#include "geodesy/TransverseMercator.h"
#include "platform/CodePage.h"
#include "settings/AppSettings.h"

namespace korvance::cli {

namespace {

const char kConvertHelp[] =
    "usage: korvance-cli convert IN OUT [--datum NAME] [--utm] [--pot track|waypoints|routes]\n"
    "                                   [--code-page NAME]\n"
    "  Converts between korvance documents (.kvn, .kv2), POT files (.pot),\n"
    "  waypoint text (.txt) and GPX 1.1 (.gpx), chosen by each file's extension.\n"
    "  --datum NAME   the display datum the positions of documents, POT and text\n"
    "                 files are in (GPX is always WGS 84); default \"WGS 84\"\n"
    "  --utm          waypoint text in UTM form instead of degree text\n"
    "  --pot WHAT     what a POT file gets when there is more than one kind of data\n"
    "                 (default: the track, else the waypoints, else the routes)\n"
    "  --code-page N  8-bit code page of record text (default CP1252)\n"
    "  What the output kind cannot hold is left out, with a note on stderr.\n";

}  // namespace

ContentCounts countContents(const files::DocumentContents& c) {
    ContentCounts n;
    if (c.track) {
        n.trackPoints = c.track->points.size();
        n.segments = c.track->segmentCount;
    }
    if (c.waypoints) n.waypoints = c.waypoints->size();
    if (c.routes) {
        n.routes = c.routes->size();
        for (const auto& r : *c.routes) n.routeWaypoints += r.waypoints.size();
    }
    return n;
}

int runConvert(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kConvertHelp;
        return kOk;
    }
    auto datumName = args.option("--datum");
    auto potWhat = args.option("--pot");
    auto codePageName = args.option("--code-page");
    bool utm = args.flag("--utm");
    if (args.missingValue) {
        err << "korvance-cli convert: an option lacks its value\n" << kConvertHelp;
        return kUsage;
    }
    if (!args.unknownOption().empty()) {
        err << "korvance-cli convert: unknown option " << args.unknownOption() << "\n";
        return kUsage;
    }
    if (args.rest().size() != 2) {
        err << kConvertHelp;
        return kUsage;
    }
    const std::string in = args.rest()[0], outPath = args.rest()[1];
    if (datumName && !resolveDatumOption(*datumName, err, "convert")) return kUsage;
    files::FileOptions o;
    if (potWhat) {
        if (*potWhat == "track") o.pot = files::PotContent::Track;
        else if (*potWhat == "waypoints") o.pot = files::PotContent::Waypoints;
        else if (*potWhat == "routes") o.pot = files::PotContent::Routes;
        else {
            err << "korvance-cli convert: --pot takes track, waypoints or routes\n";
            return kUsage;
        }
    }
    if (codePageName && !CodePage::isKnown(*codePageName)) {
        err << "korvance-cli convert: unknown code page '" << *codePageName << "'\n";
        return kUsage;
    }
    for (const std::string* p : {&in, &outPath}) {
        if (files::fileKindOf(*p) == files::FileKind::Unknown) {
            err << "korvance-cli convert: " << *p << ": unknown file kind (use .kvn, .kv2, .pot, .txt or .gpx)\n";
            return kUsage;
        }
    }

    Datum datum(datumName.value_or("WGS 84"));
    TransverseMercator tm(datum);
    CodePage cp(codePageName.value_or(AppSettings{}.CodePage));
    o.datum = &datum;
    o.tm = &tm;
    o.utm = utm;
    o.codePage = &cp;

    StderrPrompt prompt(err);
    files::DocumentContents c;
    files::FileResult r = files::readAnyFile(in, c, o, prompt);
    if (!r.ok) {
        err << "korvance-cli convert: " << r.problem << "\n";
        return kFailed;
    }
    if (c.partial) err << "korvance-cli convert: " << in << ": damaged; only the records read in full were kept\n";

    const files::DocumentSource s = files::sourceOf(c);

    // Say what the output cannot carry.
    ContentCounts n = countContents(c);
    files::FileKind outKind = files::fileKindOf(outPath);
    auto dropped = [&](const char* what, size_t count) {
        if (count) err << "korvance-cli convert: " << counted(count, what) << " left out (" << outPath
                       << " cannot hold " << (count == 1 ? "it" : "them") << ")\n";
    };
    if (outKind == files::FileKind::WaypointText) {
        dropped("track point", n.trackPoints);
        dropped("route", n.routes);
    } else if (outKind == files::FileKind::Pot) {
        files::PotContent what = files::potContentFor(s, o.pot);
        if (what != files::PotContent::Track) dropped("track point", n.trackPoints);
        if (what != files::PotContent::Waypoints) dropped("waypoint", n.waypoints);
        if (what != files::PotContent::Routes) dropped("route", n.routes);
    }

    files::FileResult w = files::writeAnyFile(outPath, s, o, prompt);
    if (!w.ok) {
        err << "korvance-cli convert: " << w.problem << "\n";
        return kFailed;
    }
    out << "wrote " << outPath << ": " << counted(n.trackPoints, "track point") << " in " << counted(n.segments, "segment")
        << ", " << counted(n.waypoints, "waypoint") << ", " << counted(n.routes, "route") << "\n";
    return kOk;
}

}  // namespace korvance::cli
