#include "maps/MapCommands.h"

#include "platform/CodePage.h"

namespace korvance {

std::string MapPathOf(const std::string& path) {
    const size_t last = path.find_last_of("/\\");
    if (last == std::string::npos || last == 0) return std::string();
    const size_t second = path.find_last_of("/\\", last - 1);
    if (second == std::string::npos) return std::string();
    return path.substr(0, second);
}

Changes OpenMap(MapSet& maps, const std::string& path, std::string& mapPath, UserPrompt& prompt) {
    WaitCursor wait(prompt);
    if (!maps.LoadMapInfo(path, prompt)) return {};
    maps.LoadWindow(0, prompt);
    maps.ResetScrollOrigin();
    mapPath = MapPathOf(path);
    return Changes::MapOpened;
}

Changes OpenMapOrList(MapSet& maps, const std::string& path, const CodePage& codePage, std::string& mapPath,
                      UserPrompt& prompt) {
    if (DetectMapFile(path) != MapFileKind::List) return OpenMap(maps, path, mapPath, prompt);
    if (!maps.LoadMapList(path, codePage)) return {};
    const std::optional<std::string> first = maps.list().path(0);
    if (!first) return {};
    maps.list().setCurrent(0);
    return OpenMap(maps, *first, mapPath, prompt);
}

Changes OnLoadMap(MapSet& maps, FileChooser& chooser, const CodePage& codePage, std::string& mapPath,
                  UserPrompt& prompt) {
    const std::vector<FileFilter> filters = {
        {"Map(*.dat)", "*.dat"}, {"Map list(*.lst)", "*.lst"}, {"all files", "*.*"}};
    std::optional<std::string> chosen = chooser.chooseOpen(filters, mapPath, "dat", "Load Map");
    if (!chosen) return {};
    return OpenMapOrList(maps, *chosen, codePage, mapPath, prompt);
}

Changes OnDiscardMap(MapSet& maps) {
    maps.DiscardMap();
    return Changes::MapDiscarded;
}

Changes LoadMapKeepCentre(MapSet& maps, const ClientRect& view, const std::string& path, std::string& mapPath,
                          UserPrompt& prompt) {
    WaitCursor wait(prompt);
    double latitude = 0, longitude = 0;
    maps.ViewToGeo((view.left + view.right) / 2, (view.top + view.bottom) / 2, latitude, longitude);
    if (!OpenMap(maps, path, mapPath, prompt).any()) return {};
    maps.CentreOn(view, latitude, longitude, -999, prompt);
    // The view stays where it was: no centring on the track.
    return Changes::Redraw;
}

}  // namespace korvance
