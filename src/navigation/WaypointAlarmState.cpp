#include "navigation/WaypointAlarmState.h"

#include "navigation/RouteNavigator.h"

namespace korvance {

AlarmDistance AlarmDistanceAt(const Datum& datum, const WaypointList& waypoints, const CRouteField& routes,
                              int gotoIndex, RouteNavigator* navigator, GeoPosition position, double alarmMetres) {
    AlarmDistance d;
    // A Goto waypoint deleted from the list since it was chosen is no target.
    if (gotoIndex >= 0 && static_cast<uint32_t>(gotoIndex) < waypoints.count()) {
        const WaypointRecord& w = *waypoints.record(static_cast<uint32_t>(gotoIndex));
        d.km = datum.DistanceKm(position.latitude, position.longitude, w.latitude, w.longitude);
        return d;
    }
    if (navigator) {
        if (const WaypointRecord* w = navigator->target(routes)) {
            d.km = datum.DistanceKm(position.latitude, position.longitude, w->latitude, w->longitude);
            if (navigator->reached(d.km)) {
                const int before = navigator->current();
                d.advanced = navigator->next() != before;
            }
        }
        return d;
    }
    for (uint32_t i = 0; i < waypoints.count(); ++i) {
        const WaypointRecord& w = *waypoints.record(i);
        const double km = datum.DistanceKm(position.latitude, position.longitude, w.latitude, w.longitude);
        if (km * 1000.0 < alarmMetres) {
            d.km = km;
            break;
        }
    }
    return d;
}

bool WaypointAlarmState::tap() {
    if (state_ != Sounding) return false;
    state_ = Silenced;
    return true;
}

bool WaypointAlarmState::update(bool alarmOn, double distanceKm, double alarmMetres, Sound& sound,
                                const std::string& alarmFile) {
    if (!alarmOn) return false;
    if (distanceKm * 1000.0 >= alarmMetres) {
        state_ = Idle;
        return false;
    }
    if (state_ == Silenced) return false;
    sound.play(alarmFile);
    state_ = Sounding;
    return true;
}

}  // namespace korvance
