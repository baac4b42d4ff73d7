#include "view/CKorvanceView.h"

#include <cmath>
#include <cstdio>

#include "app/CommandIds.h"
#include "data/TextUtil.h"
#include "garmin/Identification.h"
#include "geodesy/TrackMotionOf.h"
#include "maps/MapCommands.h"
#include "platform/Process.h"
#include "settings/GpsModelList.h"
#include "settings/Settings.h"

namespace korvance {

namespace {

constexpr double kCursorRadiansPerDegree = 0.017453292522222223;
constexpr double kFeetPerMetre = 3.278688524590164;
// A window move is one tile; a pen step longer than this many tiles (a Shift drag
// flung across a large map) goes no further than they take it.
constexpr int kMaxRecentresPerStep = 64;

int roundHalfUp(double v) { return static_cast<int>(v + 0.5); }

bool inside(const ClientRect& r, int x, int y) { return r.left <= x && x <= r.right && r.top <= y && y <= r.bottom; }

std::string distanceText(double km, uint32_t unit) {
    const UnitSystem& u = UnitFor(unit);
    const double v = km * u.distanceFactor;
    const int whole = static_cast<int>(v);
    const int hundredths = static_cast<int>((v - whole) * 100.0);
    char text[64];
    std::snprintf(text, sizeof text, "%d.%02d", whole, hundredths);
    return std::string(text) + u.distanceLabel;
}

}  // namespace

CKorvanceView::CKorvanceView(CKorvanceDoc& doc, ViewHost& host, DialogHost& dialogs, ViewDialogs& viewDialogs,
                             Process* process)
    : navigation(doc), doc_(doc), host_(host), dialogs_(dialogs), viewDialogs_(viewDialogs), process_(process) {}

CKorvanceView::~CKorvanceView() { closeNavigation(); }

void CKorvanceView::takeOrientation() {
    const ClientRect c = host_.clientRect();
    orientation = (c.right - c.left) >= (c.bottom - c.top) ? 1 : 2;
}

// The view rectangle changed (the window was resized, the data field went): the
// map fills it where the map reaches.
void CKorvanceView::keepMapInView() {
    MapSet& maps = doc_.maps();
    if (maps.hasMap()) maps.SetScrollOrigin(maps.originX(), maps.originY(), viewRect());
}

void CKorvanceView::clientResized() {
    const ClientRect c = host_.clientRect();
    doc_.maps().setViewSize(c.right - c.left, c.bottom - c.top, doc_.prompt());
    keepMapInView();
}

ClientRect CKorvanceView::viewRect() const {
    ClientRect r = host_.clientRect();
    if (showDataField && navigationModeOn()) {
        if (orientation == 1) {
            r.right -= kDataFieldWidth;
            r.bottom -= kStatusLineHeight;
        } else {
            r.bottom -= kDataFieldHeight + kStatusLineHeight;
        }
    }
    return r;
}


// ---------------------------------------------------------------- commands

bool CKorvanceView::handles(uint16_t id) const {
    switch (id) {
        case cmd::RunNmeaMonitor:
        case cmd::Navigation:
        case cmd::NmeaNavigation:
        case cmd::RouteNavigation:
        case cmd::NextRoutePoint:
        case cmd::PreviousRoutePoint:
        case cmd::Goto:
        case cmd::Jump:
        case cmd::CurrentPosition:
        case cmd::MarkWaypoint:
        case cmd::CreateRoute:
        case cmd::ViewTrack:
        case cmd::ViewWaypoint:
        case cmd::ViewRoute:
        case cmd::ViewDataField:
        case cmd::Zoom:
        case cmd::Shift:
        case cmd::Ctrl:
            return true;
        default:
            return false;
    }
}

void CKorvanceView::onUpdate(uint16_t id, CommandState& state) {
    switch (id) {
        case cmd::RunNmeaMonitor: state.checked = monitorActive; break;
        case cmd::Navigation: state.checked = navigationActive; break;
        case cmd::NmeaNavigation: state.checked = nmeaNavigation; break;
        case cmd::RouteNavigation: state.checked = navigation.routeNavigator != nullptr; break;
        case cmd::Goto: state.checked = navigation.gotoIndex >= 0; break;
        case cmd::CurrentPosition: state.enabled = followPosition == 0; break;
        case cmd::MarkWaypoint: state.enabled = navigationModeOn(); break;
        case cmd::CreateRoute: state.checked = createRouteMode; break;
        case cmd::ViewTrack: state.checked = showTrack; break;
        case cmd::ViewWaypoint: state.checked = showWaypoint; break;
        case cmd::ViewRoute: state.checked = showRoute; break;
        case cmd::ViewDataField: state.checked = showDataField; break;
        case cmd::Zoom: state.checked = zoomMode; break;
        case cmd::Shift: state.checked = shiftMode; break;
        case cmd::Ctrl: state.checked = ctrlMode; break;
        default: break;
    }
}

void CKorvanceView::onCommand(uint16_t id) {
    auto toggle = [this](int& flag) {
        flag = !flag;
        host_.redraw(true);
    };
    switch (id) {
        case cmd::RunNmeaMonitor: onRunNmeaMonitor(); break;
        case cmd::Navigation: onNavigation(); break;
        case cmd::NmeaNavigation: onNmeaNavigation(); break;
        case cmd::RouteNavigation: onRouteNavigation(); break;
        case cmd::NextRoutePoint:
            if (navigation.routeNavigator) navigation.routeNavigator->next();
            break;
        case cmd::PreviousRoutePoint:
            if (navigation.routeNavigator) navigation.routeNavigator->previous();
            break;
        case cmd::Goto: onGoto(); break;
        case cmd::Jump: onJump(); break;
        case cmd::CurrentPosition:
            doc_.maps().ResetScrollOrigin();
            followPosition = 2;
            break;
        case cmd::MarkWaypoint: onMarkWaypoint(); break;
        case cmd::CreateRoute: onCreateRoute(); break;
        case cmd::ViewTrack: toggle(showTrack); break;
        case cmd::ViewWaypoint: toggle(showWaypoint); break;
        case cmd::ViewRoute: toggle(showRoute); break;
        case cmd::ViewDataField: toggle(showDataField); break;
        case cmd::Zoom: zoomMode = doc_.maps().hasMap() ? 0 : !zoomMode; break;
        case cmd::Shift: shiftMode = !shiftMode; break;
        case cmd::Ctrl: ctrlMode = !ctrlMode; break;
        default: break;
    }
}

void CKorvanceView::onGoto() {
    if (doc_.waypoints().count() == 0) return;
    const auto chosen = dialogs_.pickWaypoint(doc_.waypoints());
    navigation.gotoIndex = chosen ? static_cast<int32_t>(*chosen) : -1;
}

void CKorvanceView::onJump() {
    WaypointList& list = doc_.waypoints();
    if (list.count() == 0) return;
    const auto chosen = dialogs_.pickWaypoint(list);
    if (!chosen || *chosen >= list.count()) return;
    {
        WaitCursor wait(doc_.prompt());
        doc_.maps().CentreOn(viewRect(), list.latitude(*chosen), list.longitude(*chosen), -999, doc_.prompt());
    }
    host_.redraw(false);
}

void CKorvanceView::onCreateRoute() {
    if (navigationActive || nmeaNavigation || monitorActive) {
        doc_.prompt().beep(BeepKind::Simple);
        return;
    }
    createRouteMode = !createRouteMode;
    if (!createRouteMode) return;
    const auto n = dialogs_.selectRouteNumber();
    if (!n || *n < 0 || *n > 99) {
        createRouteMode = 0;
        return;
    }
    CRouteField& routes = doc_.routes();
    for (uint32_t r = routes.routeCount(); r <= static_cast<uint32_t>(*n); ++r) {
        if (routes.appendRoute(doc_.prompt()) <= r) break;  // at the route limit
        char name[32];
        std::snprintf(name, sizeof name, "ROUTE-%02u", r);
        routes.setRouteName(r, uiToOem(&doc_.codePage(), name, 16));
    }
    doc_.currentRoute = static_cast<uint32_t>(*n);
}

void CKorvanceView::onMarkWaypoint() {
    const TrackField* track = doc_.trackLog().track.get();
    if (!track || track->pointCount() == 0) {
        doc_.prompt().beep(BeepKind::Simple);
        return;
    }
    const TrackPoint& p = track->point(track->pointCount() - 1);
    inputWaypointAt(p.latitude, p.longitude);
    host_.redraw(false);
}

void CKorvanceView::onRunNmeaMonitor() {
    if (createRouteMode || navigationActive || nmeaNavigation) {
        doc_.prompt().beep(BeepKind::Asterisk);
        return;
    }
    TrackLog& log = doc_.trackLog();
    if (monitorActive) {
        if (host_.monitorRunning()) return;
        monitorActive = 0;
        if (log.stop()) doc_.setModified(true);
        navigation.alarm.reset();
        markModifiedWhenGrown();
        return;
    }
    if (!startTrackLog()) return;
    const std::string path = doc_.settings().NMEAMonitorPath;
    if (path.empty() || !process_) return;
    char line[64];
    std::snprintf(line, sizeof line, "KorvanCE %x", host_.monitorToken());
    if (!process_->start(path, std::string(line) + std::string(20, ' '))) return;
    trackStartCount = log.track ? log.track->pointCount() : 0;
    monitorActive = 1;
}

// ---------------------------------------------------------------- navigation

Sound& CKorvanceView::sound() {
    static class : public Sound {
    public:
        bool play(const std::string&) override { return false; }
    } silence;
    NavigationHost* nav = host_.navigationHost();
    return nav ? nav->sound() : silence;
}

bool CKorvanceView::startTrackLog() {
    if (doc_.trackLog().start(doc_.settings().MaxLogCount, doc_.prompt(), doc_.clock())) return true;
    doc_.prompt().message(kMsgAllocTrack, "", Icon::Stop);
    return false;
}

void CKorvanceView::markModifiedWhenGrown() {
    const TrackField* track = doc_.trackLog().track.get();
    if (track && track->pointCount() > trackStartCount) doc_.setModified(true);
}

void CKorvanceView::runTick(PositionSource& source) {
    tickBusy = 1;
    const TickResult result = navigation.tick(source, this, sound());
    tickBusy = 0;
    if (ticked) ticked(result);
}

void CKorvanceView::onNavigation() {
    NavigationHost* nav = host_.navigationHost();
    if (createRouteMode || nmeaNavigation || monitorActive || (!navigationActive && !nav)) {
        doc_.prompt().beep(BeepKind::Asterisk);
        return;
    }
    if (navigationActive) {
        stopGarminNavigation();
        return;
    }
    if (!startTrackLog()) return;
    const AppSettings& s = doc_.settings();
    auto link = std::make_unique<GarminLink>(LinkOptions::fromSettings(s), &doc_.clock());
    const std::string device = resolveSerialDevice(s.CommDevice, static_cast<int>(s.CommPort));
    if (!link->OpenPort(device, 9600)) {
        // A port that is not there is said at once, naming it; nothing runs.
        const std::string why = device.empty() ? "no serial port " + std::to_string(s.CommPort) + " found"
                                               : link->lastError();
        doc_.prompt().message("Cannot open the receiver port:\n" + why, kAppCaption, Icon::Stop);
        doc_.trackLog().stop();
        return;
    }
    ProductInfo info;
    RequestProduct(*link, info);
    RequestProduct(*link, info);
    garminLink_ = std::move(link);
    garminSource_ = std::make_unique<GarminPollSource>(*garminLink_, doc_.datum());
    tickBusy = 0;
    nav->navigationTimer().start(doc_.effectiveLogInterval() * 1000, [this] { navigationTimerTick(); });
    trackStartCount = doc_.trackLog().track ? doc_.trackLog().track->pointCount() : 0;
    navigationActive = 1;
}

void CKorvanceView::navigationTimerTick() {
    if (!navigationActive || !garminLink_ || tickBusy) return;
    tickBusy = 1;
    const TickResult result = navigation.tick(*garminSource_, this, sound());
    if (!result.hadFix) {
        // No tick runs while the question is open.
        NavigationTimer& timer = host_.navigationHost()->navigationTimer();
        const uint32_t period = timer.periodMs();
        timer.stop();
        if (doc_.prompt().ask(kMsgReadPositionError, kAppCaption, Buttons::YesNo, Icon::Question) == Answer::Yes) {
            timer.start(period, [this] { navigationTimerTick(); });
        } else {
            stopGarminNavigation();
        }
        markModifiedWhenGrown();
    }
    tickBusy = 0;
    if (ticked) ticked(result);
}

void CKorvanceView::stopGarminNavigation() {
    navigationActive = 0;
    if (garminLink_) {
        if (NavigationHost* nav = host_.navigationHost()) nav->navigationTimer().stop();
        garminSource_.reset();
        garminLink_.reset();
    }
    doc_.trackLog().stop();
    navigation.alarm.reset();
    markModifiedWhenGrown();
    keepMapInView();
}

void CKorvanceView::onNmeaNavigation() {
    NavigationHost* nav = host_.navigationHost();
    if (createRouteMode || navigationActive || monitorActive || (!nmeaNavigation && !nav)) {
        doc_.prompt().beep(BeepKind::Asterisk);
        return;
    }
    if (nmeaNavigation) {
        stopNmeaNavigation();
        host_.redraw(true);
        return;
    }
    if (!startTrackLog()) return;
    AppSettings& s = doc_.settings();
    // A speed the receiver cannot have is mended in the stored settings too.
    const uint32_t before = s.NMEABaudrate;
    if (CorrectNmeaBaudrate(s) != before) saveAppSettings(doc_.store(), s);
    trackStartCount = doc_.trackLog().track ? doc_.trackLog().track->pointCount() : 0;
    if (!nav->startNmea(s, doc_.prompt())) {
        doc_.trackLog().stop();
        return;
    }
    nmeaReceiving_ = true;
    nmeaNavigation = 1;
    host_.redraw(true);
}

void CKorvanceView::stopNmeaNavigation() {
    nmeaNavigation = 0;
    if (nmeaReceiving_) {
        nmeaReceiving_ = false;
        if (NavigationHost* nav = host_.navigationHost()) nav->stopNmea();
    }
    doc_.trackLog().stop();
    navigation.alarm.reset();
    markModifiedWhenGrown();
    keepMapInView();
}

bool CKorvanceView::nmeaPosition(const NmeaPosition& position) {
    if (!nmeaNavigation || !nmeaReceiving_ || tickBusy) return false;
    delivered_.commit(FixOf(position));
    runTick(delivered_);
    return true;
}

void CKorvanceView::closeNavigation() {
    if (navigationActive) stopGarminNavigation();
    if (nmeaNavigation) stopNmeaNavigation();
}

void CKorvanceView::onRouteNavigation() {
    if (navigation.routeNavigator) {
        navigation.routeNavigator.reset();
        showDataField = 0;
        keepMapInView();
        host_.redraw(true);
        return;
    }
    showDataField = 1;
    const auto choice = dialogs_.selectRouteByName(doc_.routes());
    if (!choice) return;
    beginRouteNavigation(choice->index, choice->invert);
}

bool CKorvanceView::beginRouteNavigation(uint32_t route, bool invert) {
    showDataField = 1;
    navigation.routeNavigator = BeginRouteNavigation(doc_.routes(), doc_.currentRoute, doc_.prompt(),
                                                     doc_.settings().ReachDistance, route, invert);
    host_.redraw(true);
    return navigation.routeNavigator != nullptr;
}

void CKorvanceView::follow(const PositionFix& fix) {
    MapSet& maps = doc_.maps();
    if (!maps.hasMap() || followPosition == 0) return;
    const AppSettings& s = doc_.settings();
    UserPrompt& prompt = doc_.prompt();
    const ClientRect r = viewRect();
    bool centred = false;
    int shown = 1;
    if (s.CenteringAlways) {
        shown = maps.CentreOn(r, fix.latitude, fix.longitude, -999, prompt);
        centred = true;
    } else if (doc_.datum().DistanceKm(fix.latitude, fix.longitude, centredLatitude_, centredLongitude_) > 0.02 ||
               followPosition == 2) {
        followPosition = 1;
        shown = maps.CentreOn(r, fix.latitude, fix.longitude, trackHeading(), prompt);
        centredLatitude_ = fix.latitude;
        centredLongitude_ = fix.longitude;
        centred = true;
    }
    if ((centred && shown == 0) || s.AutoMapChange) {
        if (const auto path = maps.ChooseMapAt(fix.latitude, fix.longitude, prompt)) {
            WaitCursor wait(prompt);
            loadMapKeepCentre(*path);
            maps.CentreOn(viewRect(), fix.latitude, fix.longitude, trackHeading(), prompt);
        }
    }
}

// ---------------------------------------------------------------- keys

void CKorvanceView::changeToListEntry(std::optional<std::string> path) {
    if (!path) return;
    loadMapKeepCentre(*path);
    doc_.settings().AutoMapChange = 0;
}

void CKorvanceView::keyDown(ViewKey key) {
    MapList& list = doc_.maps().list();
    switch (key) {
        case ViewKey::Up: changeToListEntry(list.previous()); break;
        case ViewKey::Down: changeToListEntry(list.next()); break;
        case ViewKey::Left: onCommand(cmd::CurrentPosition); break;
        case ViewKey::Right: onCommand(cmd::RunNmeaMonitor); break;
        case ViewKey::Enter: {
            if (list.count() == 0) break;
            std::vector<std::string> entries;
            for (size_t i = 0; i < list.count(); ++i) entries.push_back(lastTwoComponents(*list.path(i)));
            const auto chosen = viewDialogs_.selectMap(entries);
            if (!chosen || *chosen >= list.count()) break;
            list.setCurrent(*chosen);
            changeToListEntry(list.path(*chosen));
            break;
        }
    }
}

void CKorvanceView::character(char32_t c) {
    if (c == '\r' || c == '\n') return;
    if (c == '0') {
        doc_.settings().AutoMapChange = 1;
        return;
    }
    if (c < U'1') return;
    MapList& list = doc_.maps().list();
    const size_t index = static_cast<size_t>(c - U'1');
    if (index >= list.count()) return;
    list.setCurrent(index);
    changeToListEntry(list.path(index));
}

std::string CKorvanceView::lastTwoComponents(const std::string& path) {
    // Search backwards from the last character down to the second one.
    int found = 0;
    for (size_t i = path.size(); i-- > 1;) {
        if (path[i] == '\\' || path[i] == '/') {
            if (++found == 2) return path.substr(i + 1);
        }
    }
    return path.size() > 1 ? path.substr(1) : std::string();
}

// ---------------------------------------------------------------- pen

void CKorvanceView::penDown(int x, int y, bool ctrl, bool shift) {
    ctrl = ctrl || ctrlMode;
    shift = shift || shiftMode;
    if (navigationModeOn()) {
        navigation.alarm.tap();
        followPosition = 0;
    }
    MapSet& maps = doc_.maps();
    if (maps.hasMap()) zoomMode = 0;
    if (zoomMode) {
        zoomAt(x, y, shift);
        host_.redraw(false);
    } else if (ctrl && shift) {
        if (!CalibrateAt(x, y))
            doc_.prompt().beep(BeepKind::Simple);
        else
            host_.redraw(false);
    } else if (ctrl) {
        double latitude = 0, longitude = 0;
        maps.ViewToGeo(x, y, latitude, longitude);
        inputWaypointAt(latitude, longitude);
        host_.redraw(false);
    } else {
        dragging = 1;
        lastPenX = x;
        lastPenY = y;
    }
}

void CKorvanceView::penMove(int x, int y, bool leftButton, bool ctrl, bool shift) {
    ctrl = ctrl || ctrlMode;
    shift = shift || shiftMode;
    if (!leftButton || ctrl || zoomMode || !dragging || lastPenX == -9999) return;
    const int m = shift ? 5 : 1;
    scrollBy((x - lastPenX) * m, (y - lastPenY) * m);
    lastPenX = x;
    lastPenY = y;
}

void CKorvanceView::penUp(int x, int y, bool ctrl, bool shift) {
    ctrl = ctrl || ctrlMode;
    shift = shift || shiftMode;
    if (ctrl || zoomMode || !dragging || lastPenX == -9999) return;
    const int m = shift ? 5 : 1;
    scrollBy((x - lastPenX) * m, (y - lastPenY) * m);
    dragging = 0;
    lastPenX = lastPenY = -9999;
    host_.redraw(false);  // the track comes back once the drag ends
}

void CKorvanceView::scrollBy(int dx, int dy) {
    MapSet& maps = doc_.maps();
    const ClientRect r = viewRect();
    // The origin the pen asks for, in window pixels. The clamp to the window may take
    // part of the step; what it took is scrolled once the window has moved on, so the
    // ground stays under the pen however long the step.
    int wantX = maps.originX() - dx, wantY = maps.originY() - dy;
    maps.SetScrollOrigin(wantX, wantY, r);
    std::optional<WaitCursor> wait;
    for (int moves = 0; maps.hasMap() && !maps.ViewInsideWindow(r) && moves < kMaxRecentresPerStep; ++moves) {
        const int t = maps.RecentreTarget(maps.SlotAtViewCentre(r));
        if (t == -1) break;
        if (!wait) wait.emplace(doc_.prompt());
        const int beforeX = maps.originX(), beforeY = maps.originY();
        maps.LoadWindow(t, doc_.prompt());
        wantX += maps.originX() - beforeX;
        wantY += maps.originY() - beforeY;
        if (maps.originX() == wantX && maps.originY() == wantY) break;
        maps.SetScrollOrigin(wantX, wantY, r);
    }
    host_.redraw(false);
}

void CKorvanceView::zoomAt(int x, int y, bool shift) {
    MapSet& maps = doc_.maps();
    double latitude = 0, longitude = 0;
    maps.ViewToGeo(x, y, latitude, longitude);
    double top = 0, bottom = 0, left = 0, right = 0;
    maps.GetWindowBounds(top, bottom, left, right);
    const double h = top - bottom, w = right - left;
    const double k = shift ? 0.5 : -0.25;  // out: the extent doubles; in: it halves
    top += h * k;
    bottom -= h * k;
    left -= w * k;
    right += w * k;
    const ClientRect r = viewRect();
    maps.SetWindowGeometry(r.right - r.left, r.bottom - r.top, top, bottom, left, right);
    maps.CentreOn(r, latitude, longitude, -999, doc_.prompt());
}

void CKorvanceView::fitDataToView(uint32_t count) {
    const auto extent = dataExtent(count, doc_.trackLog().track.get(), &doc_.waypoints(), &doc_.routes());
    if (!extent) return;
    double top = extent->maxLatitude, bottom = extent->minLatitude;
    double left = extent->minLongitude, right = extent->maxLongitude;
    const Datum& datum = doc_.datum();
    const double width = datum.DistanceKm(top, left, top, right);
    const double height = datum.DistanceKm(top, left, bottom, left);
    const ClientRect rc = viewRect();
    const int pw = rc.right - rc.left, ph = rc.bottom - rc.top;
    const double r = (pw / width) / (ph / height);
    if (!std::isfinite(r) || r <= 0) {
        // A line of data along one axis (or an empty view): keep the plain box.
    } else if (r >= 1) {
        const double grow = (right - left) * (r - 1) / 2;
        left -= grow;
        right += grow;
    } else {
        const double grow = (top - bottom) * (1 / r - 1) / 2;
        top += grow;
        bottom -= grow;
    }
    doc_.maps().SetWindowGeometry(pw, ph, top, bottom, left, right);
}

int CKorvanceView::loadMapKeepCentre(const std::string& path) {
    const Changes changes = LoadMapKeepCentre(doc_.maps(), viewRect(), path, doc_.settings().MapPath, doc_.prompt());
    // The view stays on the place it showed: no centring on the track follows.
    if (changes.any()) doc_.newData = false;
    host_.redraw(false);
    return changes.any() ? 1 : 0;
}

// ---------------------------------------------------------------- waypoint input

void CKorvanceView::inputWaypointAt(double latitude, double longitude) {
    const AppSettings& s = doc_.settings();
    const bool utm = s.CoordinateUTM == 1;
    WaypointForm form = utm ? WaypointForm::utm() : WaypointForm::geographic();
    if (!utm) {
        form.first = DegreeValue(latitude).FormatDms().substr(0, 64);
        form.second = DegreeValue(longitude).FormatDms().substr(0, 64);
    } else {
        int16_t zone = 0;
        char letter = 'N';
        double northing = 0, easting = 0;
        doc_.transverseMercator().LatLonToUtm(latitude, longitude, zone, letter, northing, easting);
        char z[16];
        std::snprintf(z, sizeof z, "%d%c", zone, letter);
        form.zone = z;
        form.first = FormatFixed(easting, 2);
        form.second = FormatFixed(northing, 2);
    }
    if (auto id = doc_.waypoints().nextAutoIdentifier(doc_.prompt())) form.identifier = id->substr(0, 32);
    form.symbol = "18";
    if (!dialogs_.inputWaypoint(form)) return;

    if (!utm) {
        latitude = DegreeValue::FromText(form.first).Degrees();
        longitude = DegreeValue::FromText(form.second).Degrees();
    } else {
        const int16_t zone = static_cast<int16_t>(parseInteger(form.zone));
        const char letter = form.zone.size() >= 2 ? form.zone.back() : 'N';
        doc_.transverseMercator().UtmToLatLon(parseDouble(form.second), parseDouble(form.first), zone, letter,
                                              latitude, longitude);
    }
    const CodePage* cp = &doc_.codePage();
    const int16_t display = GpsModelList::protocolCode(s.GPSModelID) == 4104 ? 3 : 0;
    const WaypointRecord record =
        makeWaypointRecord(uiToOem(cp, form.identifier, 32), latitude, longitude, uiToOem(cp, form.comment, 42),
                           static_cast<int16_t>(parseInteger(form.symbol)), display, 0, 0, cp);
    if (createRouteMode) {
        if (!doc_.routes().appendWaypoint(doc_.prompt(), doc_.currentRoute, record)) return;
        doc_.setModified(true);
    }
    if (doc_.waypoints().add(doc_.prompt(), record)) doc_.setModified(true);
}

// ---------------------------------------------------------------- calibration

void CalibrateMapForm::chooseWaypoint(size_t index) {
    if (index >= waypoints.size()) return;
    const std::string lon = DegreeValue(waypoints[index].longitude).FormatDms();
    const std::string lat = DegreeValue(waypoints[index].latitude).FormatDms();
    (settingPoint1 ? p1Longitude : p2Longitude) = lon;
    (settingPoint1 ? p1Latitude : p2Latitude) = lat;
}

bool CKorvanceView::CalibrateAt(int x, int y) {
    MapSet& maps = doc_.maps();
    const MapPoint pixel = maps.ViewToMapPixel(x, y);
    if (pixel.x == -1 && pixel.y == -1) return false;
    CalibrateMapForm form;
    form.settingPoint1 = calibrateSetsPoint1 != 0;
    CalibrationPoint& set = form.settingPoint1 ? calibration1 : calibration2;
    const CalibrationPoint& other = form.settingPoint1 ? calibration2 : calibration1;
    auto dms = [](double v) { return DegreeValue(v).FormatDms(); };
    if (form.settingPoint1) {
        form.p1x = pixel.x, form.p1y = pixel.y;
        form.p2x = other.x, form.p2y = other.y;
        form.p2Longitude = dms(other.longitude), form.p2Latitude = dms(other.latitude);
        form.p1Longitude = dms(set.longitude), form.p1Latitude = dms(set.latitude);
    } else {
        form.p2x = pixel.x, form.p2y = pixel.y;
        form.p1x = other.x, form.p1y = other.y;
        form.p1Longitude = dms(other.longitude), form.p1Latitude = dms(other.latitude);
        form.p2Longitude = dms(set.longitude), form.p2Latitude = dms(set.latitude);
    }
    const WaypointList& list = doc_.waypoints();
    for (uint32_t i = 0; i < list.count(); ++i)
        form.waypoints.push_back({oemToUi(&doc_.codePage(), list.identifier(i)), list.latitude(i), list.longitude(i)});
    if (viewDialogs_.calibrateMap(form)) {
        calibration1 = {form.p1x, form.p1y, DegreeValue::FromText(form.p1Longitude).Degrees(),
                        DegreeValue::FromText(form.p1Latitude).Degrees()};
        calibration2 = {form.p2x, form.p2y, DegreeValue::FromText(form.p2Longitude).Degrees(),
                        DegreeValue::FromText(form.p2Latitude).Degrees()};
        if (!(calibration2.x == 0 && calibration2.y == 0) &&
            doc_.prompt().ask("Update datfile?", "", Buttons::YesNo, Icon::Question) == Answer::Yes) {
            if (maps.WriteMapInfo(calibration1, calibration2, doc_.prompt()) && maps.ReloadMapInfo(doc_.prompt())) {
                WaitCursor wait(doc_.prompt());
                maps.LoadWindow(0, doc_.prompt());
                calibration1 = calibration2 = CalibrationPoint{};
            }
        }
        calibrateSetsPoint1 = !calibrateSetsPoint1;
    }
    return true;
}

// ---------------------------------------------------------------- monitor

bool CKorvanceView::monitorMessage(int32_t item, int32_t value) {
    if (!monitorActive || tickBusy) return false;
    switch (item) {
        case kMonitorLatitude: monitorLatitude_ = value * kMonitorDegreesPerUnit; break;
        case kMonitorLongitude: monitorLongitude_ = value * kMonitorDegreesPerUnit; break;
        case kMonitorHeight: monitorHeight_ = value; break;
        case kMonitorTime: monitorTime_ = value; break;
        case kMonitorCommit:
            delivered_.commit({monitorLatitude_, monitorLongitude_, monitorHeight_, monitorTime_, std::nullopt,
                               std::nullopt});
            runTick(delivered_);
            break;
        default: break;
    }
    return true;
}

// ---------------------------------------------------------------- paint

int CKorvanceView::trackHeading() {
    const TrackLog& log = doc_.trackLog();
    const TrackMotion motion = TrackMotionOf(log.track.get(), log.previousPointTick, log.lastPointTick);
    return static_cast<int>(TrackCourse(bearing_, motion, doc_.datum()) + 0.5);
}

void CKorvanceView::paint(Canvas& canvas) {
    AppSettings& s = doc_.settings();
    if (s.TrackPlotCount < 32 || s.TrackPlotCount > 65536) s.TrackPlotCount = 256;
    const uint32_t plotCount = s.TrackPlotCount;
    const ClientRect r = viewRect();
    const CanvasFont font = s.GPSCharSet == 2 ? kJapaneseFont : CanvasFont{};
    MapSet& maps = doc_.maps();
    const TrackField* track = doc_.trackLog().track.get();

    auto drawWindow = [&] {
        const bool blank = maps.blank();
        canvas.blitImage(maps.window(), blank ? 0 : maps.originX(), blank ? 0 : maps.originY(), r.left, r.top,
                         r.right, r.bottom);
        canvas.discardCursorBackground();
    };
    if (!maps.hasMap()) {
        drawWindow();
        if (navigationModeOn()) {
            fitDataToView(plotCount);
        } else if (doc_.fitPending) {
            fitDataToView(0);
            doc_.fitPending = false;
        }
    } else {
        if (track) {
            const bool newData = doc_.newData;
            doc_.newData = false;
            if (newData && track->pointCount() > 0) {
                WaitCursor wait(doc_.prompt());
                maps.CentreOn(r, track->point(0).latitude, track->point(0).longitude, -999, doc_.prompt());
            }
        }
        drawWindow();
    }

    drawDistanceLabels(canvas, r, font);
    if (showTrack && track && !dragging) drawTrack(canvas, r, plotCount);

    if (showWaypoint) {
        const WaypointList& list = doc_.waypoints();
        for (uint32_t i = 0; i < list.count(); ++i) {
            const MapPoint p = maps.GeoToView(list.latitude(i), list.longitude(i));
            if (!inside(r, p.x, p.y)) continue;
            canvas.fillRect(p.x - 4, p.y - 4, p.x + 5, p.y + 5, s.WaypointColor);
            canvas.text(p.x + 5, p.y + 5, oemToUi(&doc_.codePage(), list.identifier(i), 24), font);
        }
    }

    if (showRoute) {
        const CRouteField& routes = doc_.routes();
        std::vector<CanvasPoint> points;
        for (uint32_t route = 0; route < routes.routeCount(); ++route) {
            const uint32_t n = routes.routeWaypointCount(route);
            if (n == 0 || (navigation.routeNavigator && navigation.routeNavigator->route() != route)) continue;
            points.clear();
            for (uint32_t i = 0; i < n; ++i) {
                const MapPoint p = maps.GeoToView(routes.waypointLatitude(route, i), routes.waypointLongitude(route, i));
                points.push_back({p.x, p.y});
            }
            canvas.polyline(points, s.RouteColor, 2);
        }
    }

    if (showDataField && navigationModeOn()) {
        drawStatusLine(canvas);
        drawDataField(canvas);
    }
}

NavigationFigures CKorvanceView::navigationFigures() {
    return ComputeFigures(doc_.trackLog(), doc_.datum(), bearing_,
                          TargetOf(doc_.waypoints(), doc_.routes(), navigation.gotoIndex,
                                   navigation.routeNavigator.get()));
}

void CKorvanceView::drawDataField(Canvas& canvas) {
    const ClientRect c = host_.clientRect();
    const int width = c.right - c.left, height = c.bottom - c.top;
    const bool landscape = orientation == 1;
    const DataFieldLayout l = DataFieldLayoutFor(landscape, width, height);
    const NavigationFigures f = navigationFigures();
    const DataFieldTexts t = DataFieldTextsOf(f, doc_.settings().Unit);

    MonoStrip strip;
    strip.width = l.panelWidth;
    strip.height = l.panelHeight;
    auto label = [&](const DataFieldLayout::Place& p, const std::string& text) {
        strip.texts.push_back({p.labelX, p.labelY, text, kDataFieldLabelFont});
    };
    auto value = [&](const DataFieldLayout::Place& p, const std::string& text) {
        if (!text.empty()) strip.texts.push_back({p.valueX, p.valueY, text, kDataFieldValueFont});
    };
    label(l.speed, t.speedLabel);
    label(l.track, kTrackFieldLabel);
    label(l.target, kTargetFieldLabel);
    label(l.distance, t.distanceLabel);
    label(l.bearing, l.bearingLabel);
    label(l.ete, kEteFieldLabel);
    value(l.speed, t.speed);
    value(l.track, t.track);
    value(l.target, t.target);
    value(l.distance, t.distance);
    value(l.bearing, t.bearing);
    value(l.ete, t.ete);
    if (f.hasDistance) {
        MonoStrip::Line pointer;
        pointer.width = 3;
        for (const auto& p : PointerPolyline(l.pointerX, l.pointerY, f.relative)) pointer.points.push_back({p[0], p[1]});
        strip.lines.push_back(std::move(pointer));
    }
    const int x = landscape ? c.right - kDataFieldWidth : c.left;
    const int y = landscape ? c.top : c.bottom - kDataFieldHeight;
    if (!canvas.blitStrip(strip, x, y)) doc_.prompt().message("BitBlt return 0.", "", Icon::Stop);
}

void CKorvanceView::drawDistanceLabels(Canvas& canvas, const ClientRect& r, const CanvasFont& font) {
    MapSet& maps = doc_.maps();
    double top = 0, bottom = 0, left = 0, right = 0;
    if (!maps.GetWindowBounds(top, bottom, left, right)) return;
    double lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
    maps.ViewToGeo(r.left, r.top, lat1, lon1);
    maps.ViewToGeo(r.right, r.bottom, lat2, lon2);
    const Datum& datum = doc_.datum();
    const uint32_t unit = doc_.settings().Unit;
    canvas.text((r.left + r.right) / 2, r.top + 2, distanceText(datum.DistanceKm(lat1, lon1, lat1, lon2), unit), font);
    canvas.text(r.left + 2, (r.top + r.bottom) / 2, distanceText(datum.DistanceKm(lat1, lon1, lat2, lon1), unit),
                font);
}

TrackThinner::TrackThinner(const ClientRect& r, std::vector<CanvasPoint>& out) : r_(r), out_(out) {}

void TrackThinner::add(CanvasPoint p) {
    auto in = [this](const CanvasPoint& q) { return inside(r_, q.x, q.y); };
    if (n_ < 3) {
        (n_ == 0 ? q1_ : n_ == 1 ? q2_ : q3_) = p;
        if (++n_ == 3 && (in(q1_) || in(q2_))) {
            out_.push_back(q1_);
            out_.push_back(q2_);
        }
        return;
    }
    q1_ = q2_;
    q2_ = q3_;
    q3_ = p;
    if (!in(q1_) && !in(q2_) && !in(q3_)) {
        skipped_ = true;
        return;
    }
    if (skipped_) {
        out_.push_back(q1_);
        skipped_ = false;
    }
    out_.push_back(q2_);
}

void TrackThinner::finish() {
    if (n_ >= 3 && (inside(r_, q2_.x, q2_.y) || inside(r_, q3_.x, q3_.y))) out_.push_back(q3_);
}

std::vector<CanvasPoint> ThinTrack(const std::vector<CanvasPoint>& points, const ClientRect& r) {
    std::vector<CanvasPoint> out;
    TrackThinner thinner(r, out);
    for (const CanvasPoint& p : points) thinner.add(p);
    thinner.finish();
    return out;
}

std::span<const MapPoint> CKorvanceView::trackWindowPixels(const TrackField& track, uint32_t first, uint32_t count) {
    const MapSet& maps = doc_.maps();
    TrackPixels& c = trackPixels_;
    const MapSet::WindowMapping mapping = maps.windowMapping();
    const uint64_t held = c.first + uint64_t{c.window.size()};
    if (c.trackId != track.id() || !(c.mapping == mapping) || first < c.first || first > held || held > count) {
        c.trackId = track.id();
        c.mapping = mapping;
        c.first = first;
        c.window.clear();
    } else if (first - c.first > 4096 && first - c.first > c.window.size() / 2) {
        // Navigation draws only the newest points: let go of those behind them.
        c.window.erase(c.window.begin(), c.window.begin() + (first - c.first));
        c.first = first;
    }
    c.window.reserve(count - c.first);
    for (uint32_t i = c.first + static_cast<uint32_t>(c.window.size()); i < count; ++i) {
        const TrackPoint& p = track.point(i);
        c.window.push_back(maps.GeoToWindow(p.latitude, p.longitude));
    }
    return std::span<const MapPoint>(c.window).subspan(first - c.first);
}

void CKorvanceView::drawTrack(Canvas& canvas, const ClientRect& r, uint32_t plotCount) {
    const AppSettings& s = doc_.settings();
    const TrackField& track = *doc_.trackLog().track;
    MapSet& maps = doc_.maps();
    const int width = s.PenWidth >= 1 && s.PenWidth <= 5 ? static_cast<int>(s.PenWidth) : 1;
    const uint32_t count = track.pointCount();
    const bool navigating = navigationModeOn();
    const uint32_t first = navigating && count > plotCount ? count - plotCount : 0;
    // Thick pens over a map outside navigation are drawn only near the view
    // rectangle. A track of three points or fewer is drawn whole.
    const bool thin = maps.hasMap() && !navigating && width >= 2 && count > 3;

    const DrawnTrackKey key{track.id(), maps.windowMapping(), first, count, maps.originX(), maps.originY(),
                            r.left, r.top, r.right, r.bottom, thin};
    if (!(key == drawnKey_)) {  // track ids start at 1: the empty key matches nothing
        drawnKey_ = DrawnTrackKey{};  // nothing valid while it is rebuilt
        const std::span<const MapPoint> window = trackWindowPixels(track, first, count);
        std::vector<CanvasPoint>& points = drawnTrack_;
        points.clear();
        const auto toView = [&](MapPoint w) {
            const MapPoint v = maps.WindowToView(w);
            return CanvasPoint{v.x, v.y};
        };
        if (thin) {
            TrackThinner thinner(r, points);
            for (const MapPoint& w : window) thinner.add(toView(w));
            thinner.finish();
        } else {
            points.reserve(window.size() + 1);
            for (const MapPoint& w : window) points.push_back(toView(w));
        }
        drawnKey_ = key;
    }
    const std::vector<CanvasPoint>& points = drawnTrack_;
    // A position far off the map (its pixel clamped to the int range) has no
    // cursor to show, and the cursor's arithmetic would overflow there.
    constexpr int64_t kFar = int64_t(1) << 28;
    const auto near = [](int v) { return v > -kFar && v < kFar; };
    if (navigating && !points.empty() && near(points.back().x) && near(points.back().y))
        drawCursor(canvas, points.back().x - 15, points.back().y - 15, trackHeading(), s.BlinkNavigationCursor != 0);
    canvas.polyline(points, s.PenColor, width);
}

void CKorvanceView::drawCursor(Canvas& canvas, int x, int y, int heading, bool blink) {
    canvas.restoreCursorBackground();
    canvas.saveCursorBackground(x, y);
    static constexpr CanvasPoint kShape[4] = {{0, -14}, {-7, 14}, {7, 14}, {0, -14}};
    const double a = heading * kCursorRadiansPerDegree;
    const double c = std::cos(a), sn = std::sin(a);
    CanvasPoint points[4];
    for (int i = 0; i < 4; ++i) {
        const double px = kShape[i].x, py = kShape[i].y;
        points[i] = {x + 15 + roundHalfUp(px * c - py * sn), y + 15 + roundHalfUp(px * sn + py * c)};
    }
    if (blink) {
        const uint64_t k = blinkCounter++;
        canvas.polygon(points, kRedValue, 2, k % 2 ? kRedValue : kWhiteValue);
    } else {
        canvas.polyline(points, kRedValue, 2);
    }
}

void CKorvanceView::drawStatusLine(Canvas& canvas) {
    const TrackField* track = doc_.trackLog().track.get();
    if (!track || track->pointCount() == 0) return;
    const AppSettings& s = doc_.settings();
    const ClientRect r = viewRect();
    const TrackPoint& p = track->point(track->pointCount() - 1);
    const bool feet = s.Unit == 1;
    // A height the receiver does not know (a GPX point without <ele>, a 2D fix) shows as "---".
    const double height = feet ? p.altitude * kFeetPerMetre : p.altitude;
    const std::string suffix = (KnownAltitude(p.altitude) ? std::to_string(roundHalfUp(height)) : "---") +
                               (feet ? "[ft]" : "m");
    std::string text;
    if (s.CoordinateUTM == 0) {
        text = DegreeValue(p.latitude).FormatDms().substr(0, 31) + " / " +
               DegreeValue(p.longitude).FormatDms().substr(0, 31) + " / " + suffix;
    } else {
        int16_t zone = 0;
        char letter = 'N';
        double northing = 0, easting = 0;
        doc_.transverseMercator().LatLonToUtm(p.latitude, p.longitude, zone, letter, northing, easting);
        char z[16];
        std::snprintf(z, sizeof z, "%d%c", zone, letter);
        text = std::string(z) + " / " + FormatFixed(easting, 2) + " / " + FormatFixed(northing, 2) + " / " + suffix;
    }
    MonoStrip strip;
    strip.width = r.right;
    strip.height = kStatusLineHeight;
    strip.texts.push_back({0, 0, text, {}});
    if (!canvas.blitStrip(strip, 0, r.bottom)) doc_.prompt().message("can't create hBitmap", "", Icon::Stop);
}

}  // namespace korvance
