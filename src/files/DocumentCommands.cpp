#include "files/DocumentCommands.h"

#include "data/TextUtil.h"
#include "files/FileReport.h"
#include "files/GpxFile.h"
#include "files/PotFile.h"
#include "files/WaypointText.h"
#include "platform/SystemError.h"

namespace korvance::files {

namespace {

constexpr size_t kPathBuffer = 260;

void noDataForSave(UserPrompt& prompt) { prompt.message("No data for save", kAppCaption, Icon::Question); }
void saveError(UserPrompt& prompt) { prompt.message("save error", kAppCaption, Icon::Stop); }

void cannotRead(UserPrompt& prompt, const std::string& path, int err) {
    std::string text = path + "\ncannot be read";
    if (err) text += ": " + systemErrorText(err);
    prompt.message(text + ".", "Error", Icon::Stop);
}

// The folder the dialog starts in: DataPath when it fits the path buffer.
std::string startFolder(const FileCommandDoc& doc) {
    const std::string& p = doc.settings.DataPath;
    return p.size() < kPathBuffer ? p : std::string();
}

}  // namespace

std::vector<FileFilter> openDocumentFilters() {
    return {{"korvan file", "*.kvn"}, {"korvan2 file", "*.kv2"}, {"All files", "*.*"}};
}
std::vector<FileFilter> saveDocumentFilters() { return {{"korvan file", "*.kvn"}, {"All files", "*.*"}}; }
std::vector<FileFilter> textFilters() { return {{"TXT file", "*.txt"}, {"all files", "*.*"}}; }
std::vector<FileFilter> potFilters() { return {{"POT file", "*.pot"}, {"all files", "*.*"}}; }
std::vector<FileFilter> gpxFilters() { return {{"GPX file", "*.gpx"}, {"all files", "*.*"}}; }

std::string folderOfPath(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos || cut == 0) return path;
    return path.substr(0, cut);
}

std::unique_ptr<TrackField> makeTrackField(const TrackData& data) {
    std::unique_ptr<TrackField> t = TrackField::create(uint32_t(data.points.size()));
    if (!t) return nullptr;
    for (const auto& p : data.points) t->append(p);
    t->setSegmentCount(data.segmentCount);
    return t;
}

DocumentSource documentSource(const DocumentData& data) {
    DocumentSource s;
    s.timeZoneBias = data.trackLog.timeZoneBias;
    const TrackField* track = data.trackLog.track.get();
    s.hasTrack = track != nullptr;
    if (track) {
        s.segmentCount = track->segmentCount();
        s.points = track->points();
    }
    s.waypoints = data.waypoints.records();
    s.routes = data.routes.routes();
    return s;
}

Changes onOpen(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt) {
    TrackLog& log = doc.data.trackLog;
    if (log.logging) return {};
    if (doc.saveModified && !doc.saveModified()) return {};
    std::optional<std::string> path = chooser.chooseOpen(openDocumentFilters(), startFolder(doc), "");
    if (!path) return {};

    WaitCursor wait(prompt);
    // Read into fresh data: the document keeps everything it has until the
    // file has been read.
    DocumentContents c;
    DocumentReadResult r = readDocumentFile(*path, c, prompt, &doc.data.codePage);
    if (!r.ok()) {
        // Say which file and why; "not acceptable version" has been shown already.
        if (std::string problem = documentReadProblem(r); !problem.empty())
            prompt.message(*path + "\n" + problem + ".", "Error", Icon::Stop);
        return {};
    }
    std::unique_ptr<TrackField> track;
    if (c.track) {
        track = makeTrackField(*c.track);
        if (!track) {
            prompt.message("not enough memory", kAppCaption, Icon::Stop);
            return {};
        }
    }
    log.track = std::move(track);
    if (c.timeZoneBias) log.timeZoneBias = *c.timeZoneBias;
    if (c.waypoints) doc.data.waypoints.assign(std::move(*c.waypoints));
    if (c.routes) doc.data.routes.assign(std::move(*c.routes));
    if (c.partial)
        prompt.message(*path + "\nis damaged: only the waypoints and routes read in full were taken.", kAppCaption,
                       Icon::Warning);

    doc.settings.DataPath = folderOfPath(*path);
    doc.data.path = *path;
    return Changes::Track | Changes::Waypoints | Changes::Routes | Changes::Saved;
}

