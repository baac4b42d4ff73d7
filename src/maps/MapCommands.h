#pragma once
// The document's map commands, "Load &Map..." and "&Discard Map", opening a
// map list or a single map for the command line and the demo, and the view's
// change of map that keeps the view on the same place. Each returns what it
// changed; `mapPath` is the MapPath setting.

#include <string>

#include "data/Changes.h"
#include "maps/MapSet.h"
#include "platform/FileChooser.h"
#include "platform/UserPrompt.h"

namespace korvance {

class CodePage;

// The folder that holds a map's folder: the path cut at its second-to-last separator
// ("maps/area1/mapinfo.dat" gives "maps"); "" when there are fewer than two.
std::string MapPathOf(const std::string& mapInfoPath);

// Opens a mapinfo.dat under the wait cursor, loads the window around tile 0 and
// stores MapPath. Changes::MapOpened when the map was opened.
Changes OpenMap(MapSet& maps, const std::string& path, std::string& mapPath, UserPrompt& prompt);

// A map list, whose first entry is opened, or a single mapinfo.dat, by what the file holds.
Changes OpenMapOrList(MapSet& maps, const std::string& path, const CodePage& codePage, std::string& mapPath,
                      UserPrompt& prompt);

// "Load &Map...": asks for a mapinfo.dat or a map list and opens it.
Changes OnLoadMap(MapSet& maps, FileChooser& chooser, const CodePage& codePage, std::string& mapPath,
                  UserPrompt& prompt);

// "&Discard Map".
Changes OnDiscardMap(MapSet& maps);

// Changes to another map and keeps the view centre on the same place.
Changes LoadMapKeepCentre(MapSet& maps, const ClientRect& view, const std::string& path, std::string& mapPath,
                          UserPrompt& prompt);

}  // namespace korvance
