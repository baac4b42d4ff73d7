#include "data/TrackField.h"

#include <atomic>
#include <new>
#include <stdexcept>

#include "data/CRouteField.h"
#include "data/WaypointList.h"

namespace korvance {

namespace {
uint64_t nextTrackId() {
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

TrackField::TrackField(uint32_t capacity) : id_(nextTrackId()), capacity_(capacity) {}

TrackField::TrackField(const TrackField& other)
    : id_(nextTrackId()), capacity_(other.capacity_), segmentCount_(other.segmentCount_) {
    points_.reserve(capacity_);
    points_ = other.points_;
}

TrackField& TrackField::operator=(const TrackField& other) {
    if (this != &other) {
        id_ = nextTrackId();
        capacity_ = other.capacity_;
        segmentCount_ = other.segmentCount_;
        points_.reserve(capacity_);
        points_ = other.points_;
    }
    return *this;
}

std::unique_ptr<TrackField> TrackField::create(uint32_t capacity) {
    if (capacity > kMaxCapacity) return nullptr;
    try {
        std::unique_ptr<TrackField> t(new TrackField(capacity));
        t->points_.reserve(capacity);
        return t;
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
}

namespace {

struct Box {
    double maxLat = 0, minLat = 0, minLon = 0, maxLon = 0;

    void start(double lat, double lon) {
        maxLat = minLat = lat;
        minLon = maxLon = lon;
    }
    void take(double lat, double lon) {
        if (lat > maxLat)
            maxLat = lat;
        else if (lat < minLat)
            minLat = lat;
        if (lon < minLon)
            minLon = lon;
        else if (lon > maxLon)
            maxLon = lon;
    }
    bool valid() const { return maxLat > minLat && minLon < maxLon; }
};

}  // namespace

std::optional<DataExtent> dataExtent(uint32_t lastN, const TrackField* track, const WaypointList* waypoints,
                                     const CRouteField* routes) {
    Box box;
    bool valid = false;

    if (track && track->pointCount() > 0) {
        uint32_t count = track->pointCount();
        uint32_t first = (lastN > 0 && lastN <= count) ? count - lastN : 0;
        box.start(track->point(first).latitude, track->point(first).longitude);
        for (uint32_t i = first + 1; i < count; ++i) box.take(track->point(i).latitude, track->point(i).longitude);
        valid = box.valid();
    }

    if (!valid && waypoints) {
        const auto& recs = waypoints->records();
        if (recs.empty())
            box.start(0, 0);
        else
            box.start(recs[0].latitude, recs[0].longitude);
        for (size_t i = 1; i < recs.size(); ++i) box.take(recs[i].latitude, recs[i].longitude);
        valid = box.valid();
    }

    if (!valid && routes) {
        for (const auto& r : routes->routes())
            if (!r.waypoints.empty()) box.start(r.waypoints[0].latitude, r.waypoints[0].longitude);
        for (const auto& r : routes->routes())
            for (const auto& w : r.waypoints) box.take(w.latitude, w.longitude);
        valid = box.valid();
    }

    if (!valid) return std::nullopt;

    double dLat = (box.maxLat - box.minLat) * 0.1;
    double dLon = (box.maxLon - box.minLon) * 0.1;
    return DataExtent{box.maxLat + dLat, box.minLat - dLat, box.minLon - dLon, box.maxLon + dLon};
}

}  // namespace korvance
