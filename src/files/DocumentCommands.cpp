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
std::string startFolder(const DocumentAccess& doc) {
    const std::string& p = doc.settings->DataPath;
    return p.size() < kPathBuffer ? p : std::string();
}

// After data arrived from a file: fit the view when no map is loaded, scroll
// back to the origin, redraw.
void afterImport(DocumentAccess& doc) {
    if (doc.fitPending && !(doc.mapLoaded && doc.mapLoaded())) *doc.fitPending = true;
    if (doc.resetScrollOrigin) doc.resetScrollOrigin();
    if (doc.redrawAll) doc.redrawAll();
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

DocumentSource documentSource(const DocumentAccess& doc) {
    DocumentSource s;
    s.timeZoneBias = doc.timeZoneBias ? *doc.timeZoneBias : 0;
    const TrackField* track = doc.track ? doc.track->get() : nullptr;
    s.hasTrack = track != nullptr;
    if (track) {
        s.segmentCount = track->segmentCount();
        s.points = track->points();
    }
    if (doc.waypoints) s.waypoints = doc.waypoints->records();
    if (doc.routes) s.routes = doc.routes->routes();
    return s;
}

void onOpen(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt) {
    if (doc.trackLogging) return;
    if (doc.saveModified && !doc.saveModified()) return;
    std::optional<std::string> path = chooser.chooseOpen(openDocumentFilters(), startFolder(doc), "");
    if (!path) return;

    WaitCursor wait(prompt);
    // Read into fresh data: the document keeps everything it has until the
    // file has been read.
    DocumentContents c;
    DocumentReadResult r = readDocumentFile(*path, c, prompt, doc.codePage);
    if (!r.ok()) {
        // Say which file and why; "not acceptable version" has been shown already.
        if (std::string problem = documentReadProblem(r); !problem.empty())
            prompt.message(*path + "\n" + problem + ".", "Error", Icon::Stop);
        return;
    }
    std::unique_ptr<TrackField> track;
    if (c.track) {
        track = makeTrackField(*c.track);
        if (!track) {
            prompt.message("not enough memory", kAppCaption, Icon::Stop);
            return;
        }
    }
    if (doc.track) *doc.track = std::move(track);
    if (c.timeZoneBias && doc.timeZoneBias) *doc.timeZoneBias = *c.timeZoneBias;
    if (c.waypoints && doc.waypoints) doc.waypoints->assign(std::move(*c.waypoints));
    if (c.routes && doc.routes) doc.routes->assign(std::move(*c.routes));
    if (c.partial)
        prompt.message(*path + "\nis damaged: only the waypoints and routes read in full were taken.", kAppCaption,
                       Icon::Warning);

    doc.settings->DataPath = folderOfPath(*path);
    if (doc.newData) *doc.newData = true;
    afterImport(doc);
    if (doc.modified) *doc.modified = false;
}

bool onSaveAs(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt) {
    bool hasTrack = doc.track && *doc.track;
    if (!hasTrack && !doc.waypoints && !doc.routes) {
        noDataForSave(prompt);
        return false;
    }
    std::optional<std::string> path = chooser.chooseSave(saveDocumentFilters(), startFolder(doc), "kvn");
    if (!path) return false;
    bool ok;
    {
        WaitCursor wait(prompt);
        ok = writeDocumentFile(*path, documentSource(doc), prompt);
    }
    if (!ok) {
        saveError(prompt);
        return false;
    }
    doc.settings->DataPath = folderOfPath(*path);
    if (doc.modified) *doc.modified = false;
    return true;
}

void onImportWaypointText(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt) {
    if (doc.trackLogging || !doc.waypoints) return;
    std::optional<std::string> path = chooser.chooseOpen(textFilters(), "", "");
    if (!path) return;
    if (doc.timeZoneBias) *doc.timeZoneBias = 0;
    TransverseMercator wgs;
    bool utm = doc.settings->CoordinateUTM != 0;
    if (!importWaypointText(*path, *doc.waypoints, utm, doc.tm ? *doc.tm : wgs, prompt, doc.codePage)) {
        cannotRead(prompt, *path, 0);
        return;
    }
    afterImport(doc);
}

void onExportWaypointText(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt) {
    if (doc.trackLogging) return;
    if (!doc.waypoints || doc.waypoints->count() == 0) {
        noDataForSave(prompt);
        return;
    }
    std::optional<std::string> path = chooser.chooseSave(textFilters(), "", "txt");
    if (!path) return;
    bool ok;
    {
        WaitCursor wait(prompt);
        TransverseMercator wgsTm;
        Datum wgs("WGS 84");
        ok = exportWaypointText(*path, doc.datum ? *doc.datum : wgs, doc.tm ? *doc.tm : wgsTm,
                                doc.waypoints->records(), doc.settings->CoordinateUTM != 0, prompt, doc.codePage);
    }
    if (!ok) saveError(prompt);
}

void onReadPot(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt) {
    std::optional<std::string> path = chooser.chooseOpen(potFilters(), "", "");
    if (!path) return;
    if (doc.timeZoneBias) *doc.timeZoneBias = 0;
    PotContents pot;
    int err = 0;
    if (!readPotFile(*path, pot, &err)) {
        cannotRead(prompt, *path, err);
        return;
    }
    // A track log being recorded is never replaced by the file's track.
    if (pot.lastKind == PotKind::TrackPoint && doc.trackLogging) {
        prompt.beep(BeepKind::Asterisk);
        return;
    }
    if (!doc.waypoints || !doc.routes || !doc.track) return;
    PotKind used = applyPotContents(pot, *doc.waypoints, *doc.routes, *doc.track, prompt);
    if (used == PotKind::TrackPoint && doc.newData) *doc.newData = true;
    afterImport(doc);
}

namespace {

template <typename Write>
void writePotCommand(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt, bool hasData, Write&& write) {
    if (doc.trackLogging) return;
    if (!hasData) {
        noDataForSave(prompt);
        return;
    }
    std::optional<std::string> path = chooser.chooseSave(potFilters(), "", "pot");
    if (!path) return;
    bool ok;
    {
        WaitCursor wait(prompt);
        Datum wgs("WGS 84");
        ok = write(*path, doc.datum ? *doc.datum : wgs);
    }
    if (!ok) saveError(prompt);
}

}  // namespace

void onWritePotTrack(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt) {
    const TrackField* t = doc.track ? doc.track->get() : nullptr;
    writePotCommand(doc, chooser, prompt, t != nullptr, [&](const std::string& path, const Datum& datum) {
        return writePotTrack(path, datum, t->points(), prompt, doc.codePage);
    });
}

void onWritePotWaypoints(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt) {
    writePotCommand(doc, chooser, prompt, doc.waypoints && doc.waypoints->count() > 0,
                    [&](const std::string& path, const Datum& datum) {
                        return writePotWaypoints(path, datum, doc.waypoints->records(), prompt, doc.codePage);
                    });
}

void onWritePotRoutes(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt) {
    writePotCommand(doc, chooser, prompt, doc.routes != nullptr, [&](const std::string& path, const Datum& datum) {
        return writePotRoutes(path, datum, doc.routes->routes(), prompt, doc.codePage);
    });
}

void onImportGpx(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt) {
    if (doc.trackLogging || !doc.waypoints || !doc.routes || !doc.track) return;
    std::optional<std::string> path = chooser.chooseOpen(gpxFilters(), startFolder(doc), "");
    if (!path) return;
    WaitCursor wait(prompt);
    DocumentContents c;
    Datum wgs("WGS 84");
    GpxReadResult r = readGpxFile(*path, c, doc.datum ? *doc.datum : wgs, doc.codePage);
    if (r.status == GpxReadResult::Status::CannotOpen) {
        cannotRead(prompt, *path, r.systemError);
        return;
    }
    if (!r.ok()) {
        prompt.message(*path + "\nis not a GPX file (" + r.problem + ").", "Error", Icon::Stop);
        return;
    }
    bool changed = false;
    if (c.track) {
        std::unique_ptr<TrackField> track = makeTrackField(*c.track);
        if (!track) {
            prompt.message("not enough memory", kAppCaption, Icon::Stop);
            return;
        }
        *doc.track = std::move(track);
        // GPX times are UTC.
        if (doc.timeZoneBias) *doc.timeZoneBias = 0;
        if (doc.newData) *doc.newData = true;
        changed = true;
    }
    for (const auto& w : *c.waypoints) {
        uint32_t before = doc.waypoints->count();
        int go = doc.waypoints->add(prompt, w);
        changed = changed || doc.waypoints->count() != before;
        if (!go) break;
    }
    // The document's first route, still empty and alone, takes the first route of the file.
    bool reuseFirst = doc.routes->routeCount() == 1 && doc.routes->routeWaypointCount(0) == 0;
    for (const auto& route : *c.routes) {
        uint32_t index;
        if (reuseFirst) {
            index = 0;
            reuseFirst = false;
        } else {
            uint32_t before = doc.routes->routeCount();
            if (doc.routes->appendRoute(prompt) == before) break;  // "Route count overflow!" was shown
            index = before;
        }
        doc.routes->setRouteName(index, route.name.view());
        changed = true;
        for (const auto& w : route.waypoints)
            if (!doc.routes->appendWaypoint(prompt, index, w)) break;
    }
    if (changed && doc.modified) *doc.modified = true;
    doc.settings->DataPath = folderOfPath(*path);
    afterImport(doc);
}

void onExportGpx(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt) {
    if (doc.trackLogging) return;
    DocumentSource s = documentSource(doc);
    size_t routePoints = 0;
    for (const auto& r : s.routes) routePoints += r.waypoints.size();
    if (s.points.empty() && s.waypoints.empty() && routePoints == 0) {
        noDataForSave(prompt);
        return;
    }
    std::optional<std::string> path = chooser.chooseSave(gpxFilters(), startFolder(doc), "gpx");
    if (!path) return;
    bool ok;
    {
        WaitCursor wait(prompt);
        Datum wgs("WGS 84");
        ok = writeGpxFile(*path, s, doc.datum ? *doc.datum : wgs, prompt, doc.codePage);
    }
    if (!ok) saveError(prompt);
}

}  // namespace korvance::files
