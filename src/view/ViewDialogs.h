#pragma once
// The dialogs only the view opens, as plain data in and out: "Select Map" and
// "Calibrate Map". ("Input Waypoint" and the pickers come through DialogHost.)
// The GUI shows them with Qt; tests answer them from a script
// (view/testing/ScriptedViewDialogs).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvance {

// The "Calibrate Map" form. Only the fields of the point being set are editable.
struct CalibrateMapForm {
    int p1x = 0, p1y = 0, p2x = 0, p2y = 0;
    std::string p1Longitude, p1Latitude, p2Longitude, p2Latitude;
    bool settingPoint1 = true;
    // The drop-down's waypoint identifiers and positions, the first one selected.
    struct Choice {
        std::string identifier;
        double latitude = 0, longitude = 0;
    };
    std::vector<Choice> waypoints;
    // Choosing a waypoint writes its position, as degree text, into the editable point.
    void chooseWaypoint(size_t index);
};

class ViewDialogs {
public:
    virtual ~ViewDialogs() = default;
    // "Select Map" over the given entry texts: the chosen index, none on Cancel.
    virtual std::optional<size_t> selectMap(const std::vector<std::string>& entries) = 0;
    // True on "Apply", with the fields as edited.
    virtual bool calibrateMap(CalibrateMapForm& form) = 0;
};

}  // namespace korvance
