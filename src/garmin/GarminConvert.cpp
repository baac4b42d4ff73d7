#include "garmin/GarminConvert.h"

#include <algorithm>
#include <cmath>

#include "garmin/GarminLink.h"

namespace korvance {

namespace {

double known(double v) { return KnownAltitude(v) ? v : 0.0; }

}  // namespace

std::vector<TrackPoint> TrackPointsFromSlots(const std::vector<TrackSlot>& slots, const Datum& datum) {
    std::vector<TrackPoint> out;
    out.reserve(slots.size());
    uint16_t segment = 0;
    for (const auto& s : slots) {
        if (s.newSegment && segment < 0xFFFF) ++segment;
        TrackPoint p;
        double h = 0;
        datum.FromWgs84(SemicirclesToDegrees(s.latitude), SemicirclesToDegrees(s.longitude), known(s.altitude),
                        p.latitude, p.longitude, h);
        p.altitude = toFloatField(h);
        p.time = s.time;
        p.segment = segment;
        out.push_back(p);
    }
    return out;
}

uint32_t SegmentCountOf(const std::vector<TrackPoint>& points) {
    uint32_t n = 0;
    for (const auto& p : points) n = std::max<uint32_t>(n, p.segment);
    return n;
}

std::vector<TrackSlot> SlotsFromTrackPoints(const std::vector<TrackPoint>& points, const Datum& datum) {
    std::vector<TrackSlot> out;
    out.reserve(points.size());
    uint16_t previous = 0;
    for (const auto& p : points) {
        double la, lo, h;
        datum.ToWgs84(p.latitude, p.longitude, 0.0, la, lo, h);
        TrackSlot s;
        s.latitude = DegreesToSemicircles(la);
        s.longitude = DegreesToSemicircles(lo);
        s.time = p.time;
        s.altitude = p.altitude;
        s.depth = static_cast<float>(p.depth);
        s.newSegment = p.segment != previous;
        previous = p.segment;
        out.push_back(s);
    }
    return out;
}

WaypointRecord WaypointFromPacket(const WaypointPacket& p, const Datum& datum) {
    WaypointRecord w;
    double h = 0;
    datum.FromWgs84(p.latitude(), p.longitude(), known(p.altitude()), w.latitude, w.longitude, h);
    w.altitude = toFloatField(h);
    w.identifier.set(p.identifier());
    w.comment.set(p.comment());
    w.symbol = p.symbol();
    w.displayOption = p.displayOption();
    w.proximity = toFloatField(known(p.proximity()));
    return w;
}

WaypointRecord RouteWaypointFromPacket(const WaypointPacket& p, const Datum& datum) {
    WaypointRecord w;
    double h = 0;
    datum.FromWgs84(p.latitude(), p.longitude(), 0.0, w.latitude, w.longitude, h);
    w.identifier.set(p.identifier());
    w.comment.set(p.comment());
    w.symbol = p.symbol();
    w.displayOption = p.displayOption();
    w.proximity = toFloatField(p.proximity());
    return w;
}

WaypointPacket PacketFromWaypoint(const WaypointRecord& w, int32_t waypointType, uint8_t packetId, const Datum& datum) {
    double la, lo, h;
    datum.ToWgs84(w.latitude, w.longitude, w.altitude, la, lo, h);
    return WaypointPacket(waypointType, packetId, la, lo, h, w.identifier.view(), w.comment.view(), w.symbol,
                          static_cast<uint8_t>(w.displayOption), w.proximity);
}

RouteSlot RouteSlotFromRoute(const Route& route, uint8_t number, int32_t waypointType, const Datum& datum) {
    RouteSlot r;
    r.number = number;
    r.name = std::string(route.name.view()).substr(0, 20);
    r.name.resize(20, ' ');  // blank-padded to the width of the header's comment
    for (const auto& w : route.waypoints) r.waypoints.push_back(PacketFromWaypoint(w, waypointType, pid::RouteWaypoint, datum));
    return r;
}

}  // namespace korvance
