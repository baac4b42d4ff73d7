#pragma once
// POT files: the track, the waypoints or the routes as lines of
// slash-separated key=value fields, and the reading of such a file back into
// the document, deciding from the last usable line what all lines are.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "data/CRouteField.h"
#include "data/RouteRecord.h"
#include "data/TrackField.h"
#include "data/TrackPoint.h"
#include "data/WaypointList.h"
#include "data/WaypointRecord.h"
#include "files/PotLine.h"
#include "geodesy/Datum.h"
#include "platform/CodePage.h"
#include "platform/UserPrompt.h"

namespace korvance::files {

// What the reader keeps of one usable line.
struct PotItem {
    double latitude = 0;
    double longitude = 0;
    double altitude = 0;
    int64_t time = 0;  // seconds since 1970 (UTC)
    double angle = 0;
    int32_t group = kPotNoGroup;
    std::string label;  // at most 127 bytes
};

struct PotContents {
    std::vector<PotItem> items;
    PotKind lastKind = PotKind::Ignored;
};

// Reads and parses a whole file. False (errno in *error) when it cannot be read.
bool readPotFile(const std::string& path, PotContents& out, int* error = nullptr);
void parsePotText(std::string_view text, PotContents& out);

// "Dat=name/ellipsoid/da/df/dx/dy/dz/" of the display datum.
std::string potHeaderLine(const Datum& datum);
std::string potTrackLine(const TrackPoint& p, const CodePage* cp);
std::string potWaypointLine(const WaypointRecord& w, const CodePage* cp);
std::string potRouteWaypointLine(const WaypointRecord& w, uint32_t routeNumber, const CodePage* cp);

// The writers create the file through a temporary one; false after the error
// report (the path when it cannot be created, "Save" when a write fails).
bool writePotTrack(const std::string& path, const Datum& datum, std::span<const TrackPoint> points,
                   UserPrompt& prompt, const CodePage* cp = nullptr);
bool writePotWaypoints(const std::string& path, const Datum& datum, std::span<const WaypointRecord> waypoints,
                       UserPrompt& prompt, const CodePage* cp = nullptr);
bool writePotRoutes(const std::string& path, const Datum& datum, std::span<const Route> routes,
                    UserPrompt& prompt, const CodePage* cp = nullptr);

// Puts the items into the document's data by the kind of the last item:
// waypoints are added to `waypoints`; a track replaces `track` (a new block of
// exactly the item count); routes are appended to `routes` and their
// waypoints also added to `waypoints`. Returns the kind used.
PotKind applyPotContents(const PotContents& contents, WaypointList& waypoints, CRouteField& routes,
                         std::unique_ptr<TrackField>& track, UserPrompt& prompt);

}  // namespace korvance::files
