#include "navigation/PositionSources.h"

#include "garmin/Transfers.h"

namespace korvance {

std::optional<PositionFix> GarminPollSource::fix() {
    double latitude = 0, longitude = 0;
    int64_t unixTime = 0;
    if (!ReadPosition(link_, latitude, longitude, unixTime)) {
        status_ = SourceStatus::Failed;
        return std::nullopt;
    }
    status_ = SourceStatus::Running;
    PositionFix f;
    f.unixTime = unixTime;
    datum_.FromWgs84(latitude, longitude, 0.0, f.latitude, f.longitude, f.height);
    return f;
}

PositionFix FixOf(const NmeaPosition& p) {
    PositionFix f;
    f.latitude = p.latitude;
    f.longitude = p.longitude;
    f.height = p.altitude;
    f.unixTime = p.time;
    f.speedKmh = p.speedKmh;
    f.course = p.course;
    return f;
}

}  // namespace korvance
