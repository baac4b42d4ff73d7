#include "cli/ViewDocument.h"

#include "cli/FileIo.h"
#include "files/FileFormats.h"

namespace korvance::cli {

namespace {

bool addContents(CKorvanceDoc& doc, const files::DocumentContents& c, std::vector<Route>& routes,
                 UserPrompt& prompt) {
    if (c.track && !c.track->points.empty()) {
        TrackLog& log = doc.trackLog();
        const uint32_t had = log.track ? log.track->pointCount() : 0;
        auto track = TrackField::create(had + static_cast<uint32_t>(c.track->points.size()));
        if (!track) return false;
        if (log.track)
            for (const TrackPoint& p : log.track->points()) track->append(p);
        for (const TrackPoint& p : c.track->points) track->append(p);
        track->setSegmentCount((log.track ? log.track->segmentCount() : 0) + c.track->segmentCount);
        log.track = std::move(track);
    }
    if (c.waypoints)
        for (const WaypointRecord& w : *c.waypoints)
            if (!doc.waypoints().add(prompt, w)) break;
    if (c.routes) routes.insert(routes.end(), c.routes->begin(), c.routes->end());
    return true;
}

}  // namespace

bool LoadDataFiles(CKorvanceDoc& doc, const std::vector<std::string>& paths, const std::string& command,
                   std::ostream& err) {
    StderrPrompt prompt(err);
    std::vector<Route> routes;
    for (const std::string& path : paths) {
        files::FileOptions o;
        o.datum = &doc.datum();
        o.tm = &doc.transverseMercator();
        o.utm = doc.settings().CoordinateUTM == 1;
        o.codePage = &doc.codePage();
        files::DocumentContents c;
        const files::FileResult r = files::readAnyFile(path, c, o, prompt);
        if (!r.ok || !addContents(doc, c, routes, prompt)) {
            // The reader's problem names the file already.
            err << "korvance-cli " << command << ": " << (r.ok ? path + ": out of memory" : r.problem) << "\n";
            return false;
        }
    }
    if (!routes.empty()) doc.routes().assign(std::move(routes));
    return true;
}

}  // namespace korvance::cli
