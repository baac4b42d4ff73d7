#include "app/DocCommands.h"

#include "app/CommandIds.h"
#include "app/GpsCommands.h"
#include "maps/MapCommands.h"

namespace korvance {

namespace {

using FileHandler = void (*)(files::DocumentAccess&, FileChooser&, UserPrompt&);

struct FileCommand {
    uint16_t id;
    FileHandler run;
};

constexpr FileCommand kFileCommands[] = {
    {cmd::FileOpen, files::onOpen},
    {cmd::ReadPot, files::onReadPot},
    {cmd::WritePotTrack, files::onWritePotTrack},
    {cmd::WritePotWaypoint, files::onWritePotWaypoints},
    {cmd::WritePotRoute, files::onWritePotRoutes},
    {cmd::ImportWaypointText, files::onImportWaypointText},
    {cmd::ExportWaypointText, files::onExportWaypointText},
    {cmd::ImportGpx, files::onImportGpx},
    {cmd::ExportGpx, files::onExportGpx},
};

FileHandler fileHandlerFor(uint16_t id) {
    for (const FileCommand& c : kFileCommands)
        if (c.id == id) return c.run;
    return nullptr;
}

}  // namespace

DocCommands::DocCommands(CKorvanceDoc& doc, FileChooser& chooser, UserPrompt& prompt, ProgressSink& progress,
                         std::function<void()> redrawAll)
    : doc_(doc), chooser_(chooser), prompt_(prompt), progress_(progress), redrawAll_(std::move(redrawAll)) {
    doc_.saveAs = [this] { return saveAs(); };
}

DocCommands::~DocCommands() { doc_.saveAs = nullptr; }

files::DocumentAccess DocCommands::fileAccess() {
    files::DocumentAccess a;
    doc_.fillParts(a);
    a.tm = &doc_.transverseMercator();
    a.redrawAll = redrawAll_;
    a.saveModified = [this] { return doc_.saveModified(); };
    return a;
}

bool DocCommands::saveAs() {
    if (!doc_.isOpen()) return false;
    files::DocumentAccess a = fileAccess();
    return files::onSaveAs(a, chooser_, prompt_);
}

bool DocCommands::handles(uint16_t id) const {
    return id == cmd::FileSaveAs || id == cmd::LoadMap || id == cmd::DiscardMap || fileHandlerFor(id) ||
           gpsHandlerFor(id);
}

void DocCommands::onCommand(uint16_t id) {
    if (!doc_.isOpen()) return;
    if (id == cmd::FileSaveAs) {
        saveAs();
        return;
    }
    if (id == cmd::LoadMap || id == cmd::DiscardMap) {
        MapCommandState state{doc_.settings().MapPath, doc_.newData, doc_.fitPending};
        if (id == cmd::LoadMap)
            OnLoadMap(doc_.maps(), chooser_, doc_.codePage(), state, prompt_);
        else
            OnDiscardMap(doc_.maps(), state);
        if (redrawAll_) redrawAll_();
        return;
    }
    if (FileHandler run = fileHandlerFor(id)) {
        files::DocumentAccess a = fileAccess();
        run(a, chooser_, prompt_);
        return;
    }
    if (GpsHandler run = gpsHandlerFor(id)) runGpsCommand(doc_, run, prompt_, progress_, redrawAll_);
}

}  // namespace korvance
