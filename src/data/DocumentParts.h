#pragma once
// The parts of the document that the file and receiver commands read and
// change, as the document hands them over. An absent list (null) is what
// "no data" means to them.

#include <cstdint>
#include <functional>
#include <memory>

namespace korvance {

class TrackField;
class WaypointList;
class CRouteField;
class Datum;
class CodePage;
struct AppSettings;

struct DocumentParts {
    std::unique_ptr<TrackField>* track = nullptr;
    WaypointList* waypoints = nullptr;
    CRouteField* routes = nullptr;
    int32_t* timeZoneBias = nullptr;
    bool trackLogging = false;
    bool* modified = nullptr;
    bool* newData = nullptr;
    bool* fitPending = nullptr;
    AppSettings* settings = nullptr;
    const Datum* datum = nullptr;
    const CodePage* codePage = nullptr;
    std::function<bool()> mapLoaded;          // a map is loaded in the map set
    std::function<void()> resetScrollOrigin;  // the map set's scroll origin to (0, 0)
    std::function<void()> redrawAll;          // ask every view to redraw
};

}  // namespace korvance
