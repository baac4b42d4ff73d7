#pragma once
// The waypoint text file: a "DATUM=" line naming the display datum, then one
// comma-separated line per waypoint, with the position as degree text or as
// a UTM reference.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/WaypointList.h"
#include "data/WaypointRecord.h"
#include "geodesy/Datum.h"
#include "geodesy/TransverseMercator.h"
#include "platform/CodePage.h"
#include "platform/UserPrompt.h"

namespace korvance::files {

std::string waypointTextDatumLine(const Datum& datum);
// One waypoint line (without its line end), at most 255 bytes.
std::string waypointTextLine(const WaypointRecord& w, bool utm, const TransverseMercator& tm);

// Writes every waypoint through a temporary file. False after the error
// report when the file cannot be created or a write fails.
bool exportWaypointText(const std::string& path, const Datum& datum, const TransverseMercator& tm,
                        std::span<const WaypointRecord> waypoints, bool utm, UserPrompt& prompt,
                        const CodePage* cp = nullptr);

enum class WaypointTextLine { Skip, End, Waypoint, NoPosition };
// One line of the file: skipped (short, empty identifier, the datum line),
// the end of the import (no first field), a waypoint into `out`, or a line
// with a name but no readable position (a field missing, text that is no
// number, no place on Earth), which is skipped and counted: such lines are
// what a file of another kind imported by mistake is made of.

WaypointTextLine parseWaypointTextLine(std::string_view line, bool utm, const TransverseMercator& tm,
                                       const CodePage* cp, WaypointRecord& out);

// Adds the waypoints of the file to `list` (positions taken as they are, in
// the display datum). False when the file cannot be opened. Lines skipped
// for want of a position are counted in a warning naming the file.
bool importWaypointText(const std::string& path, WaypointList& list, bool utm, const TransverseMercator& tm,
                        UserPrompt& prompt, const CodePage* cp = nullptr);

// Every waypoint of the file as a record, duplicates included (for
// conversion); skipped lines are reported as by the import.
bool readWaypointText(const std::string& path, std::vector<WaypointRecord>& out, bool utm,
                      const TransverseMercator& tm, UserPrompt& prompt, const CodePage* cp = nullptr);

}  // namespace korvance::files
