#include "navigation/RouteNavigator.h"

#include <limits>

#include "data/TextUtil.h"

namespace korvance {

RouteNavigator::RouteNavigator(uint32_t reachMetres) : reachKm_(reachMetres * 0.001) {}

void RouteNavigator::begin(uint32_t route, int count) {
    route_ = route;
    count_ = count;
    current_ = reverse_ && count > 0 ? count - 1 : 0;
    forget();
}

int RouteNavigator::next() {
    if (!reverse_) {
        if (current_ < count_ - 1) ++current_;
    } else if (current_ > 0) {
        --current_;
    }
    forget();
    return current_;
}

int RouteNavigator::previous() {
    if (reverse_) {
        if (current_ < count_ - 1) ++current_;
    } else if (current_ > 0) {
        --current_;
    }
    forget();
    return current_;
}

bool RouteNavigator::reached(double distanceKm) {
    bool reached = distanceKm < reachKm_ || minimumKm_ * passFactor_ < distanceKm ||
                   (distanceKm > reachKm_ && previousKm_ <= reachKm_);
    previousKm_ = distanceKm;
    if (distanceKm < minimumKm_) minimumKm_ = distanceKm;
    return reached;
}

const WaypointRecord* RouteNavigator::target(const CRouteField& routes) const {
    if (current_ < 0) return nullptr;
    return routes.routeWaypoint(route_, static_cast<uint32_t>(current_));
}

std::unique_ptr<RouteNavigator> BeginRouteNavigation(CRouteField& routes, uint32_t& currentRoute,
                                                     UserPrompt& prompt, uint32_t reachMetres,
                                                     std::optional<uint32_t> choice, bool invert) {
    if (!choice) return nullptr;
    const uint32_t r = *choice;
    if (r >= routes.routeCount()) {
        prompt.message("No Available Route", kAppCaption, Icon::Warning);
        return nullptr;
    }
    currentRoute = r;
    const uint32_t count = routes.routeWaypointCount(r);
    if (count == 0) {
        prompt.message("No Route Waypoint", kAppCaption, Icon::Warning);
        return nullptr;
    }
    auto navigator = std::make_unique<RouteNavigator>(reachMetres);
    navigator->setReverse(invert);
    navigator->begin(r, count > static_cast<uint32_t>(std::numeric_limits<int>::max())
                            ? std::numeric_limits<int>::max()
                            : static_cast<int>(count));
    return navigator;
}

}  // namespace korvance
