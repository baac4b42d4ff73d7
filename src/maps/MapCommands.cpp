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

int OpenMap(MapSet& maps, const std::string& path, MapCommandState& state, UserPrompt& prompt) {
    WaitCursor wait(prompt);
    if (!maps.LoadMapInfo(path, prompt)) return 0;
    maps.LoadWindow(0, prompt);
    state.mapPath = MapPathOf(path);
    state.newData = true;
    return 1;
}

int OnLoadMap(MapSet& maps, FileChooser& chooser, const CodePage& codePage, MapCommandState& state,
              UserPrompt& prompt) {
    const std::vector<FileFilter> filters = {
        {"Map(*.dat)", "*.dat"}, {"Map list(*.lst)", "*.lst"}, {"all files", "*.*"}};
    std::optional<std::string> chosen = chooser.chooseOpen(filters, state.mapPath, "dat");
    if (!chosen) return 0;
    std::string path = *chosen;
    if (DetectMapFile(path) == 2) {
        if (!maps.LoadMapList(path, codePage)) return 0;
        const std::optional<std::string> first = maps.list().path(0);
        if (!first) return 0;
        path = *first;
        maps.list().setCurrent(0);
    }
    return OpenMap(maps, path, state, prompt);
}

void OnDiscardMap(MapSet& maps, MapCommandState& state) {
    maps.DiscardMap();
    state.fitPending = true;
}

int LoadMapKeepCentre(MapSet& maps, const ClientRect& view, const std::string& path, MapCommandState& state,
                      UserPrompt& prompt) {
    WaitCursor wait(prompt);
    double latitude = 0, longitude = 0;
    maps.ViewToGeo((view.left + view.right) / 2, (view.top + view.bottom) / 2, latitude, longitude);
    if (!OpenMap(maps, path, state, prompt)) return 0;
    state.newData = false;
    maps.CentreOn(view, latitude, longitude, -999, prompt);
    return 1;
}

}  // namespace korvance
