#pragma once
// Between the transfer forms (semicircles, WGS 84, receiver formats) and the
// document's records (degrees in the display datum).

#include <cstdint>
#include <vector>

#include "data/RouteRecord.h"
#include "data/TrackPoint.h"
#include "data/WaypointRecord.h"
#include "garmin/GarminRecords.h"
#include "geodesy/Datum.h"

namespace korvance {

// Received points in the display datum: the segment number is the running
// count of new-segment flags up to and including the point.
std::vector<TrackPoint> TrackPointsFromSlots(const std::vector<TrackSlot>& slots, const Datum& datum);
// Segment count of such points (the highest segment number).
uint32_t SegmentCountOf(const std::vector<TrackPoint>& points);
// Points to upload: a point starts a segment when its number differs from the
// point before (0 before the first).
std::vector<TrackSlot> SlotsFromTrackPoints(const std::vector<TrackPoint>& points, const Datum& datum);

// A received waypoint in the display datum (shifted with its altitude).
WaypointRecord WaypointFromPacket(const WaypointPacket& p, const Datum& datum);
// A received route waypoint: shifted at altitude 0, no altitude kept.
WaypointRecord RouteWaypointFromPacket(const WaypointPacket& p, const Datum& datum);
// A record to send, in the given waypoint type and packet id.
WaypointPacket PacketFromWaypoint(const WaypointRecord& w, int32_t waypointType, uint8_t packetId, const Datum& datum);
// One route to send under route number `number`.
RouteSlot RouteSlotFromRoute(const Route& route, uint8_t number, int32_t waypointType, const Datum& datum);

}  // namespace korvance
