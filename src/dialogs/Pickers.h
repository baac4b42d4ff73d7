#pragma once
// The three choosers: the waypoint picker, "Select Route by Name" and
// "Select Route No.". A choice ends the first two at once, so one tap (or
// the arrow keys and Enter) is enough; the number chooser ends on OK with a
// number 0..99.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/CRouteField.h"
#include "data/WaypointList.h"
#include "platform/UserPrompt.h"

namespace korvance {

inline constexpr const char* kSelectRouteByNameTitle = "Select Route by Name";
inline constexpr const char* kInvertLabel = "Invert";
inline constexpr const char* kSelectRouteNoTitle = "Select Route No.";
inline constexpr const char* kRouteNoLabel = "Route No.";
inline constexpr int32_t kRouteNumberMin = 0;
inline constexpr int32_t kRouteNumberMax = 99;

// The picker's entries: every identifier of the list in list order, at most 16 characters.
std::vector<std::string> waypointPickerEntries(const WaypointList& list);
// The route chooser's entries: every route name in route order.
std::vector<std::string> routeNameEntries(const CRouteField& routes);
// The number chooser's text read back on OK: the number, or nothing after
// the range message (the chooser stays open).
std::optional<int32_t> readRouteNumber(std::string_view text, UserPrompt& prompt);

}  // namespace korvance
