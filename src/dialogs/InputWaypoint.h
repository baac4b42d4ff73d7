#pragma once
// The "Input Waypoint" form: one waypoint as the texts of its fields. The
// caller sets the labels (latitude/longitude, or easting/northing and zone)
// and fills the fields; the zone field takes input only under the label
// "Zone". Used by the table editors and by waypoint entry on the map.

#include <cstddef>
#include <string>

#include "platform/UserPrompt.h"

namespace korvance {

inline constexpr const char* kInputWaypointTitle = "Input Waypoint";
inline constexpr const char* kLatitudeLabel = "Latitude";
inline constexpr const char* kLongitudeLabel = "Longitude";
inline constexpr const char* kEastingLabel = "Easting";
inline constexpr const char* kNorthingLabel = "Northing";
inline constexpr const char* kZoneLabel = "Zone";

struct WaypointForm {
    // Field limits in characters; the symbol and the zone have none.
    static constexpr size_t kIdentifierChars = 10;
    static constexpr size_t kCoordinateChars = 14;
    static constexpr size_t kCommentChars = 40;
    static constexpr size_t kNoLimit = 0;

    std::string identifier;
    std::string first;   // latitude or easting
    std::string second;  // longitude or northing
    std::string comment;
    std::string symbol;
    std::string zone;
    std::string firstLabel = kLatitudeLabel;
    std::string secondLabel = kLongitudeLabel;
    std::string zoneLabel;  // "" in geographic form

    bool zoneEnabled() const { return zoneLabel == kZoneLabel; }
    // Checks the field limits as OK does; a field over its limit is named in
    // a message and false is returned (the form stays open).
    bool validate(UserPrompt& prompt) const;

    // Empty forms with the labels of the two coordinate kinds.
    static WaypointForm geographic();
    static WaypointForm utm();
};

}  // namespace korvance
