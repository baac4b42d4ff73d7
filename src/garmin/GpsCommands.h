#pragma once
// The six receiver commands, run by the program's GPS menu and by
// `korvance-cli receiver` alike. They work on the document's parts they are
// given. Every command owns its link from identification to the end and
// drops it (the port back at its saved speed and closed) before returning.
// A download replaces the data only once the new data arrived complete; a
// failure changes nothing and says so.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "data/CRouteField.h"
#include "data/Changes.h"
#include "data/DocumentData.h"
#include "data/TrackField.h"
#include "data/WaypointList.h"
#include "geodesy/Datum.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/UserPrompt.h"
#include "settings/AppSettings.h"

namespace korvance {

// The document's parts the receiver commands read and change.
struct GpsCommandDoc {
    DocumentData& data;
    AppSettings& settings;  // the identification may take the receiver's model
    const Datum& datum;
    Clock& clock;                        // pauses of the link and the time-zone rule
    int byteTimeoutMs = 200;             // the link's wait for one byte
    std::string* linkTrouble = nullptr;  // what the port said when the link could not be identified
};

inline constexpr const char* kMsgDownloadTrackError = "download track error.";
inline constexpr const char* kMsgDownloadWaypointError = "download waypoint error.";
inline constexpr const char* kMsgNoRouteData = "no route data.";
inline constexpr const char* kMsgUploadTrackError = "upload track error.";
inline constexpr const char* kMsgUploadWaypointError = "upload waypoint error.";
inline constexpr const char* kMsgUploadRouteError = "upload route error.";

// Each returns what it changed when the transfer took place and succeeded
// (nothing for an upload), and nothing at all when it was refused or failed.
using GpsResult = std::optional<Changes>;
GpsResult onDownloadTrack(GpsCommandDoc& doc, UserPrompt& prompt, ProgressSink& progress);
GpsResult onDownloadWaypoint(GpsCommandDoc& doc, UserPrompt& prompt, ProgressSink& progress);
GpsResult onDownloadRoute(GpsCommandDoc& doc, UserPrompt& prompt, ProgressSink& progress);
GpsResult onUploadTrack(GpsCommandDoc& doc, UserPrompt& prompt, ProgressSink& progress);
GpsResult onUploadWaypoint(GpsCommandDoc& doc, UserPrompt& prompt, ProgressSink& progress);
// Every route that has waypoints, each under its own index as route number.
GpsResult onUploadRoute(GpsCommandDoc& doc, UserPrompt& prompt, ProgressSink& progress);

// The route editor's upload of one route under a chosen route number.
GpsResult uploadOneRoute(GpsCommandDoc& doc, uint32_t routeIndex, uint8_t routeNumber, UserPrompt& prompt,
                         ProgressSink& progress);

}  // namespace korvance
