#include "data/TrackLog.h"

#include "data/TextUtil.h"
#include "data/WaypointRecord.h"

namespace korvance {

bool TrackLog::start(uint32_t capacity, UserPrompt& prompt, Clock& clock) {
    if (track) {
        if (prompt.ask("Clear current track log?", kAppCaption, Buttons::YesNo, Icon::None) == Answer::Yes)
            track.reset();
    }
    if (!track) {
        track = TrackField::create(capacity);
        if (!track) {
            prompt.message("not enough memory", kAppCaption, Icon::Stop);
            return false;
        }
        track->setSegmentCount(1);
        timeZoneBias = clock.timeZoneBiasSeconds();
    }
    pointCountAtStart = track->pointCount();
    logging = true;
    return true;
}

bool TrackLog::stop() {
    logging = false;
    return track && track->pointCount() > pointCountAtStart;
}

int TrackLog::append(double latitude, double longitude, double altitude, uint32_t time, Clock& clock) {
    if (!track || track->full()) return 0;
    TrackPoint p;
    p.latitude = latitude;
    p.longitude = longitude;
    p.time = time;
    p.altitude = toFloatField(altitude);
    p.segment = 1;
    p.depth = 0;
    track->append(p);
    previousPointTick = lastPointTick;
    lastPointTick = clock.tickMs();
    return 1;
}

}  // namespace korvance
