#include "files/FileFormats.h"

#include <limits>

#include "data/CRouteField.h"
#include "data/TrackField.h"
#include "data/WaypointList.h"
#include "files/GpxFile.h"
#include "files/PotFile.h"
#include "files/WaypointText.h"
#include "platform/SystemError.h"

namespace korvance::files {

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::string systemText(int err) { return err ? ": " + systemErrorText(err) : std::string(); }

}  // namespace

const std::vector<FileFormat>& fileFormats() {
    static const std::vector<FileFormat> formats = {
        {FileKind::Document, "document", ".kvn .kv2", "korvance document (track, waypoints, routes)", true, true, true},
        {FileKind::Pot, "pot", ".pot", "POT file (track, waypoints or routes)", true, true, true},
        {FileKind::WaypointText, "text", ".txt", "waypoint text", false, true, false},
        {FileKind::Gpx, "gpx", ".gpx", "GPX 1.1 (track, waypoints, routes)", true, true, true},
    };
    return formats;
}

const FileFormat* fileFormat(FileKind kind) {
    for (const auto& f : fileFormats())
        if (f.kind == kind) return &f;
    return nullptr;
}

FileKind fileKindOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return FileKind::Unknown;
    std::string ext = lower(path.substr(dot));
    if (ext == ".kvn" || ext == ".kv2") return FileKind::Document;
    if (ext == ".pot") return FileKind::Pot;
    if (ext == ".txt") return FileKind::WaypointText;
    if (ext == ".gpx") return FileKind::Gpx;
    return FileKind::Unknown;
}

PotContent potContentFor(const DocumentSource& s, PotContent choice) {
    if (choice != PotContent::Auto) return choice;
    if (s.hasTrack && !s.points.empty()) return PotContent::Track;
    if (!s.waypoints.empty()) return PotContent::Waypoints;
    return PotContent::Routes;
}

FileResult readAnyFile(const std::string& path, DocumentContents& out, const FileOptions& o, UserPrompt& prompt) {
    FileResult r;
    Datum wgs("WGS 84");
    const Datum& datum = o.datum ? *o.datum : wgs;
    switch (fileKindOf(path)) {
    case FileKind::Unknown:
        r.problem = path + ": unknown file kind (use .kvn, .kv2, .pot, .txt or .gpx)";
        return r;
    case FileKind::Document: {
        DocumentReadResult d = readDocumentFile(path, out, prompt, o.codePage);
        r.ok = d.ok();
        if (d.status == DocumentReadStatus::UnsupportedVersion)
            r.problem = path + ": not acceptable version";
        else if (!r.ok)
            r.problem = path + ": " + documentReadProblem(d);
        return r;
    }
    case FileKind::Pot: {
        PotContents pot;
        int err = 0;
        if (!readPotFile(path, pot, &err)) {
            r.problem = path + ": cannot be read" + systemText(err);
            return r;
        }
        DocumentContents c;
        c.waypoints.emplace();
        c.routes.emplace();
        const CodePage* cp = o.codePage;
        if (pot.lastKind == PotKind::TrackPoint) {
            WaypointList noWaypoints(0);
            CRouteField noRoutes(0, 0, 0);
            std::unique_ptr<TrackField> track;
            applyPotContents(pot, noWaypoints, noRoutes, track, prompt);
            if (track) {
                TrackData t;
                t.segmentCount = track->segmentCount();
                t.points = track->points();
                c.track = std::move(t);
            }
        } else if (pot.lastKind == PotKind::Waypoint) {
            for (const auto& item : pot.items) {
                PotLabel l = splitPotLabel(item.label);
                c.waypoints->push_back(makeWaypointRecord(l.identifier, item.latitude, item.longitude, l.comment, 0,
                                                          0, 0, item.altitude, cp));
            }
        } else if (pot.lastKind == PotKind::RouteWaypoint) {
            for (size_t i = 0; i < pot.items.size();) {
                size_t end = i;
                Route route;
                while (end < pot.items.size() && pot.items[end].group == pot.items[i].group) {
                    const PotItem& item = pot.items[end];
                    PotLabel l = splitPotLabel(item.label);
                    route.waypoints.push_back(makeWaypointRecord(l.identifier, item.latitude, item.longitude,
                                                                 l.comment, 0, 0, 0, item.altitude, cp));
                    ++end;
                }
                route.name.set(pot.items[i].label + " TO " + pot.items[end - 1].label, cp);
                c.routes->push_back(std::move(route));
                i = end;
            }
        }
        out = std::move(c);
        r.ok = true;
        return r;
    }
    case FileKind::WaypointText: {
        TransverseMercator wgsTm;
        const TransverseMercator& tm = o.tm ? *o.tm : wgsTm;
        std::vector<WaypointRecord> records;
        if (!readWaypointText(path, records, o.utm, tm, prompt, o.codePage)) {
            r.problem = path + ": cannot be read";
            return r;
        }
        DocumentContents c;
        c.waypoints = std::move(records);
        out = std::move(c);
        r.ok = true;
        return r;
    }
    case FileKind::Gpx: {
        GpxReadResult g = readGpxFile(path, out, datum, o.codePage);
        if (g.status == GpxReadResult::Status::CannotOpen)
            r.problem = path + ": cannot be read" + systemText(g.systemError);
        else if (g.status == GpxReadResult::Status::NotGpx)
            r.problem = path + ": not a GPX file (" + g.problem + ")";
        else
            reportTextLoss(prompt, path, g, o.codePage);
        r.ok = g.ok();
        return r;
    }
    }
    return r;
}

FileResult writeAnyFile(const std::string& path, const DocumentSource& s, const FileOptions& o, UserPrompt& prompt) {
    FileResult r;
    Datum wgs("WGS 84");
    const Datum& datum = o.datum ? *o.datum : wgs;
    switch (fileKindOf(path)) {
    case FileKind::Unknown:
        r.problem = path + ": unknown file kind (use .kvn, .kv2, .pot, .txt or .gpx)";
        return r;
    case FileKind::Document:
        r.ok = writeDocumentFile(path, s, prompt);
        break;
    case FileKind::Pot:
        switch (potContentFor(s, o.pot)) {
        case PotContent::Track: r.ok = writePotTrack(path, datum, s.points, prompt, o.codePage); break;
        case PotContent::Waypoints: r.ok = writePotWaypoints(path, datum, s.waypoints, prompt, o.codePage); break;
        default: r.ok = writePotRoutes(path, datum, s.routes, prompt, o.codePage); break;
        }
        break;
    case FileKind::WaypointText: {
        TransverseMercator wgsTm;
        r.ok = exportWaypointText(path, datum, o.tm ? *o.tm : wgsTm, s.waypoints, o.utm, prompt, o.codePage);
        break;
    }
    case FileKind::Gpx:
        r.ok = writeGpxFile(path, s, datum, prompt, o.codePage);
        break;
    }
    if (!r.ok) r.problem = path + ": save error";
    return r;
}

}  // namespace korvance::files
