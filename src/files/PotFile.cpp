#include "files/PotFile.h"

#include <cstdio>

#include "data/TextUtil.h"
#include "files/FileReport.h"
#include "geodesy/Coordinates.h"
#include "platform/AtomicFile.h"

namespace korvance::files {

namespace {

constexpr size_t kMaxLine = 255;
constexpr size_t kMaxLabel = 127;

std::string cutBytes(std::string s, size_t max, const CodePage* cp) {
    if (s.size() > max) s.resize(cp ? cp->cutLength(s, max) : max);
    return s;
}

std::string altitudeField(double altitude) {
    char buf[48];
    double a = altitude + 0.5;
    if (!(a > -1e9 && a < 1e9)) a = 0;
    std::snprintf(buf, sizeof buf, "/altitude=%05d", int(a));
    return buf;
}

std::string labelOf(const WaypointRecord& w, const CodePage* cp) {
    std::string label = withoutLineBreaks(w.identifier.str() + ":" + w.comment.str());
    return cutBytes(std::move(label), kMaxLabel, cp);
}

std::string waypointStem(const WaypointRecord& w, const CodePage* cp) {
    return "ORD=POI/tex=" + labelOf(w, cp) + "/ido=" + formatPotDegrees(w.latitude) +
           "/kei=" + formatPotDegrees(w.longitude) + altitudeField(w.altitude) + "/col=14/lev=8";
}

template <typename Lines>
bool writeLines(const std::string& path, const Datum& datum, UserPrompt& prompt, Lines&& lines) {
    AtomicFile file(path);
    if (!file.open()) {
        reportFileError(prompt, path, path, file.error());
        return false;
    }
    file.write(potHeaderLine(datum));
    file.write("\r\n");
    lines([&](const std::string& line) {
        file.write(line);
        file.write("\r\n");
    });
    if (!file.ok() || !file.commit()) {
        reportFileError(prompt, "Save", path, file.error());
        return false;
    }
    return true;
}

uint32_t toReceiverTime(int64_t unixTime) {
    int64_t t = unixTime - kReceiverEpochUnix;
    if (t < 0) return 0;
    if (t > int64_t(UINT32_MAX)) return UINT32_MAX;
    return uint32_t(t);
}

}  // namespace

std::string potHeaderLine(const Datum& datum) {
    const DatumRow& row = datum.row();
    char shifts[96];
    std::snprintf(shifts, sizeof shifts, "%d/%d/%d/", int(row.dx), int(row.dy), int(row.dz));
    std::string line = "Dat=" + row.name.substr(0, 63) + "/" + row.ellipsoidName.substr(0, 63) + "/" +
                       FormatFixed(row.da, 3) + "/" + FormatFixed(row.df * 10000.0, 8) + "/" + shifts;
    if (line.size() > kMaxLine) line.resize(kMaxLine);
    return line;
}

std::string potTrackLine(const TrackPoint& p, const CodePage* cp) {
    int64_t unixTime = int64_t(p.time) + kReceiverEpochUnix;
    char seg[32];
    std::snprintf(seg, sizeof seg, "/adr=%d", int(p.segment));
    std::string line = "ORD=POI/tex=/ido=" + formatPotDegrees(p.latitude) + "/kei=" + formatPotDegrees(p.longitude) +
                       altitudeField(p.altitude) + "/pdate=" + formatPotDate(unixTime) +
                       "/ptime=" + formatPotTime(unixTime) + "/col=14/lev=8" + seg;
    return cutBytes(std::move(line), kMaxLine, cp);
}

std::string potWaypointLine(const WaypointRecord& w, const CodePage* cp) {
    return cutBytes(waypointStem(w, cp), kMaxLine, cp);
}

std::string potRouteWaypointLine(const WaypointRecord& w, uint32_t routeNumber, const CodePage* cp) {
    char adr[32];
    std::snprintf(adr, sizeof adr, "/adr=%u", routeNumber);
    return cutBytes(waypointStem(w, cp) + adr, kMaxLine, cp);
}

bool writePotTrack(const std::string& path, const Datum& datum, std::span<const TrackPoint> points,
                   UserPrompt& prompt, const CodePage* cp) {
    return writeLines(path, datum, prompt, [&](auto&& emit) {
        for (const auto& p : points) emit(potTrackLine(p, cp));
    });
}

bool writePotWaypoints(const std::string& path, const Datum& datum, std::span<const WaypointRecord> waypoints,
                       UserPrompt& prompt, const CodePage* cp) {
    return writeLines(path, datum, prompt, [&](auto&& emit) {
        for (const auto& w : waypoints) emit(potWaypointLine(w, cp));
    });
}

bool writePotRoutes(const std::string& path, const Datum& datum, std::span<const Route> routes,
                    UserPrompt& prompt, const CodePage* cp) {
    return writeLines(path, datum, prompt, [&](auto&& emit) {
        // Routes are numbered from 1 by their place, empty ones included.
        for (size_t r = 0; r < routes.size(); ++r)
            for (const auto& w : routes[r].waypoints) emit(potRouteWaypointLine(w, uint32_t(r + 1), cp));
    });
}

void parsePotText(std::string_view text, PotContents& out) {
    PotContents c;
    size_t start = 0;
    while (start < text.size()) {
        size_t lf = text.find('\n', start);
        std::string_view line = text.substr(start, lf == std::string_view::npos ? text.size() - start : lf - start);
        PotRecord rec = parsePotLine(line);
        if (rec.kind != PotKind::Ignored) {
            PotItem item;
            item.latitude = rec.latitude;
            item.longitude = rec.longitude;
            item.altitude = rec.altitude;
            item.time = rec.time;
            item.angle = rec.angle;
            item.group = rec.group;
            if (rec.label) item.label = rec.label->substr(0, kMaxLabel);
            c.items.push_back(std::move(item));
            c.lastKind = rec.kind;
        }
        if (lf == std::string_view::npos) break;
        start = lf + 1;
    }
    out = std::move(c);
}

bool readPotFile(const std::string& path, PotContents& out, int* error) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes, error)) return false;
    parsePotText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), out);
    return true;
}

