#pragma once
// Making a map set from what a user has: a georeferenced raster that GDAL reads
// (GeoTIFF, BSB/KAP chart, image with a world file, VRT) is warped into
// latitude/longitude of the display datum; a plain image is taken as it is and
// placed by two calibration points. Either way it is cut into tiles with a
// mapinfo.dat beside them, written into a temporary folder that is renamed
// into place only when everything was written.

#include <functional>
#include <string>
#include <vector>

#include "maps/MapSet.h"

namespace korvance {

struct MapMakeRequest {
    std::string source;
    std::string folder;            // the map folder to make (replaced when it holds a map)
    int tileSize = 256;
    std::string format = "png";    // "png" or "bmp"
    std::string datum = "WGS 84";  // a row name of the datum table
    // None, or two points (map pixel and position) that place a plain image;
    // given for a georeferenced source they take the place of its georeference.
    std::vector<CalibrationPoint> points;
    // Memory the warper may use for one piece of work, in bytes.
    double warpMemory = 8.0 * 1024 * 1024;
};

struct MapMakeResult {
    MapInfo info;           // as written to mapinfo.dat
    int imageWidth = 0;     // the picture before padding to whole tiles
    int imageHeight = 0;
    bool warped = false;    // false when the source's pixels were taken as they are
};

// Called after each row of tiles with the rows done and the rows in all.
using MapMakeProgress = std::function<void(int done, int total)>;

// Makes the map. Returns "" on success, else a message that names the file and
// the reason; nothing is then left in or beside the folder.
std::string MakeMap(const MapMakeRequest& request, MapMakeResult& result, const MapMakeProgress& progress = {});

// Adds the map whose description is `mapInfoPath` to the map list `listPath`
// with `priority`, creating the list when it does not exist, replacing the
// entry when the list names that map already. The list is rewritten through a
// temporary file. `entry` receives the line's relative path. Returns "" or the
// message.
std::string AddToMapList(const std::string& listPath, const std::string& mapInfoPath, int priority,
                         const std::string& codePage, std::string& entry);

}  // namespace korvance
