#pragma once
// One line of a POT file: slash-separated key=value fields, parsed into a
// position with an optional label, group number and time.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "data/TrackPoint.h"

namespace korvance::files {

inline constexpr int32_t kPotNoGroup = -9999;

enum class PotKind { Ignored = 0, TrackPoint = 1, Waypoint = 2, RouteWaypoint = 3 };

struct PotRecord {
    double latitude = 0;
    double longitude = 0;
    double altitude = 0;
    int64_t time = 0;  // seconds since 1970-01-01 00:00:00 UTC (wide: years past 2038 stay right)
    double angle = 0;  // the DEG field: kept, not used
    std::optional<std::string> label;
    int32_t group = kPotNoGroup;
    PotKind kind = PotKind::Ignored;
};

PotRecord parsePotLine(std::string_view line);

// Degree text "ddd'mm'ss't" (degrees, minutes, seconds, tenths).
double parsePotDegrees(std::string_view text);
std::string formatPotDegrees(double value);

// "15-MAY-09" and "12:34:56" of a time in seconds since 1970 (UTC).
std::string formatPotDate(int64_t unixTime);
std::string formatPotTime(int64_t unixTime);

// Label of waypoints and route waypoints: identifier ":" comment.
struct PotLabel {
    std::string identifier;
    std::string comment;
};
PotLabel splitPotLabel(std::string_view label);

}  // namespace korvance::files
