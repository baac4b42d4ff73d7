#pragma once
// The view's dialogs with Qt widgets: "Select Map" and "Calibrate Map", and of
// the dialog host the three the view opens ("Input Waypoint", the waypoint
// picker, "Select Route No."); the editors and settings dialogs belong to the
// main window's dialog host and are cancelled here. The pickers end as soon
// as an entry is tapped, so one tap is enough.

#include <QWidget>

#include "dialogs/DialogHost.h"
#include "view/ViewDialogs.h"

namespace korvance {

class QtViewDialogs : public ViewDialogs, public DialogHost {
public:
    QtViewDialogs(QWidget* parent, UserPrompt& prompt) : parent_(parent), prompt_(prompt) {}
    std::optional<size_t> selectMap(const std::vector<std::string>& entries) override;
    bool calibrateMap(CalibrateMapForm& form) override;

    bool inputWaypoint(WaypointForm& form) override;
    std::optional<uint32_t> pickWaypoint(const WaypointList& list) override;
    std::optional<int32_t> selectRouteNumber() override;
    std::optional<RouteChoice> selectRouteByName(const CRouteField&) override { return std::nullopt; }
    int editWaypoints(WaypointEditor&) override { return kDialogCancel; }
    int editRoutes(RouteEditor&) override { return kDialogCancel; }
    std::optional<int32_t> confirmUploadRoute(int32_t) override { return std::nullopt; }
    bool preference(PreferenceForm&) override { return false; }
    bool gpsSetting(GpsSettingForm&) override { return false; }
    bool pen(PenForm&) override { return false; }
    bool alarm(AlarmForm&) override { return false; }

private:
    std::optional<size_t> pickFrom(const QString& title, const std::vector<std::string>& entries);
    QWidget* parent_;
    UserPrompt& prompt_;
};

}  // namespace korvance
