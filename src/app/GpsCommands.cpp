#include "app/GpsCommands.h"

namespace korvance {

GpsDocumentAccess gpsAccess(CKorvanceDoc& doc, bool& modified, std::function<void()> redraw) {
    GpsDocumentAccess a;
    TrackLog& log = doc.trackLog();
    a.track = &log.track;
    a.waypoints = &doc.waypoints();
    a.routes = &doc.routes();
    a.timeZoneBias = &log.timeZoneBias;
    a.trackLogging = log.logging;
    modified = doc.isModified();
    a.modified = &modified;
    a.newData = &doc.newData;
    a.fitPending = &doc.fitPending;
    a.settings = &doc.settings();
    a.datum = &doc.datum();
    a.codePage = &doc.codePage();
    a.clock = &doc.clock();
    MapSet* maps = &doc.maps();
    a.mapLoaded = [maps] { return maps->hasMap(); };
    a.resetScrollOrigin = [maps] { maps->ResetScrollOrigin(); };
    a.redrawAll = std::move(redraw);
    return a;
}

bool runGpsCommand(CKorvanceDoc& doc, GpsHandler handler, UserPrompt& prompt, ProgressSink& progress,
                   std::function<void()> redraw) {
    if (!handler || !doc.isOpen()) return false;
    bool modified = false;
    GpsDocumentAccess a = gpsAccess(doc, modified, std::move(redraw));
    const bool ok = handler(a, prompt, progress);
    doc.setModified(modified);
    return ok;
}

GpsHandler gpsHandlerFor(int commandId) {
    for (const auto& c : kGpsMenuCommands)
        if (c.id == commandId) return c.run;
    return nullptr;
}

bool runUploadOneRoute(CKorvanceDoc& doc, uint32_t routeIndex, uint8_t routeNumber, UserPrompt& prompt,
                       ProgressSink& progress) {
    if (!doc.isOpen()) return false;
    bool modified = false;
    GpsDocumentAccess a = gpsAccess(doc, modified);
    return uploadOneRoute(a, routeIndex, routeNumber, prompt, progress);
}

}  // namespace korvance
