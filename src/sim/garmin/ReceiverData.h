#pragma once
// A receiver's data in the program's own records: waypoints, routes (route
// number = index) and the track log. The simulator serves one, the CLI writes
// one after a download. Its text form ("receiver data") is one record a line:
//
//   KORVANCE RECEIVER DATA 1
//   DATUM=<datum name>
//   W <ident> <lat> <lon> <alt> <symbol> <display> <proximity> <comment>
//   R <route name>
//   P <ident> <lat> <lon> <alt> <symbol> <display> <proximity> <comment>   (waypoint of the last R)
//   T <time> <lat> <lon> <alt> <segment> <depth>
//
// Fields are separated by one TAB; times count seconds from the receiver
// epoch; positions are degrees in the datum named by the DATUM line.

#include <string>
#include <vector>

#include "data/RouteRecord.h"
#include "data/TrackPoint.h"
#include "data/WaypointRecord.h"

namespace korvance {

struct ReceiverData {
    std::string datum = "WGS 84";
    std::vector<WaypointRecord> waypoints;
    std::vector<Route> routes;
    std::vector<TrackPoint> track;
};

// Writes through a temporary file in the same folder and a rename.
bool WriteReceiverData(const std::string& path, const ReceiverData& data, std::string& error);
// Reads a whole file; on any fault `data` is left unchanged and `error` names
// the file, the line and the problem.
bool ReadReceiverData(const std::string& path, ReceiverData& data, std::string& error);
// Every position of `data` shifted into the datum `to`.
void ShiftReceiverData(ReceiverData& data, const std::string& to);

}  // namespace korvance
