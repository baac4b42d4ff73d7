#pragma once
// What render and navigate share: a view that asks nothing of the person,
// and a document built from --data files.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/CKorvanceDoc.h"
#include "dialogs/DialogHost.h"
#include "view/ViewDialogs.h"

namespace korvance::cli {

// Every dialog of the view is cancelled.
class NoDialogs : public ViewDialogs, public DialogHost {
public:
    std::optional<size_t> selectMap(const std::vector<std::string>&) override { return std::nullopt; }
    bool calibrateMap(CalibrateMapForm&) override { return false; }
    bool inputWaypoint(WaypointForm&) override { return false; }
    std::optional<uint32_t> pickWaypoint(const WaypointList&) override { return std::nullopt; }
    std::optional<RouteChoice> selectRouteByName(const CRouteField&) override { return std::nullopt; }
    std::optional<int32_t> selectRouteNumber() override { return std::nullopt; }
    int editWaypoints(WaypointEditor&) override { return kDialogCancel; }
    int editRoutes(RouteEditor&) override { return kDialogCancel; }
    std::optional<int32_t> confirmUploadRoute(int32_t) override { return std::nullopt; }
    bool preference(PreferenceForm&) override { return false; }
    bool gpsSetting(GpsSettingForm&) override { return false; }
    bool pen(PenForm&) override { return false; }
    bool alarm(AlarmForm&) override { return false; }
};

// Adds what each file holds to the document, as an import does: track points
// joined, waypoints added, routes in file order. False after saying on `err`
// (prefixed "korvance-cli COMMAND: ") which file could not be read.
bool LoadDataFiles(CKorvanceDoc& doc, const std::vector<std::string>& paths, const std::string& command,
                   std::ostream& err);

}  // namespace korvance::cli
