#pragma once
// The document's six receiver commands. They work on the document's data
// through GpsDocumentAccess, so the document class only fills it in and
// calls. Every command owns its link from identification to the end and
// drops it (the port back at its saved speed and closed) before returning.
// A download replaces the document's data only once the new data arrived
// complete; a failure changes nothing and says so.

#include <cstdint>
#include <functional>
#include <memory>

#include "data/CRouteField.h"
#include "data/DocumentParts.h"
#include "data/TrackField.h"
#include "data/WaypointList.h"
#include "geodesy/Datum.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/UserPrompt.h"
#include "settings/AppSettings.h"

namespace korvance {

struct GpsDocumentAccess : DocumentParts {
    Clock* clock = nullptr;   // pauses of the link and the time-zone rule; system clock when null
    int byteTimeoutMs = 200;  // the link's wait for one byte
};

inline constexpr const char* kMsgDownloadTrackError = "download track error.";
inline constexpr const char* kMsgDownloadWaypointError = "download waypoint error.";
inline constexpr const char* kMsgNoRouteData = "no route data.";
inline constexpr const char* kMsgUploadTrackError = "upload track error.";
inline constexpr const char* kMsgUploadWaypointError = "upload waypoint error.";
inline constexpr const char* kMsgUploadRouteError = "upload route error.";

// Each returns true when the transfer took place and succeeded.
bool onDownloadTrack(GpsDocumentAccess& doc, UserPrompt& prompt, ProgressSink& progress);
bool onDownloadWaypoint(GpsDocumentAccess& doc, UserPrompt& prompt, ProgressSink& progress);
bool onDownloadRoute(GpsDocumentAccess& doc, UserPrompt& prompt, ProgressSink& progress);
bool onUploadTrack(GpsDocumentAccess& doc, UserPrompt& prompt, ProgressSink& progress);
bool onUploadWaypoint(GpsDocumentAccess& doc, UserPrompt& prompt, ProgressSink& progress);
bool onUploadRoute(GpsDocumentAccess& doc, UserPrompt& prompt, ProgressSink& progress);
// The GPS menu's receiver commands: command id, menu text, handler. A front
// end enables an entry by connecting it to its handler.
struct GpsMenuCommand {
    int id;
    const char* text;
    bool (*run)(GpsDocumentAccess&, UserPrompt&, ProgressSink&);
};
inline constexpr GpsMenuCommand kGpsMenuCommands[] = {
    {32772, "Download &Track", onDownloadTrack},  {32773, "Download &Waypoint", onDownloadWaypoint},
    {32788, "Download &Route", onDownloadRoute},  {32802, "Up&load Track", onUploadTrack},
    {32779, "&Upload Waypoint", onUploadWaypoint}, {32793, "U&pload Route", onUploadRoute},
};

// The route editor's upload of one route under a chosen route number.
bool uploadOneRoute(GpsDocumentAccess& doc, uint32_t routeIndex, uint8_t routeNumber, UserPrompt& prompt,
                    ProgressSink& progress);

}  // namespace korvance
