#pragma once
// The fixed data of the reference files (tests/data/golden), and the sample
// document of the file and command-line tests: a track of three points in two
// segments, two waypoints (one name in Latin-1), one route of four waypoints,
// a time-zone bias of -9 h.

#include <string>
#include <vector>

#include "data/TextUtil.h"
#include "data/WaypointList.h"
#include "files/DocumentFile.h"

namespace korvance::testing {

inline WaypointRecord sampleWaypoint(const char* id, double lat, double lon, const char* comment, int16_t symbol,
                                     float alt) {
    return makeWaypointRecord(id, lat, lon, comment, symbol, 2, 50.0f, alt, nullptr);
}

struct SampleDocument {
    std::vector<TrackPoint> points;
    std::vector<WaypointRecord> waypoints;
    std::vector<Route> routes;

    SampleDocument() {
        const uint32_t t0 = uint32_t(daysFromCivil(2009, 5, 15) * 86400 + 12 * 3600 + 34 * 60 + 56 - kReceiverEpochUnix);
        const struct {
            double lat, lon;
            float alt;
            uint32_t dt;
            uint16_t segment;
        } track[] = {{35.5, -139.25, 123.6f, 0, 1}, {35.5012345, -139.2487654, 124.0f, 7, 1}, {35.51, -139.2, 130.25f, 60, 2}};
        for (const auto& t : track) {
            TrackPoint p;
            p.latitude = t.lat;
            p.longitude = t.lon;
            p.altitude = t.alt;
            p.time = t0 + t.dt;
            p.segment = t.segment;
            points.push_back(p);
        }
        waypoints = {sampleWaypoint("HOME", 35.5, 139.25, "my house", 18, 10.2f),
                     sampleWaypoint("CAF\xC9", -33.8567844, 151.2152967, "", 7, 0.0f)};
        Route r;
        r.name.set("TO WORK");
        for (int i = 0; i < 4; ++i)
            r.waypoints.push_back(sampleWaypoint(("R" + std::to_string(i)).c_str(), 35 + i * 0.25, 139 + i * 0.5, "stop", 1, 5.0f));
        routes.push_back(r);
    }

    files::TrackData track() const { return {2, points}; }
    files::DocumentSource source() const {
        files::DocumentSource s;
        s.timeZoneBias = -32400;
        s.hasTrack = true;
        s.segmentCount = 2;
        s.points = points;
        s.waypoints = waypoints;
        s.routes = routes;
        return s;
    }
};

}  // namespace korvance::testing
