#pragma once
// Follows one route of the document waypoint by waypoint: which waypoint is
// the current target, when it counts as reached (inside the reach distance,
// or passed: the distance has grown well beyond the closest approach), and
// stepping by hand. The navigator keeps the route's index, not a copy of it;
// target() looks the waypoint up in the routes as they are now.

#include <cstdint>
#include <memory>
#include <optional>

#include "data/CRouteField.h"
#include "platform/UserPrompt.h"

namespace korvance {

class RouteNavigator {
public:
    static constexpr double kNoDistanceKm = 9999999.0;

    explicit RouteNavigator(uint32_t reachMetres);

    void setReverse(bool reverse) { reverse_ = reverse; }
    bool reverse() const { return reverse_; }
    int current() const { return current_; }
    uint32_t route() const { return route_; }
    int count() const { return count_; }
    double reachKm() const { return reachKm_; }

    // Points the navigator at route `route` of `count` waypoints: the first
    // waypoint, or the last one when reversed.
    void begin(uint32_t route, int count);

    // One waypoint on in the direction of travel (stays on the last one), and
    // back; both forget the distances measured so far. Return current().
    int next();
    int previous();

    // Whether the current target counts as reached at `distanceKm` from it.
    bool reached(double distanceKm);

    // The current target waypoint, or null when the route has since lost it
    // (deleted or shortened while navigating).
    const WaypointRecord* target(const CRouteField& routes) const;

private:
    void forget() { previousKm_ = minimumKm_ = kNoDistanceKm; }

    bool reverse_ = false;
    int current_ = 0;
    uint32_t route_ = 0;
    int count_ = 0;
    double reachKm_;
    double previousKm_ = kNoDistanceKm;
    double minimumKm_ = kNoDistanceKm;
    double passFactor_ = 3.0;
};

// Starts route navigation on the route the user chose (nullopt: cancelled)
// with "Invert" ticked or not. Says "No Available Route" for a route number
// beyond the list and "No Route Waypoint" for an empty route and returns null
// then; the document's current route becomes `choice` for any existing route.
std::unique_ptr<RouteNavigator> BeginRouteNavigation(CRouteField& routes, uint32_t& currentRoute,
                                                     UserPrompt& prompt, uint32_t reachMetres,
                                                     std::optional<uint32_t> choice, bool invert);

}  // namespace korvance