PotKind applyPotContents(const PotContents& contents, WaypointList& waypoints, CRouteField& routes,
                         std::unique_ptr<TrackField>& track, UserPrompt& prompt) {
    const auto& items = contents.items;
    switch (contents.lastKind) {
    case PotKind::Ignored:
        return PotKind::Ignored;

    case PotKind::Waypoint:
        for (const auto& item : items) {
            PotLabel l = splitPotLabel(item.label);
            if (!waypoints.add(prompt, l.identifier, item.latitude, item.longitude, l.comment, 0, 0, 0,
                               item.altitude))
                break;
        }
        return PotKind::Waypoint;

    case PotKind::TrackPoint: {
        std::unique_ptr<TrackField> t = TrackField::create(uint32_t(std::min<size_t>(items.size(), UINT32_MAX)));
        if (!t) {
            prompt.message("not enough memory", "korvance", Icon::Stop);
            return PotKind::Ignored;
        }
        const int32_t first = items.empty() ? 0 : items.front().group;
        uint32_t runs = 0;
        for (size_t i = 0; i < items.size(); ++i) {
            const PotItem& item = items[i];
            TrackPoint p;
            p.latitude = item.latitude;
            p.longitude = item.longitude;
            p.time = toReceiverTime(item.time);
            p.altitude = float(item.altitude);
            p.segment = uint16_t(int64_t(item.group) - first + 1);
            if (i == 0 || p.segment != t->point(uint32_t(i - 1)).segment) ++runs;
            if (!t->append(p)) break;
        }
        t->setSegmentCount(runs);
        track = std::move(t);
        return PotKind::TrackPoint;
    }

    case PotKind::RouteWaypoint: {
        size_t groups = 0;
        for (size_t i = 0; i < items.size(); ++i)
            if (i == 0 || items[i].group != items[i - 1].group) ++groups;
        size_t next = 0;
        bool listAdds = true;
        for (size_t g = 0; g < groups && next < items.size(); ++g) {
            uint32_t count = routes.appendRoute(prompt);
            if (count == 0) break;
            uint32_t r = count - 1;
            const PotItem& head = items[next];
            size_t lastUsed = items.size();
            while (next < items.size() && items[next].group == head.group) {
                const PotItem& item = items[next];
                PotLabel l = splitPotLabel(item.label);
                if (!routes.appendWaypoint(prompt, r, l.identifier, item.latitude, item.longitude, l.comment, 0, 0,
                                           0, item.altitude))
                    break;  // the next route goes on with this item
                if (listAdds && !waypoints.add(prompt, l.identifier, item.latitude, item.longitude, l.comment, 0, 0,
                                               0, 0))
                    listAdds = false;
                lastUsed = next;
                ++next;
            }
            if (lastUsed < items.size()) routes.setRouteName(r, head.label + " TO " + items[lastUsed].label);
        }
        return PotKind::RouteWaypoint;
    }
    }
    return PotKind::Ignored;
}

}  // namespace korvance::files
