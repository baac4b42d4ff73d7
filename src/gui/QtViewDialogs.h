#pragma once
// The view's dialogs with Qt widgets: "Input Waypoint", the waypoint picker,
// "Select Route No.", "Select Map" and "Calibrate Map". The pickers end as soon
// as an entry is tapped, so one tap is enough.

#include <QWidget>

#include "view/ViewDialogs.h"

namespace korvance {

class QtViewDialogs : public ViewDialogs {
public:
    explicit QtViewDialogs(QWidget* parent) : parent_(parent) {}
    bool inputWaypoint(InputWaypointForm& form) override;
    std::optional<uint32_t> pickWaypoint(const WaypointList& list) override;
    std::optional<int> chooseRouteNumber() override;
    std::optional<size_t> selectMap(const std::vector<std::string>& entries) override;
    bool calibrateMap(CalibrateMapForm& form) override;

private:
    std::optional<size_t> pickFrom(const QString& title, const std::vector<std::string>& entries);
    QWidget* parent_;
};

}  // namespace korvance