Changes onSaveAs(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt) {
    std::optional<std::string> path = chooser.chooseSave(saveDocumentFilters(), startFolder(doc), "kvn");
    if (!path) return {};
    bool ok;
    {
        WaitCursor wait(prompt);
        ok = writeDocumentFile(*path, documentSource(doc.data), prompt);
    }
    if (!ok) {
        saveError(prompt);
        return {};
    }
    doc.settings.DataPath = folderOfPath(*path);
    doc.data.path = *path;
    return Changes::Saved;
}

Changes onImportWaypointText(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt) {
    if (doc.data.trackLog.logging) return {};
    std::optional<std::string> path = chooser.chooseOpen(textFilters(), "", "", "Import Waypoint Text");
    if (!path) return {};
    doc.data.trackLog.timeZoneBias = 0;
    const bool utm = doc.settings.CoordinateUTM != 0;
    if (!importWaypointText(*path, doc.data.waypoints, utm, doc.tm, prompt, &doc.data.codePage)) {
        cannotRead(prompt, *path, 0);
        return {};
    }
    // The import leaves the modified flag as it was.
    return Changes::Waypoints;
}

Changes onExportWaypointText(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt) {
    if (doc.data.trackLog.logging) return {};
    if (doc.data.waypoints.count() == 0) {
        noDataForSave(prompt);
        return {};
    }
    std::optional<std::string> path = chooser.chooseSave(textFilters(), "", "txt", "Export Waypoint Text");
    if (!path) return {};
    bool ok;
    {
        WaitCursor wait(prompt);
        ok = exportWaypointText(*path, doc.datum, doc.tm, doc.data.waypoints.records(), doc.settings.CoordinateUTM != 0,
                                prompt, &doc.data.codePage);
    }
    if (!ok) saveError(prompt);
    return {};
}

Changes onReadPot(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt) {
    std::optional<std::string> path = chooser.chooseOpen(potFilters(), "", "", "Read POT File");
    if (!path) return {};
    TrackLog& log = doc.data.trackLog;
    log.timeZoneBias = 0;
    PotContents pot;
    int err = 0;
    if (!readPotFile(*path, pot, &err)) {
        cannotRead(prompt, *path, err);
        return {};
    }
    // A track log being recorded is never replaced by the file's track.
    if (pot.lastKind == PotKind::TrackPoint && log.logging) {
        prompt.beep(BeepKind::Asterisk);
        return {};
    }
    switch (applyPotContents(pot, doc.data.waypoints, doc.data.routes, log.track, prompt)) {
    case PotKind::TrackPoint:
        return Changes::Track;
    case PotKind::Waypoint:
        return Changes::Waypoints;
    case PotKind::RouteWaypoint:
        return Changes::Routes | Changes::Waypoints;  // route points join the waypoints too
    default:
        return {};
    }
}

namespace {

template <typename Write>
Changes writePotCommand(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt, const char* title, bool hasData,
                        Write&& write) {
    if (doc.data.trackLog.logging) return {};
    if (!hasData) {
        noDataForSave(prompt);
        return {};
    }
    std::optional<std::string> path = chooser.chooseSave(potFilters(), "", "pot", title);
    if (!path) return {};
    bool ok;
    {
        WaitCursor wait(prompt);
        ok = write(*path);
    }
    if (!ok) saveError(prompt);
    return {};
}

}  // namespace

