#pragma once
// Coordinate text and the arithmetic of live positions: a latitude or longitude
// value with its degrees-minutes-seconds text, fixed-decimal number text, the
// speed and course of the track log, the initial great-circle bearing, and the
// three unit systems of the display.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/TextUtil.h"
#include "geodesy/Datum.h"

namespace korvance {

// One latitude or longitude in decimal degrees, north and east positive.
class DegreeValue {
public:
    DegreeValue() = default;
    // Cut to a millionth of a degree after a nudge of 0.27 millionths away from zero,
    // so that 35.1 (held as 35.09999...) keeps 35.1.
    explicit DegreeValue(double degrees);
    // Parsed from text (UTF-8): "35^30'15.48\"", "N35.25", "12 34", "35°30'15\"" ...
    // Skips everything before the first digit, "." or "-"; a "-" there makes it
    // negative; then degrees, minutes and seconds, one separator character between
    // them. Text without a number gives 0. Letters never change the sign.
    static DegreeValue FromText(std::string_view text);

    double Degrees() const { return value_; }

    // Degrees, minutes and seconds: 35^30'15.48" (the caret stands for the degree sign).
    // Seconds that round to 60.00 carry into the next minute. When the text would not
    // fit in capacity - 1 characters (or the value is not a finite angle) the buffer gets
    // an empty string; returns the length written.
    size_t FormatDms(char* buffer, size_t capacity) const;
    std::string FormatDms() const;

private:
    double value_ = 0.0;
};

// What the speed and course of the live track need of the document: the number of
// points in the track log, the last two points and the tick counts (ms) at which they
// were appended.
struct TrackMotion {
    int pointCount = 0;
    GeoPosition previous;
    GeoPosition last;
    uint32_t previousTick = 0;
    uint32_t lastTick = 0;
};

// Remembers the last bearing computed (0 at start); owned by the document and shared by
// every caller of Bearing, so that standing still holds the course steady.
struct BearingMemory {
    double last = 0.0;
};

// Speed over the last two points of the track log, km/h (0 with fewer than two points
// or when they were appended at most 100 ms apart; the tick counter may wrap).
double TrackSpeedKmh(const TrackMotion& track, const Datum& datum);

// Initial great-circle bearing from 1 to 2, degrees clockwise from north (0..360).
// Below 2 km/h of track speed it returns the remembered bearing unchanged.
double Bearing(BearingMemory& memory, double trackSpeedKmh, double latitude1, double longitude1,
               double latitude2, double longitude2);
inline double Bearing(BearingMemory& memory, const TrackMotion& track, const Datum& datum, double latitude1,
                      double longitude1, double latitude2, double longitude2) {
    return Bearing(memory, TrackSpeedKmh(track, datum), latitude1, longitude1, latitude2, longitude2);
}

// Course over the last two points of the track log (0 with fewer than two points).
double TrackCourse(BearingMemory& memory, const TrackMotion& track, const Datum& datum);

// The display unit systems, by the Unit setting: 0 metric, 1 statute, 2 nautical;
// any other value shows as metric.
struct UnitSystem {
    const char* name;            // "Metric", "Statute", "Nautical"
    double distanceFactor;       // from kilometres
    double speedFactor;          // from km/h
    const char* distanceLabel;   // scale label: "km", "mile", "nm"
    const char* distanceField;   // "Distance[km]" ...
    const char* speedField;      // "Speed [km/h]" ...
};
const UnitSystem& UnitFor(uint32_t unit);
inline constexpr int kUnitSystemCount = 3;
inline constexpr const char* kTrackFieldLabel = "Track [deg]";

}  // namespace korvance
