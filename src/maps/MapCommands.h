#pragma once
// The document's map commands, "Load &Map..." and "&Discard Map", and the view's
// change of map that keeps the view on the same place. The caller redraws.

#include <string>

#include "maps/MapSet.h"
#include "platform/FileChooser.h"
#include "platform/UserPrompt.h"

namespace korvance {

class CodePage;

// What the commands change outside the map set: the MapPath setting and the
// document's new-data and fit-pending flags.
struct MapCommandState {
    std::string& mapPath;
    bool& newData;
    bool& fitPending;
};

// The folder that holds a map's folder: the path cut at its second-to-last separator
// ("maps/area1/mapinfo.dat" gives "maps"); "" when there are fewer than two.
std::string MapPathOf(const std::string& mapInfoPath);

// Opens a mapinfo.dat under the wait cursor, loads the window around tile 0, stores
// MapPath and sets the new-data flag. Returns 1 when the map was opened.
int OpenMap(MapSet& maps, const std::string& path, MapCommandState& state, UserPrompt& prompt);

// "Load &Map...": a mapinfo.dat or a map list (whose first entry is opened).
int OnLoadMap(MapSet& maps, FileChooser& chooser, const CodePage& codePage, MapCommandState& state,
              UserPrompt& prompt);

// "&Discard Map".
void OnDiscardMap(MapSet& maps, MapCommandState& state);

// Changes to another map and keeps the view centre on the same place.
int LoadMapKeepCentre(MapSet& maps, const ClientRect& view, const std::string& path, MapCommandState& state,
                      UserPrompt& prompt);

}  // namespace korvance
