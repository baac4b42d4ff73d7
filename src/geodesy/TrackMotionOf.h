#pragma once
// Fills the TrackMotion that TrackSpeedKmh and TrackCourse read from the
// document's track log and the tick counts of its last two appends.

#include <cstdint>

#include "data/TrackField.h"
#include "geodesy/Coordinates.h"

namespace korvance {

inline TrackMotion TrackMotionOf(const TrackField* track, uint32_t previousTick, uint32_t lastTick) {
    TrackMotion m;
    m.previousTick = previousTick;
    m.lastTick = lastTick;
    if (!track || track->pointCount() < 2) {
        m.pointCount = track ? static_cast<int>(track->pointCount()) : 0;
        return m;
    }
    const uint32_t n = track->pointCount();
    m.pointCount = n > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(n);
    m.previous = {track->point(n - 2).latitude, track->point(n - 2).longitude};
    m.last = {track->point(n - 1).latitude, track->point(n - 1).longitude};
    return m;
}

}  // namespace korvance
