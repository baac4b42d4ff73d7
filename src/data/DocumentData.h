#pragma once
// The data the document owns: the code page of its records, the waypoint
// list, the route field and the track log, built in the document's order
// from the list limits of the settings.

#include <cstdint>
#include <string>

#include "data/CRouteField.h"
#include "data/TrackLog.h"
#include "data/WaypointList.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"

namespace korvance {

struct DocumentData {
    // The lists keep a pointer to `codePage`: the object is neither copied nor moved.
    DocumentData(uint32_t maxWaypointCount, uint32_t maxRouteCount, uint32_t maxRouteWaypointCount,
                 const std::string& codePageName, Clock& clock)
        : codePage(codePageName),
          waypoints(maxWaypointCount, &codePage),
          routes(1, maxRouteCount, maxRouteWaypointCount, &codePage) {
        routes.setRouteName(0, "ROUTE-00");
        trackLog.timeZoneBias = clock.timeZoneBiasSeconds();
    }
    DocumentData(const DocumentData&) = delete;
    DocumentData& operator=(const DocumentData&) = delete;

    CodePage codePage;
    WaypointList waypoints;
    CRouteField routes;
    TrackLog trackLog;  // no track at first; holds the time-zone bias and the point ticks
    std::string path;   // the document file opened or saved last, for the window title; "" when none
};

}  // namespace korvance
