#pragma once
// The waypoint alarm of a navigation run: which distance it watches (the Goto
// waypoint, the current route waypoint, or the nearest waypoint of the list),
// and its three states: idle, sounding (the sound is played again at every
// tick) and silenced by a tap on the map until the position leaves the alarm
// distance.

#include <cstdint>
#include <string>

#include "data/CRouteField.h"
#include "data/WaypointList.h"
#include "geodesy/Datum.h"
#include "geodesy/GeoPosition.h"
#include "platform/Sound.h"

namespace korvance {

class RouteNavigator;

// The distance of "no waypoint near".
inline constexpr double kNoAlarmDistanceKm = 99999999.0;

struct AlarmDistance {
    double km = kNoAlarmDistanceKm;
    bool advanced = false;  // the route navigator moved on to its next waypoint
};

// The distance the alarm watches at `position`. With a Goto waypoint
// (gotoIndex inside the list) the distance to it; else with a route navigator
// the distance to its current waypoint, stepping the navigator on when that
// waypoint counts as reached; else the distance to the first waypoint of the
// list closer than `alarmMetres`, kNoAlarmDistanceKm when none is.
AlarmDistance AlarmDistanceAt(const Datum& datum, const WaypointList& waypoints, const CRouteField& routes,
                              int gotoIndex, RouteNavigator* navigator, GeoPosition position, double alarmMetres);

class WaypointAlarmState {
public:
    enum State : int { Idle = 0, Sounding = 1, Silenced = 2 };

    int state() const { return state_; }
    // A tap on the map silences a sounding alarm; true when it did.
    bool tap();
    // Navigation stopped.
    void reset() { state_ = Idle; }

    // One tick: with the alarm on and the position inside `alarmMetres`,
    // plays `alarmFile` unless silenced. True when the sound was played.
    bool update(bool alarmOn, double distanceKm, double alarmMetres, Sound& sound, const std::string& alarmFile);

private:
    int state_ = Idle;
};

}  // namespace korvance
