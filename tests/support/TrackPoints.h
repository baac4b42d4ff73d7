#pragma once
// Track points along a straight line, for tests that need a track of some
// length: `count` points a step of (dLat, dLon) and `dt` seconds apart from
// (latitude, longitude) and `time`, the height rising by a metre a point from
// `altitude`; from point `secondSegment` on they are in segment 2.

#include <cstdint>
#include <vector>

#include "data/TrackPoint.h"

namespace korvance::testing {

inline std::vector<TrackPoint> pointsAlong(size_t count, double latitude, double longitude, double dLat, double dLon,
                                           uint32_t time = 0, uint32_t dt = 0, float altitude = 0,
                                           size_t secondSegment = SIZE_MAX) {
    std::vector<TrackPoint> points(count);
    for (size_t i = 0; i < count; ++i) {
        points[i].latitude = latitude + double(i) * dLat;
        points[i].longitude = longitude + double(i) * dLon;
        points[i].altitude = altitude + float(i);
        points[i].time = time + dt * uint32_t(i);
        points[i].segment = i < secondSegment ? 1 : 2;
    }
    return points;
}

}  // namespace korvance::testing
