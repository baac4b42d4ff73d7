#include "data/CRouteField.h"

#include <cmath>
#include <new>
#include <stdexcept>

#include "data/ListMessages.h"
#include "data/TextUtil.h"

namespace korvance {

CRouteField::CRouteField(uint32_t initialRoutes, uint32_t maximumRoutes, uint32_t maximumWaypointsPerRoute,
                         const CodePage* codePage)
    : maximumRoutes_(maximumRoutes), maximumWaypoints_(maximumWaypointsPerRoute), codePage_(codePage) {
    routes_.resize(initialRoutes);
}

uint32_t CRouteField::appendRoute(UserPrompt& prompt) {
    if (routes_.size() >= maximumRoutes_) {
        showListLimit(prompt, kMsgRouteCountOverflow);
        return routeCount();
    }
    try {
        std::vector<Route> grown;
        grown.reserve(routes_.size() + 1);
        for (auto& r : routes_) grown.push_back(r);
        grown.emplace_back();
        routes_.swap(grown);
    } catch (const std::bad_alloc&) {
        showNotEnoughMemory(prompt);
    } catch (const std::length_error&) {
        showNotEnoughMemory(prompt);
    }
    return routeCount();
}

uint32_t CRouteField::deleteRoute(uint32_t index) {
    if (index >= routes_.size()) return routeCount();
    // Erasing moves the later routes down; nothing is allocated, so this cannot fail.
    routes_.erase(routes_.begin() + index);
    return routeCount();
}

void CRouteField::clear() { std::vector<Route>().swap(routes_); }

bool CRouteField::setRouteName(uint32_t index, std::string_view name) {
    if (index >= routes_.size()) return false;
    routes_[index].name.set(name, codePage_);
    return true;
}

std::string_view CRouteField::routeName(uint32_t index) const {
    return index < routes_.size() ? routes_[index].name.view() : std::string_view();
}

size_t CRouteField::copyRouteName(uint32_t index, char* buffer, size_t size) const {
    return copyToBuffer(buffer, size, routeName(index));
}

int CRouteField::appendWaypoint(UserPrompt& prompt, uint32_t route, std::string_view identifier,
                                double latitude, double longitude, std::string_view comment, int16_t symbol,
                                int16_t displayOption, double proximity, double altitude) {
    return appendWaypoint(prompt, route,
                          makeWaypointRecord(identifier, latitude, longitude, comment, symbol, displayOption,
                                             proximity, altitude, codePage_));
}

int CRouteField::appendWaypoint(UserPrompt& prompt, uint32_t route, const WaypointRecord& record) {
    if (route >= routes_.size()) return 0;
    auto& wps = routes_[route].waypoints;
    if (wps.size() >= maximumWaypoints_) {
        showListLimit(prompt, kMsgRouteWaypointOverflow);
        return 0;
    }
    if (!growByOne(wps, record)) {
        showNotEnoughMemory(prompt);
        return 0;
    }
    return 1;
}

int CRouteField::clearRouteWaypoints(uint32_t route) {
    if (route >= routes_.size()) return 0;
    std::vector<WaypointRecord>().swap(routes_[route].waypoints);
    return 1;
}

uint32_t CRouteField::routeWaypointCount(uint32_t route) const {
    return route < routes_.size() ? static_cast<uint32_t>(routes_[route].waypoints.size()) : 0;
}

const WaypointRecord* CRouteField::routeWaypoint(uint32_t route, uint32_t waypoint) const {
    if (route >= routes_.size() || waypoint >= routes_[route].waypoints.size()) return nullptr;
    return &routes_[route].waypoints[waypoint];
}

std::string_view CRouteField::waypointIdentifier(uint32_t route, uint32_t waypoint) const {
    auto w = routeWaypoint(route, waypoint);
    return w ? w->identifier.view() : std::string_view();
}
std::string_view CRouteField::waypointComment(uint32_t route, uint32_t waypoint) const {
    auto w = routeWaypoint(route, waypoint);
    return w ? w->comment.view() : std::string_view();
}
double CRouteField::waypointLatitude(uint32_t route, uint32_t waypoint) const {
    auto w = routeWaypoint(route, waypoint);
    return w ? w->latitude : 0;
}
double CRouteField::waypointLongitude(uint32_t route, uint32_t waypoint) const {
    auto w = routeWaypoint(route, waypoint);
    return w ? w->longitude : 0;
}
int16_t CRouteField::waypointSymbol(uint32_t route, uint32_t waypoint) const {
    auto w = routeWaypoint(route, waypoint);
    return w ? w->symbol : 0;
}
int16_t CRouteField::waypointDisplayOption(uint32_t route, uint32_t waypoint) const {
    auto w = routeWaypoint(route, waypoint);
    return w ? w->displayOption : 0;
}
double CRouteField::waypointProximity(uint32_t route, uint32_t waypoint) const {
    auto w = routeWaypoint(route, waypoint);
    return w ? double(w->proximity) : 0;
}
double CRouteField::waypointAltitude(uint32_t route, uint32_t waypoint) const {
    auto w = routeWaypoint(route, waypoint);
    return w ? double(w->altitude) : 0;
}

void CRouteField::mergeInto(WaypointList& list, UserPrompt& prompt) const {
    for (const auto& route : routes_) {
        for (const auto& wp : route.waypoints) {
            if (auto i = list.find(wp.identifier.view())) {
                if (std::fabs(list.latitude(*i) - wp.latitude) <= 0.00001 &&
                    std::fabs(list.longitude(*i) - wp.longitude) <= 0.00001)
                    continue;
                std::string id = oemToUi(codePage_, wp.identifier.view(), 64);
                prompt.message(id + " has differ coordinate.", kAppCaption, Icon::Stop);
                prompt.message(id + " not added to waypoint list.", kAppCaption, Icon::None);
                continue;
            }
            WaypointRecord copy;
            copy.identifier = wp.identifier;
            copy.latitude = wp.latitude;
            copy.longitude = wp.longitude;
            copy.comment = wp.comment;
            if (list.add(prompt, copy) == 0) return;
        }
    }
}

}  // namespace korvance
