#pragma once
// The figures of the navigation data field and their texts: speed and track
// from the newest two track points, the target (Goto waypoint, else the
// current route waypoint), the distance and bearing to it, the bearing
// relative to the direction of travel, the time en route and the pointer.
// Drawing them is the view's; everything here is plain numbers and text.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "data/CRouteField.h"
#include "data/TrackLog.h"
#include "data/WaypointList.h"
#include "geodesy/Coordinates.h"
#include "geodesy/Datum.h"

namespace korvance {

class RouteNavigator;

inline constexpr const char* kNoTargetName = "------";
inline constexpr const char* kNoEteText = "--:--:--";
inline constexpr const char* kTargetFieldLabel = "Goto";
inline constexpr const char* kBearingFieldLabelLandscape = "Bearing[deg]/Pointer";
inline constexpr const char* kBearingFieldLabelPortrait = "Bearing[deg]";
inline constexpr const char* kEteFieldLabel = "ETE";
// The relative bearing beyond which no time en route is given.
inline constexpr int kEteMaxRelative = 60;

struct NavigationTarget {
    std::string name;  // at most 16 characters
    double latitude = 0;
    double longitude = 0;
};

// The Goto waypoint when gotoIndex lies inside the list, else the navigator's
// current route waypoint when it still exists, else none.
std::optional<NavigationTarget> TargetOf(const WaypointList& waypoints, const CRouteField& routes, int gotoIndex,
                                         const RouteNavigator* navigator);

struct NavigationFigures {
    double speedKmh = 0;
    int track = 0;  // degrees
    bool hasTarget = false;
    std::string targetName = kNoTargetName;
    // The rest only when there is a target and the track has a point.
    bool hasDistance = false;
    double distanceKm = 0;
    int bearing = 0;   // degrees
    int relative = 0;  // degrees, -180..180
    int eteHours = 99, eteMinutes = 99, eteSeconds = 0;
};

// bearing - track brought into -180..180.
int RelativeBearing(int bearing, int track);

// Distance, bearing, relative bearing and time en route of figures that
// already hold speed and track.
void SetTargetFigures(NavigationFigures& figures, double distanceKm, double bearingDegrees);

// All figures from the live track log and the target. `bearing` is the
// document's remembered bearing (standing still keeps it steady).
NavigationFigures ComputeFigures(const TrackLog& log, const Datum& datum, BearingMemory& bearing,
                                 const std::optional<NavigationTarget>& target);

// The texts the data field shows, in the display unit of `unit` (the Unit
// setting). Texts that the field does not show are empty.
struct DataFieldTexts {
    std::string speedLabel;     // "Speed [km/h]" ...
    std::string distanceLabel;  // "Distance[km]" ...
    std::string speed;          // one decimal
    std::string track;          // "%03d"
    std::string target;         // the name, only with a target
    std::string distance;       // two decimals, only with a target and a track point
    std::string bearing;        // "%03d"
    std::string ete;            // "HH:MM:SS" or "--:--:--"
};
DataFieldTexts DataFieldTextsOf(const NavigationFigures& figures, uint32_t unit);

// Where the field's texts stand in its panel (text origins, top-left), by
// orientation. Labels use the 7.2-point font, values the 14-point font.
struct DataFieldLayout {
    struct Place {
        int labelX, labelY, valueX, valueY;
    };
    int panelWidth, panelHeight;  // landscape: a strip at the right; portrait: at the bottom
    Place speed, track, target, distance, bearing, ete;
    int pointerX, pointerY;
    const char* bearingLabel;
};
DataFieldLayout DataFieldLayoutFor(bool landscape, int clientWidth, int clientHeight);

// The eight points of the pointer around (cx, cy), pointing up at relative 0
// and turned clockwise by `relative` degrees.
std::array<std::array<int, 2>, 8> PointerPolyline(int cx, int cy, int relative);

}  // namespace korvance
