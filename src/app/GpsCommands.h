#pragma once
// The document's receiver commands ("Download &Track" ... "U&pload Route"):
// the handlers of garmin/GpsCommands run on this document's data. `redraw`
// asks every view to redraw after a download (may be empty).

#include <cstdint>
#include <functional>

#include "app/CKorvanceDoc.h"
#include "garmin/GpsCommands.h"

namespace korvance {

// The document's data as the receiver commands see it; `modified` is the
// caller's flag, copied back with setModified() afterwards.
GpsDocumentAccess gpsAccess(CKorvanceDoc& doc, bool& modified, std::function<void()> redraw = {});

// Runs one of the six handlers (kGpsMenuCommands) on the document.
bool runGpsCommand(CKorvanceDoc& doc, bool (*handler)(GpsDocumentAccess&, UserPrompt&, ProgressSink&),
                   UserPrompt& prompt, ProgressSink& progress, std::function<void()> redraw = {});
// The handler of a command id, or null when the id is not a receiver command.
using GpsHandler = bool (*)(GpsDocumentAccess&, UserPrompt&, ProgressSink&);
GpsHandler gpsHandlerFor(int commandId);

// The route editor's upload of route `routeIndex` under `routeNumber`.
bool runUploadOneRoute(CKorvanceDoc& doc, uint32_t routeIndex, uint8_t routeNumber, UserPrompt& prompt,
                       ProgressSink& progress);

}  // namespace korvance