Changes onWritePotTrack(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt) {
    const TrackField* t = doc.data.trackLog.track.get();
    return writePotCommand(doc, chooser, prompt, "Write POT Track", t != nullptr, [&](const std::string& path) {
        return writePotTrack(path, doc.datum, t->points(), prompt, &doc.data.codePage);
    });
}

Changes onWritePotWaypoints(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt) {
    return writePotCommand(doc, chooser, prompt, "Write POT Waypoint", doc.data.waypoints.count() > 0, [&](const std::string& path) {
        return writePotWaypoints(path, doc.datum, doc.data.waypoints.records(), prompt, &doc.data.codePage);
    });
}

Changes onWritePotRoutes(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt) {
    return writePotCommand(doc, chooser, prompt, "Write POT Route", true, [&](const std::string& path) {
        return writePotRoutes(path, doc.datum, doc.data.routes.routes(), prompt, &doc.data.codePage);
    });
}

Changes onImportGpx(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt) {
    TrackLog& log = doc.data.trackLog;
    if (log.logging) return {};
    std::optional<std::string> path = chooser.chooseOpen(gpxFilters(), startFolder(doc), "", "Import GPX");
    if (!path) return {};
    WaitCursor wait(prompt);
    DocumentContents c;
    GpxReadResult r = readGpxFile(*path, c, doc.datum, &doc.data.codePage);
    if (r.status == GpxReadResult::Status::CannotOpen) {
        cannotRead(prompt, *path, r.systemError);
        return {};
    }
    if (!r.ok()) {
        prompt.message(*path + "\nis not a GPX file (" + r.problem + ").", "Error", Icon::Stop);
        return {};
    }
    reportTextLoss(prompt, *path, r, &doc.data.codePage);
    Changes changes = Changes::Redraw;
    if (c.track) {
        std::unique_ptr<TrackField> track = makeTrackField(*c.track);
        if (!track) {
            prompt.message("not enough memory", kAppCaption, Icon::Stop);
            return {};
        }
        log.track = std::move(track);
        // GPX times are UTC.
        log.timeZoneBias = 0;
        changes |= Changes::Track | Changes::Modified;
    }
    WaypointList& waypoints = doc.data.waypoints;
    for (const auto& w : *c.waypoints) {
        const uint32_t before = waypoints.count();
        const int go = waypoints.add(prompt, w);
        if (waypoints.count() != before) changes |= Changes::Waypoints | Changes::Modified;
        if (!go) break;
    }
    // The document's first route, still empty and alone, takes the first route of the file.
    CRouteField& routes = doc.data.routes;
    bool reuseFirst = routes.routeCount() == 1 && routes.routeWaypointCount(0) == 0;
    for (const auto& route : *c.routes) {
        uint32_t index;
        if (reuseFirst) {
            index = 0;
            reuseFirst = false;
        } else {
            const uint32_t before = routes.routeCount();
            if (routes.appendRoute(prompt) == before) break;  // "Route count overflow!" was shown
            index = before;
        }
        routes.setRouteName(index, route.name.view());
        changes |= Changes::Routes | Changes::Modified;
        for (const auto& w : route.waypoints)
            if (!routes.appendWaypoint(prompt, index, w)) break;
    }
    doc.settings.DataPath = folderOfPath(*path);
    return changes;
}

Changes onExportGpx(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt) {
    if (doc.data.trackLog.logging) return {};
    DocumentSource s = documentSource(doc.data);
    size_t routePoints = 0;
    for (const auto& r : s.routes) routePoints += r.waypoints.size();
    if (s.points.empty() && s.waypoints.empty() && routePoints == 0) {
        noDataForSave(prompt);
        return {};
    }
    std::optional<std::string> path = chooser.chooseSave(gpxFilters(), startFolder(doc), "gpx", "Export GPX");
    if (!path) return {};
    bool ok;
    {
        WaitCursor wait(prompt);
        ok = writeGpxFile(*path, s, doc.datum, prompt, &doc.data.codePage);
    }
    if (!ok) saveError(prompt);
    return {};
}

}  // namespace korvance::files
