#include "gui/DemoSession.h"

#include "app/CKorvanceDoc.h"
#include "app/CommandIds.h"
#include "gui/MainFrame.h"
#include "maps/MapCommands.h"

namespace korvance {

namespace {

constexpr int16_t kSymbolWaypoint = 18;
constexpr double kTourAltitude = 35.0;

}  // namespace

bool DemoSession::startReceivers(double rateHz, int64_t startUtc, UserPrompt& prompt) {
    garmin_ = std::make_unique<ReceiverSimulator>(SimProfile::New);
    std::vector<NmeaCorner> corners;
    for (const DemoPlace& p : DemoTour()) corners.push_back({p.latitude, p.longitude});
    nmea_ = std::make_unique<NmeaSource>(
        NmeaTrackAlong(corners, kDemoSpeedKmh, startUtc, kDemoPositionsPerSecond, kTourAltitude), rateHz);
    if (!garmin_->start()) garmin_.reset();
    if (!nmea_->start()) nmea_.reset();
    if (garmin_ && nmea_) return true;
    prompt.message("The demo receiver could not be started (no pseudo-terminal).", "korvance", Icon::Warning);
    return false;
}

void DemoSession::load(CKorvanceDoc& doc, const std::string& programPath) {
    UserPrompt& prompt = doc.prompt();
    AppSettings& s = doc.settings();
    if (garmin_) s.CommDevice = garmin_->devicePath();
    s.WaypointAlarm = 1;
    s.WaypointAlarmDistance = s.ReachDistance;

    const std::string folder = FindDemoMaps(programPath);
    const Changes opened = folder.empty() ? Changes{}
                                          : OpenMapOrList(doc.maps(), folder + "/demo.lst", doc.codePage(),
                                                          s.MapPath, prompt);
    doc.apply(opened);
    mapOpened_ = opened.has(Changes::MapOpened);
    if (!mapOpened_)
        prompt.message("The demo map set was not found (demo-maps/demo.lst).", "korvance", Icon::Warning);

    // The tour's places as waypoints, and the way round them (from the first
    // place after the start) as the document's first route.
    WaypointList& waypoints = doc.waypoints();
    CRouteField& routes = doc.routes();
    routes.clearRouteWaypoints(0);
    routes.setRouteName(0, kDemoRouteName);
    const std::vector<DemoPlace>& tour = DemoTour();
    for (size_t i = 0; i < tour.size(); ++i) {
        const DemoPlace& p = tour[i];
        if (!waypoints.find(p.identifier) &&
            !waypoints.add(prompt, p.identifier, p.latitude, p.longitude, p.comment, kSymbolWaypoint, 0, 0,
                           kTourAltitude))
            break;
        if (i > 0) routes.appendWaypoint(prompt, 0, *waypoints.record(*waypoints.find(p.identifier)));
    }
    doc.apply(Changes(Changes::Waypoints | Changes::Routes));
}

void DemoSession::run(MainFrame& frame) {
    ViewWidget* widget = frame.view();
    if (!widget) return;
    const DemoPlace& start = DemoTour().front();
    if (mapOpened_) widget->centreOn(start.latitude, start.longitude);
    widget->view().beginRouteNavigation(0, false);
    if (!nmea_) return;
    widget->useOwnNmeaReceiver(nmea_->devicePath());
    frame.routeCommand(cmd::NmeaNavigation);
}

void DemoSession::stop() {
    if (nmea_) nmea_->stop();
    nmea_.reset();
    if (garmin_) garmin_->stop();
    garmin_.reset();
}

}  // namespace korvance
