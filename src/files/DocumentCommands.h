#pragma once
// The file commands of the document: Open, Save As, the waypoint text and
// POT commands, and GPX import and export. They work on the document's data
// through DocumentAccess, so the document class only fills it in and calls.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/CRouteField.h"
#include "data/DocumentParts.h"
#include "data/TrackField.h"
#include "data/WaypointList.h"
#include "files/DocumentFile.h"
#include "geodesy/Datum.h"
#include "geodesy/TransverseMercator.h"
#include "platform/CodePage.h"
#include "platform/FileChooser.h"
#include "platform/UserPrompt.h"
#include "settings/AppSettings.h"

namespace korvance::files {

// The document's parts the file commands read and change.
struct DocumentAccess : DocumentParts {
    const TransverseMercator* tm = nullptr;
    std::function<bool()> saveModified;  // the "Confirm" question; true: go on
};

// Filters of the file dialogs.
std::vector<FileFilter> openDocumentFilters();
std::vector<FileFilter> saveDocumentFilters();
std::vector<FileFilter> textFilters();
std::vector<FileFilter> potFilters();
std::vector<FileFilter> gpxFilters();

// The folder part of a chosen path as DataPath keeps it: cut at the last
// separator ('\\' or '/') that is not the first character; the whole path
// when there is none.
std::string folderOfPath(const std::string& path);

void onOpen(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt);
// True when the document was saved (the save-modified question uses it).
bool onSaveAs(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt);
void onImportWaypointText(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt);
void onExportWaypointText(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt);
void onReadPot(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt);
void onWritePotTrack(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt);
void onWritePotWaypoints(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt);
void onWritePotRoutes(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt);
void onImportGpx(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt);
void onExportGpx(DocumentAccess& doc, FileChooser& chooser, UserPrompt& prompt);

// A track block of exactly the points given (the document's track capacity
// becomes the point count); null when it cannot be allocated.
std::unique_ptr<TrackField> makeTrackField(const TrackData& data);

// The document's data as the writers take it (borrowed).
DocumentSource documentSource(const DocumentAccess& doc);

}  // namespace korvance::files
