#include "app/GpsCommands.h"

namespace korvance {

GpsDocumentAccess gpsAccess(CKorvanceDoc& doc, bool& modified, std::function<void()> redraw) {
    GpsDocumentAccess a;
    doc.fillParts(a);
    // The receiver commands set a copy of the flag, which the caller puts back.
    modified = doc.isModified();
    a.modified = &modified;
    a.clock = &doc.clock();
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
