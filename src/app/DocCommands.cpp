#include "app/DocCommands.h"

#include "app/CommandIds.h"
#include "maps/MapCommands.h"

namespace korvance {

namespace {

using Context = DocCommands::Context;

struct DocCommand {
    uint16_t id;
    Changes (*run)(Context&);
};

// A receiver command: what it changed, or nothing when it failed.
template <GpsResult (*Command)(GpsCommandDoc&, UserPrompt&, ProgressSink&)>
Changes gps(Context& c) {
    GpsCommandDoc parts = c.doc.gpsParts();
    return Command(parts, c.prompt, c.progress).value_or(Changes{});
}

// A file command.
template <Changes (*Command)(files::FileCommandDoc&, FileChooser&, UserPrompt&)>
Changes file(Context& c) {
    files::FileCommandDoc parts = c.doc.fileParts();
    return Command(parts, c.chooser, c.prompt);
}

constexpr DocCommand kDocCommands[] = {
    {cmd::FileOpen, file<files::onOpen>},
    {cmd::FileSaveAs, file<files::onSaveAs>},
    {cmd::ReadPot, file<files::onReadPot>},
    {cmd::WritePotTrack, file<files::onWritePotTrack>},
    {cmd::WritePotWaypoint, file<files::onWritePotWaypoints>},
    {cmd::WritePotRoute, file<files::onWritePotRoutes>},
    {cmd::ImportWaypointText, file<files::onImportWaypointText>},
    {cmd::ExportWaypointText, file<files::onExportWaypointText>},
    {cmd::ImportGpx, file<files::onImportGpx>},
    {cmd::ExportGpx, file<files::onExportGpx>},
    {cmd::LoadMap,
     [](Context& c) {
         return OnLoadMap(c.doc.maps(), c.chooser, c.doc.codePage(), c.doc.settings().MapPath, c.prompt);
     }},
    {cmd::DiscardMap, [](Context& c) { return OnDiscardMap(c.doc.maps()); }},
    {cmd::DownloadTrack, gps<onDownloadTrack>},
    {cmd::DownloadWaypoint, gps<onDownloadWaypoint>},
    {cmd::DownloadRoute, gps<onDownloadRoute>},
    {cmd::UploadTrack, gps<onUploadTrack>},
    {cmd::UploadWaypoint, gps<onUploadWaypoint>},
    {cmd::UploadRoute, gps<onUploadRoute>},
};

const DocCommand* commandOf(uint16_t id) {
    for (const DocCommand& c : kDocCommands)
        if (c.id == id) return &c;
    return nullptr;
}

}  // namespace

DocCommands::DocCommands(CKorvanceDoc& doc, FileChooser& chooser, UserPrompt& prompt, ProgressSink& progress)
    : doc_(doc), context_{doc, chooser, prompt, progress} {
    doc_.saveAs = [this] { return saveAs(); };
}

DocCommands::~DocCommands() { doc_.saveAs = nullptr; }

bool DocCommands::saveAs() {
    if (!doc_.isOpen()) return false;
    const Changes changes = file<files::onSaveAs>(context_);
    doc_.apply(changes);
    return changes.has(Changes::Saved);
}

bool DocCommands::handles(uint16_t id) const { return commandOf(id) != nullptr; }

void DocCommands::onCommand(uint16_t id) {
    if (!doc_.isOpen()) return;
    if (const DocCommand* c = commandOf(id)) doc_.apply(c->run(context_));
}

}  // namespace korvance
