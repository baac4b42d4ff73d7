#pragma once
// The document's routes: a bounded list of named routes, each a bounded list
// of its own waypoint copies (the WaypointRecord layout). Route waypoints do
// not refer to the waypoint list; merge() copies new ones into it.

#include <cstdint>
#include <string_view>
#include <vector>

#include "data/RouteRecord.h"
#include "data/WaypointList.h"
#include "platform/CodePage.h"
#include "platform/UserPrompt.h"

namespace korvance {

class CRouteField {
public:
    // `initialRoutes` empty routes without names; the document asks for one
    // and names it "ROUTE-00".
    CRouteField(uint32_t initialRoutes, uint32_t maximumRoutes, uint32_t maximumWaypointsPerRoute,
                const CodePage* codePage = nullptr);

    // The new route count; at the limit "Route count overflow!" and the count unchanged.
    uint32_t appendRoute(UserPrompt& prompt);
    // The new route count; a bad index changes nothing.
    uint32_t deleteRoute(uint32_t index);
    void clear();

    uint32_t routeCount() const { return static_cast<uint32_t>(routes_.size()); }
    uint32_t maximumRoutes() const { return maximumRoutes_; }
    uint32_t maximumWaypointsPerRoute() const { return maximumWaypoints_; }
    const CodePage* codePage() const { return codePage_; }
    const std::vector<Route>& routes() const { return routes_; }
    const Route* route(uint32_t index) const { return index < routes_.size() ? &routes_[index] : nullptr; }

    bool setRouteName(uint32_t index, std::string_view name);
    std::string_view routeName(uint32_t index) const;
    size_t copyRouteName(uint32_t index, char* buffer, size_t size) const;

    // 1 stored, 0 refused: a bad route index (silently) or a full route
    // ("Route waypoint count overflow!").
    int appendWaypoint(UserPrompt& prompt, uint32_t route, std::string_view identifier, double latitude,
                       double longitude, std::string_view comment, int16_t symbol, int16_t displayOption,
                       double proximity, double altitude);
    int appendWaypoint(UserPrompt& prompt, uint32_t route, const WaypointRecord& record);
    int clearRouteWaypoints(uint32_t route);

    uint32_t routeWaypointCount(uint32_t route) const;
    const WaypointRecord* routeWaypoint(uint32_t route, uint32_t waypoint) const;
    std::string_view waypointIdentifier(uint32_t route, uint32_t waypoint) const;
    std::string_view waypointComment(uint32_t route, uint32_t waypoint) const;
    double waypointLatitude(uint32_t route, uint32_t waypoint) const;
    double waypointLongitude(uint32_t route, uint32_t waypoint) const;
    int16_t waypointSymbol(uint32_t route, uint32_t waypoint) const;
    int16_t waypointDisplayOption(uint32_t route, uint32_t waypoint) const;
    double waypointProximity(uint32_t route, uint32_t waypoint) const;
    double waypointAltitude(uint32_t route, uint32_t waypoint) const;

    // Copies route waypoints whose identifiers the list lacks into the list;
    // one whose identifier is there at another position is reported and
    // left out. Ends at the first refused addition.
    void mergeInto(WaypointList& list, UserPrompt& prompt) const;

    // Replaces every route with routes read from a file (no limits enforced).
    void assign(std::vector<Route> routes) { routes_ = std::move(routes); }

private:
    uint32_t maximumRoutes_;
    uint32_t maximumWaypoints_;
    const CodePage* codePage_;
    std::vector<Route> routes_;
};

}  // namespace korvance
