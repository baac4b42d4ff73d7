#pragma once
// Where the navigation tick gets its position: the Garmin link polled on the
// timer, the NMEA receiver thread, or the external monitor. The tick asks the
// source for one fix and does not care which one runs.

#include <cstdint>
#include <optional>
#include <string>

namespace korvance {

struct PositionFix {
    double latitude = 0;   // degrees, display datum
    double longitude = 0;
    double height = 0;     // metres
    int64_t unixTime = 0;  // seconds since 1970-01-01 00:00 UTC
    std::optional<double> speedKmh;  // when the source measures it
    std::optional<double> course;    // degrees from north, when the source measures it
};

enum class SourceStatus {
    Running,  // fixes arrive
    Lost,     // the receiver went away; the source is trying to get it back
    Failed,   // the last read failed (Garmin polling asks whether to go on)
    Stopped,
};

class PositionSource {
public:
    virtual ~PositionSource() = default;
    virtual SourceStatus status() const = 0;
    // The fix of this tick: polls the receiver, or takes the latest values the
    // receiver thread or monitor delivered. Nullopt when none could be read.
    virtual std::optional<PositionFix> fix() = 0;
    // Why the source is Lost or Failed, for the status bar ("" otherwise).
    virtual std::string problem() const { return {}; }
};

}  // namespace korvance
