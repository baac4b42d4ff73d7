#pragma once
// The position sources of a navigation run.

#include <optional>

#include "garmin/GarminLink.h"
#include "geodesy/Datum.h"
#include "navigation/PositionSource.h"
#include "nmea/NmeaReceiver.h"

namespace korvance {

// Garmin polling: every fix() asks the receiver for its position (WGS 84)
// and brings it into the display datum at height 0.
class GarminPollSource : public PositionSource {
public:
    GarminPollSource(GarminLink& link, const Datum& datum) : link_(link), datum_(datum) {}
    SourceStatus status() const override { return status_; }
    std::optional<PositionFix> fix() override;

private:
    GarminLink& link_;
    const Datum& datum_;
    SourceStatus status_ = SourceStatus::Running;
};

// A position as the navigation tick takes it from the NMEA receiver, with its
// speed and course.
PositionFix FixOf(const NmeaPosition& position);

// A position handed to the view: what the external monitor committed last,
// or the NMEA position the user-interface thread took from the reader.
class DeliveredPositionSource : public PositionSource {
public:
    void commit(const PositionFix& fix) { last_ = fix; }
    SourceStatus status() const override { return SourceStatus::Running; }
    std::optional<PositionFix> fix() override { return last_; }

private:
    std::optional<PositionFix> last_;
};

}  // namespace korvance
