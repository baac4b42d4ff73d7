#pragma once
// The navigation tick without the map view: one fix from the running
// source, appended to the track log, handed to the display to follow and
// redraw, then the route's next waypoint and the waypoint alarm. The same
// routine serves Garmin polling, NMEA and the monitor.

#include <memory>

#include "app/CKorvanceDoc.h"
#include "navigation/PositionSource.h"
#include "navigation/RouteNavigator.h"
#include "navigation/WaypointAlarmState.h"
#include "platform/Sound.h"

namespace korvance {

// What the tick needs of the map view: keep the position in sight (centring,
// map change) and redraw without erase.
class NavigationDisplay {
public:
    virtual ~NavigationDisplay() = default;
    virtual void follow(const PositionFix& fix) = 0;
    virtual void redraw() = 0;
};

struct TickResult {
    bool ran = false;       // false: a tick was already running
    bool hadFix = false;    // false: the source gave no position (Garmin polling asks whether to go on)
    PositionFix fix;        // the position of this tick, when there was one
    bool appended = false;  // false: no track or a full one (the point is dropped silently)
    AlarmDistance alarm;
    bool sounded = false;
};

// The targets and the alarm of the view, which outlive the navigation modes.
class NavigationState {
public:
    explicit NavigationState(CKorvanceDoc& doc) : doc_(doc) {}

    int gotoIndex = -1;
    std::unique_ptr<RouteNavigator> routeNavigator;
    WaypointAlarmState alarm;

    // One tick; the alarm plays through `sound`.
    TickResult tick(PositionSource& source, NavigationDisplay* display, Sound& sound);
    bool busy() const { return busy_; }

private:
    CKorvanceDoc& doc_;
    bool busy_ = false;
};

}  // namespace korvance
