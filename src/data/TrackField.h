#pragma once
// The document's track: a block of fixed capacity holding the point count,
// the segment count and the points. The block never grows; a new block
// replaces it. Appending never allocates.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "data/Bytes.h"
#include "data/TrackPoint.h"

namespace korvance {

class TrackField {
public:
    // Largest block accepted (320 MB of points); larger requests are treated
    // as an allocation failure rather than attempted.
    static constexpr uint32_t kMaxCapacity = 10'000'000;

    // A block for `capacity` points, or null when it cannot be allocated.
    static std::unique_ptr<TrackField> create(uint32_t capacity);

    // Unique to this block for the whole run: points are only ever appended, so
    // (id, pointCount) names the track's content.
    uint64_t id() const { return id_; }
    uint32_t capacity() const { return capacity_; }
    uint32_t pointCount() const { return static_cast<uint32_t>(points_.size()); }
    uint32_t segmentCount() const { return segmentCount_; }
    void setSegmentCount(uint32_t n) { segmentCount_ = n; }
    bool full() const { return points_.size() >= capacity_; }

    // Stores the point at the end; false (nothing stored) when full.
    bool append(const TrackPoint& p) {
        if (full()) return false;
        points_.push_back(p);
        return true;
    }
    const TrackPoint& point(uint32_t i) const { return points_[i]; }
    const std::vector<TrackPoint>& points() const { return points_; }

    TrackHeader header() const { return {pointCount(), segmentCount_}; }

private:
    explicit TrackField(uint32_t capacity);
    // A copy is a block of its own, with its own id.
    TrackField(const TrackField& other);
    TrackField& operator=(const TrackField& other);
    uint64_t id_;
    uint32_t capacity_;
    uint32_t segmentCount_ = 0;
    std::vector<TrackPoint> points_;
};

// The bounding box of the data, widened by 10 % on each side.
struct DataExtent {
    double maxLatitude = 0;
    double minLatitude = 0;
    double minLongitude = 0;
    double maxLongitude = 0;
};

class WaypointList;
class CRouteField;

// The box the view fits its map area to: the track (its last `lastN` points
// when 0 < lastN <= count), else the waypoints, else the route waypoints.
// Empty when no source spans a box of non-zero height and width.
std::optional<DataExtent> dataExtent(uint32_t lastN, const TrackField* track, const WaypointList* waypoints,
                                     const CRouteField* routes);

}  // namespace korvance
