#pragma once
// The six transfers and the position request on an identified link. Each
// transfer raises the line speed first and restores it at the end, whatever
// the outcome. Downloads hand back complete results or nothing.

#include <cstdint>
#include <vector>

#include "garmin/GarminLink.h"
#include "garmin/GarminRecords.h"

namespace korvance {

class ProgressSink;

// Number of track points, or -1.
int DownloadTrack(GarminLink& link, std::vector<TrackSlot>& out, ProgressSink& progress);
bool UploadTrack(GarminLink& link, const std::vector<TrackSlot>& slots, ProgressSink& progress);
// Number of waypoints, or -1.
int DownloadWaypoints(GarminLink& link, std::vector<WaypointPacket>& out, ProgressSink& progress);
bool UploadWaypoints(GarminLink& link, const std::vector<WaypointPacket>& packets, ProgressSink& progress);
// Number of routes (0 when the receiver has none), or -1.
int DownloadRoutes(GarminLink& link, std::vector<RouteSlot>& out, ProgressSink& progress);
// One exchange (records to transfer complete) carrying the given routes.
bool UploadRoutes(GarminLink& link, const std::vector<RouteSlot>& routes, ProgressSink& progress);
// Position (WGS 84 degrees) and the receiver's clock as seconds since 1970.
bool ReadPosition(GarminLink& link, double& latitude, double& longitude, int64_t& unixTime);

// Packets an upload announces in its records packet: everything sent between
// the records packet and transfer complete.
int TrackUploadPacketCount(const GarminLink& link, size_t points);
int RouteUploadPacketCount(const GarminLink& link, const std::vector<RouteSlot>& routes);

}  // namespace korvance
