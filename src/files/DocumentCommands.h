#pragma once
// The file commands of the document: Open, Save As, the waypoint text and
// POT commands, and GPX import and export. Each works on the document's parts
// it is given and returns what it changed; the document applies the rest.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/CRouteField.h"
#include "data/Changes.h"
#include "data/DocumentData.h"
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
struct FileCommandDoc {
    DocumentData& data;
    AppSettings& settings;
    const Datum& datum;
    const TransverseMercator& tm;
    std::function<bool()> saveModified;  // the "Confirm" question before Open; true (or unset): go on
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

Changes onOpen(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt);
// Changes::Saved when the document was saved (the save-modified question uses it).
Changes onSaveAs(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt);
Changes onImportWaypointText(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt);
Changes onExportWaypointText(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt);
Changes onReadPot(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt);
Changes onWritePotTrack(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt);
Changes onWritePotWaypoints(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt);
Changes onWritePotRoutes(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt);
Changes onImportGpx(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt);
Changes onExportGpx(FileCommandDoc& doc, FileChooser& chooser, UserPrompt& prompt);

// A track block of exactly the points given (the document's track capacity
// becomes the point count); null when it cannot be allocated.
std::unique_ptr<TrackField> makeTrackField(const TrackData& data);

// The document's data as the writers take it (borrowed).
DocumentSource documentSource(const DocumentData& data);

}  // namespace korvance::files
