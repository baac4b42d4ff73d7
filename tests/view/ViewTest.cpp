// The view's commands, menu states, keys, pen input, waypoint entry, calibration
// taps and monitor records, with real map files in temporary folders.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "app/CommandIds.h"
#include "platform/Process.h"
#include "platform/testing/RecordingSound.h"
#include "view/ViewFixture.h"

using namespace korvance;
using korvance::testing::readText;
using korvance::testing::TempDir;
using korvance::testing::ViewEnv;

namespace {

CommandState stateOf(CKorvanceView& v, uint16_t id) {
    CommandState s;
    v.onUpdate(id, s);
    return s;
}

}  // namespace

TEST(ViewCommands, TogglesAndMenuStates) {
    struct Case {
        uint16_t id;
        int CKorvanceView::*field;
        int initial;
        bool erases;
    };
    const Case cases[] = {
        {cmd::ViewTrack, &CKorvanceView::showTrack, 1, true},
        {cmd::ViewWaypoint, &CKorvanceView::showWaypoint, 1, true},
        {cmd::ViewRoute, &CKorvanceView::showRoute, 1, true},
        {cmd::ViewDataField, &CKorvanceView::showDataField, 0, true},
        {cmd::Zoom, &CKorvanceView::zoomMode, 0, false},
        {cmd::Shift, &CKorvanceView::shiftMode, 0, false},
        {cmd::Ctrl, &CKorvanceView::ctrlMode, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        ViewEnv e;
        EXPECT_TRUE(e.view.handles(c.id));
        EXPECT_EQ(e.view.*c.field, c.initial);
        EXPECT_EQ(stateOf(e.view, c.id).checked, c.initial == 1);
        e.view.onCommand(c.id);
        EXPECT_EQ(e.view.*c.field, !c.initial);
        EXPECT_EQ(stateOf(e.view, c.id).checked, c.initial != 1);
        EXPECT_EQ(e.host.erases, c.erases ? 1 : 0);
    }
    // Zoom is refused over a map image; Current Position only after the map was moved
    // (Mark Waypoint only while navigating is the main window's test).
    ViewEnv e;
    ASSERT_TRUE(e.loadFlatMap(5, 5, 100));
    e.view.onCommand(cmd::Zoom);
    EXPECT_EQ(e.view.zoomMode, 0);
    EXPECT_FALSE(stateOf(e.view, cmd::CurrentPosition).enabled);
    e.view.followPosition = 0;
    EXPECT_TRUE(stateOf(e.view, cmd::CurrentPosition).enabled);
    e.view.onCommand(cmd::CurrentPosition);
    EXPECT_EQ(e.view.followPosition, 2);
}

TEST(ViewCommands, ViewRectangleShrinksForTheDataFieldOnlyWhileNavigating) {
    struct Case {
        ClientRect client;
        bool dataField, navigating;
        ClientRect expected;
    };
    const Case cases[] = {
        {{0, 0, 400, 300}, true, false, {0, 0, 400, 300}},
        {{0, 0, 400, 300}, false, true, {0, 0, 400, 300}},
        {{0, 0, 400, 300}, true, true, {0, 0, 310, 286}},
        {{0, 0, 300, 300}, true, true, {0, 0, 210, 286}},  // square counts as landscape
        {{0, 0, 240, 320}, true, true, {0, 0, 240, 238}},
    };
    for (const Case& c : cases) {
        ViewEnv e;
        e.host.client = c.client;
        e.view.takeOrientation();
        e.view.showDataField = c.dataField;
        e.view.nmeaNavigation = c.navigating;
        const ClientRect r = e.view.viewRect();
        EXPECT_EQ(r.right, c.expected.right);
        EXPECT_EQ(r.bottom, c.expected.bottom);
    }
}

TEST(ViewPen, TapsWhileNavigatingDragsAndZoom) {
    {  // a tap silences the alarm (that it stops following is the navigation test's)
        ViewEnv e;
        e.view.monitorActive = 1;
        RecordingSound sound;
        e.view.navigation.alarm.update(true, 0.1, 200, sound, "a.wav");
        e.view.penDown(10, 10, false, false);
        EXPECT_EQ(e.view.navigation.alarm.state(), WaypointAlarmState::Silenced);
    }
    struct Zoom {
        bool shift, shiftMode;
        double extent;
    };
    for (const Zoom z : {Zoom{false, false, 0.5}, Zoom{true, false, 2.0}, Zoom{false, true, 2.0}}) {
        ViewEnv e;
        e.plainWindow();
        e.view.onCommand(cmd::Zoom);
        e.view.shiftMode = z.shiftMode;
        e.view.penDown(75, 75, false, z.shift);  // 35.75 N, 139.25 E
        double top, bottom, left, right;
        ASSERT_TRUE(e.doc.maps().GetWindowBounds(top, bottom, left, right));
        EXPECT_DOUBLE_EQ(top - bottom, z.extent);
        EXPECT_DOUBLE_EQ(right - left, z.extent);
        EXPECT_DOUBLE_EQ((top + bottom) / 2, 35.5);  // about the window's own centre
        const MapPoint p = e.doc.maps().GeoToView(35.75, 139.25);
        EXPECT_EQ(p, (MapPoint{150, 150}));  // the tapped place comes to the middle
        EXPECT_EQ(e.view.dragging, 0);
    }
    for (const bool shiftMode : {false, true}) {
        ViewEnv e;
        ASSERT_TRUE(e.loadFlatMap(5, 5, 200, 12));
        MapSet& maps = e.doc.maps();
        maps.SetScrollOrigin(50, 50, e.view.viewRect());
        e.view.shiftMode = shiftMode;
        e.view.penDown(100, 100, false, false);
        EXPECT_EQ(e.view.dragging, 1);
        e.view.penMove(96, 98, true, false, false);
        e.view.penUp(94, 98, false, false);
        const int k = shiftMode ? 5 : 1;
        EXPECT_EQ(maps.originX(), 50 + 6 * k);
        EXPECT_EQ(maps.originY(), 50 + 2 * k);
        EXPECT_EQ(e.view.dragging, 0);
        EXPECT_EQ(e.view.lastPenX, -9999);
    }
}

TEST(ViewKeys, DigitsArrowsAndTheMapChooser) {
    TempDir dir;
    for (const char* m : {"a", "b", "c"})
        korvance::testing::makeFlatMap(dir.file(std::string("maps/") + m), 3, 3, 8, 8, "png");
    korvance::testing::putFile(dir.file("maps/three.lst"),
                               "Map List for Korvan CE\r\n101\r\na\\mapinfo.dat\r\nb\\mapinfo.dat\r\nc\\mapinfo.dat\r\n");
    ViewEnv e;
    MapSet& maps = e.doc.maps();
    ASSERT_TRUE(maps.LoadMapList(dir.file("maps/three.lst"), e.doc.codePage()));
    auto folder = [&] { return maps.hasMap() ? maps.mapFolder() : std::string(); };

    e.view.character('5');  // no fifth map: nothing happens
    EXPECT_EQ(folder(), "");
    EXPECT_EQ(e.doc.settings().AutoMapChange, 1u);
    e.view.character('1');
    EXPECT_EQ(folder(), dir.file("maps/a/"));
    EXPECT_EQ(e.doc.settings().AutoMapChange, 0u);
    e.view.character('0');
    EXPECT_EQ(folder(), dir.file("maps/a/"));
    EXPECT_EQ(e.doc.settings().AutoMapChange, 1u);
    e.view.keyDown(ViewKey::Down);
    EXPECT_EQ(folder(), dir.file("maps/b/"));
    EXPECT_EQ(e.doc.settings().AutoMapChange, 0u);
    e.view.keyDown(ViewKey::Up);
    EXPECT_EQ(folder(), dir.file("maps/a/"));
    e.view.keyDown(ViewKey::Up);  // no entry before the first
    EXPECT_EQ(folder(), dir.file("maps/a/"));

    e.viewDialogs.mapAnswers = {std::nullopt, size_t{2}};
    e.view.keyDown(ViewKey::Enter);  // Cancel
    EXPECT_EQ(folder(), dir.file("maps/a/"));
    e.view.keyDown(ViewKey::Enter);
    EXPECT_EQ(folder(), dir.file("maps/c/"));
    EXPECT_EQ(maps.list().current(), 2u);
    ASSERT_EQ(e.viewDialogs.mapListsShown.size(), 2u);
    EXPECT_EQ(e.viewDialogs.mapListsShown[0],
              (std::vector<std::string>{"a/mapinfo.dat", "b/mapinfo.dat", "c/mapinfo.dat"}));

    struct Name {
        const char* path;
        const char* shown;
    };
    for (const Name n : {Name{"maps\\area1\\mapinfo.dat", "area1\\mapinfo.dat"}, Name{"x\\mapinfo.dat", "\\mapinfo.dat"},
                         Name{"mapinfo.dat", "apinfo.dat"}})
        EXPECT_EQ(CKorvanceView::lastTwoComponents(n.path), n.shown);
}

TEST(ViewWaypointEntry, FormInBothModesAndWhereTheWaypointGoes) {
    struct Case {
        const char* name;
        uint32_t utm;
        std::string zone, first, second;  // typed into the form
        double latitude, longitude;       // expected
    };
    const Case cases[] = {
        {"degrees", 0, "", "35^30'00\"", "139^15'00\"", 35.5, 139.25},
        {"zone 5 reads letter N", 1, "5", "500000.00", "0.00", 0.0, -153.0},
        {"zone 54S", 1, "54S", "500000.00", "0.00", 0.0, 141.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ViewEnv e;
        e.plainWindow();
        e.doc.settings().CoordinateUTM = c.utm;
        e.dialogs.forms.push_back([&](WaypointForm& f) {
            f.zone = c.zone;
            f.first = c.first;
            f.second = c.second;
            f.comment = "by tap";
            return true;
        });
        e.view.penDown(150, 150, true, false);  // Ctrl+tap at 35.5 N, 139.5 E
        ASSERT_EQ(e.dialogs.formsShown.size(), 1u);
        const WaypointForm& shown = e.dialogs.formsShown[0];
        EXPECT_EQ(shown.symbol, "18");
        EXPECT_EQ(shown.identifier, "W00000");
        if (c.utm) {
            EXPECT_EQ(shown.zoneLabel, "Zone");
            EXPECT_EQ(shown.firstLabel, "Easting");
            EXPECT_EQ(shown.secondLabel, "Northing");
            EXPECT_EQ(shown.zone, "54S");
        } else {
            EXPECT_EQ(shown.zoneLabel, "");
            EXPECT_EQ(shown.firstLabel, "Latitude");
            EXPECT_EQ(shown.secondLabel, "Longitude");
            EXPECT_EQ(shown.first, "35^30'00.00\"");
        }
        ASSERT_EQ(e.doc.waypoints().count(), 1u);
        EXPECT_NEAR(e.doc.waypoints().latitude(0), c.latitude, 1e-6);
        EXPECT_NEAR(e.doc.waypoints().longitude(0), c.longitude, 1e-6);
        EXPECT_EQ(e.doc.waypoints().comment(0), "by tap");
        EXPECT_EQ(e.doc.waypoints().symbol(0), 18);
        EXPECT_TRUE(e.doc.isModified());
    }
    {  // Cancel adds nothing; Mark Waypoint with an empty track only beeps
        ViewEnv e;
        e.view.inputWaypointAt(35, 139);
        EXPECT_EQ(e.doc.waypoints().count(), 0u);
        e.view.monitorActive = 1;
        e.view.onCommand(cmd::MarkWaypoint);
        EXPECT_EQ(e.prompt.beeps, std::vector<BeepKind>{BeepKind::Simple});
        EXPECT_TRUE(e.dialogs.formsShown.size() == 1);
        e.addTrack({{35.1, 139.1}, {35.2, 139.2}});
        e.dialogs.forms.push_back([](WaypointForm&) { return true; });
        e.view.onCommand(cmd::MarkWaypoint);
        ASSERT_EQ(e.doc.waypoints().count(), 1u);
        EXPECT_NEAR(e.doc.waypoints().latitude(0), 35.2, 1e-6);
    }
}

TEST(ViewCommands, CreateRouteGotoAndJump) {
    ViewEnv e;
    e.plainWindow();
    e.dialogs.routeNumberTexts = {std::nullopt, "3"};
    e.view.onCommand(cmd::CreateRoute);  // Cancel
    EXPECT_EQ(e.view.createRouteMode, 0);
    e.view.onCommand(cmd::CreateRoute);
    EXPECT_EQ(e.view.createRouteMode, 1);
    ASSERT_EQ(e.doc.routes().routeCount(), 4u);
    EXPECT_EQ(e.doc.routes().routeName(3), "ROUTE-03");
    EXPECT_EQ(e.doc.currentRoute, 3u);
    e.dialogs.forms.push_back([](WaypointForm&) { return true; });
    e.view.penDown(150, 150, true, false);
    EXPECT_EQ(e.doc.routes().routeWaypointCount(3), 1u);
    EXPECT_EQ(e.doc.waypoints().count(), 1u);
    e.view.onCommand(cmd::CreateRoute);  // off again, no question
    EXPECT_EQ(e.view.createRouteMode, 0);
    EXPECT_EQ(std::count(e.dialogs.opened.begin(), e.dialogs.opened.end(), "Select Route No."), 2);
    e.view.monitorActive = 1;
    e.view.onCommand(cmd::CreateRoute);  // refused while a navigation mode runs
    EXPECT_EQ(e.view.createRouteMode, 0);
    EXPECT_EQ(e.prompt.beeps.back(), BeepKind::Simple);
    e.view.monitorActive = 0;

    e.dialogs.waypointPicks = {0u, std::nullopt, 0u};
    e.view.onCommand(cmd::Goto);
    EXPECT_EQ(e.view.navigation.gotoIndex, 0);
    CommandState s;
    e.view.onUpdate(cmd::Goto, s);
    EXPECT_TRUE(s.checked);
    e.view.onCommand(cmd::Goto);
    EXPECT_EQ(e.view.navigation.gotoIndex, -1);
    e.doc.maps().SetScrollOrigin(40, 40, e.view.viewRect());
    e.view.onCommand(cmd::Jump);
    EXPECT_EQ(e.doc.maps().GeoToView(35.5, 139.5), (MapPoint{150, 150}));
}

TEST(ViewCalibration, TheDialogueOfTwoTaps) {
    ViewEnv e;
    ASSERT_TRUE(e.loadFlatMap(3, 3, 100, 4));
    const std::string info = e.mapDir.file("m/mapinfo.dat");
    e.doc.waypoints().add(e.prompt, "TOWER", 35.75, 139.25, "", 18, 0, 0, 0);
    const std::string before = readText(info);
    auto apply = [&](const char* lon, const char* lat) {
        e.viewDialogs.calibrateAnswers.push_back([=](CalibrateMapForm& f) {
            (f.settingPoint1 ? f.p1Longitude : f.p2Longitude) = lon;
            (f.settingPoint1 ? f.p1Latitude : f.p2Latitude) = lat;
            return true;
        });
    };
    // First tap (Ctrl+Shift) sets point 1 from the waypoint drop-down: never asks.
    e.viewDialogs.calibrateAnswers.push_back([](CalibrateMapForm& f) {
        f.chooseWaypoint(0);
        return true;
    });
    e.view.penDown(75, 75, true, true);
    ASSERT_EQ(e.viewDialogs.calibrateShown.size(), 1u);
    EXPECT_TRUE(e.viewDialogs.calibrateShown[0].settingPoint1);
    EXPECT_EQ(e.viewDialogs.calibrateShown[0].p1x, 75);
    ASSERT_EQ(e.viewDialogs.calibrateShown[0].waypoints.size(), 1u);
    EXPECT_EQ(e.viewDialogs.calibrateShown[0].waypoints[0].identifier, "TOWER");
    EXPECT_TRUE(e.prompt.shown.empty());
    // Second tap asks; No keeps asking at every later tap.
    apply("139^45'00\"", "35^15'00\"");
    e.prompt.addAnswer(Answer::No);
    e.view.penDown(225, 225, true, true);
    EXPECT_FALSE(e.viewDialogs.calibrateShown[1].settingPoint1);
    ASSERT_EQ(e.prompt.shown.size(), 1u);
    EXPECT_EQ(e.prompt.shown[0].text, "Update datfile?");
    EXPECT_EQ(readText(info), before);
    apply("139^15'00\"", "35^45'00\"");
    e.prompt.addAnswer(Answer::No);
    e.view.penDown(75, 75, true, true);
    EXPECT_EQ(e.prompt.shown.size(), 2u);
    // Cancel changes nothing: the next tap still sets point 2.
    e.view.penDown(225, 225, true, true);
    EXPECT_FALSE(e.viewDialogs.calibrateShown[3].settingPoint1);
    EXPECT_EQ(e.prompt.shown.size(), 2u);
    // Yes writes the map pixels (75, 75) and (225, 225) as 35.75/139.25 and 35.25/139.75.
    apply("139^45'00\"", "35^15'00\"");
    e.prompt.addAnswer(Answer::Yes);
    e.view.penDown(225, 225, true, true);
    EXPECT_EQ(e.prompt.shown.size(), 3u);
    EXPECT_EQ(e.view.calibration2.x, 0);
    EXPECT_EQ(e.view.calibration1.latitude, 0.0);
    MapInfo written;
    ASSERT_EQ(ParseMapInfo(info, written), MapInfoResult::Ok);
    EXPECT_NEAR(written.top, 36.0, 1e-8);
    EXPECT_NEAR(written.left, 139.0, 1e-8);
    EXPECT_NEAR(written.bottom, 35.0, 1e-8);
    EXPECT_NEAR(written.right, 140.0, 1e-8);
    // A tap on no tile is refused with a beep.
    ViewEnv none;
    none.view.penDown(5, 5, true, true);
    EXPECT_EQ(none.prompt.beeps, std::vector<BeepKind>{BeepKind::Simple});
}

TEST(ViewMonitor, RecordsAndTheMonitorRun) {
    ViewEnv e;
    std::vector<std::array<double, 4>> ticks;
    e.view.ticked = [&](const TickResult& t) {
        ticks.push_back({t.fix.latitude, t.fix.longitude, t.fix.height, double(t.fix.unixTime)});
    };
    EXPECT_FALSE(e.view.monitorMessage(kMonitorLatitude, 921600));  // not running: refused
    e.view.monitorActive = 1;
    EXPECT_TRUE(e.view.monitorMessage(kMonitorLatitude, 921600));
    EXPECT_TRUE(e.view.monitorMessage(kMonitorLongitude, -921600 * 2));
    EXPECT_TRUE(e.view.monitorMessage(kMonitorHeight, 120));
    EXPECT_TRUE(e.view.monitorMessage(kMonitorTime, 5000));
    EXPECT_TRUE(e.view.monitorMessage(77, 1));  // unknown items are ignored
    EXPECT_TRUE(e.view.monitorMessage(kMonitorCommit, 0));
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_DOUBLE_EQ(ticks[0][0], 1.0);
    EXPECT_DOUBLE_EQ(ticks[0][1], -2.0);
    EXPECT_EQ(ticks[0][2], 120.0);
    EXPECT_EQ(ticks[0][3], 5000.0);
    e.view.tickBusy = 1;
    EXPECT_FALSE(e.view.monitorMessage(kMonitorCommit, 0));
}

namespace {
struct RecordingProcess : Process {
    std::vector<std::pair<std::string, std::string>> started;
    bool ok = true;
    bool start(const std::string& program, const std::string& arguments) override {
        started.emplace_back(program, arguments);
        return ok;
    }
};
}  // namespace

TEST(ViewMonitor, RunNmeaMonitorStartsLogsAndEnds) {
    ViewEnv e;
    RecordingProcess process;
    CKorvanceView view(e.doc, e.host, e.dialogs, e.viewDialogs, &process);
    view.createRouteMode = 1;
    view.onCommand(cmd::RunNmeaMonitor);  // refused while creating a route
    EXPECT_EQ(e.prompt.beeps, std::vector<BeepKind>{BeepKind::Asterisk});
    view.createRouteMode = 0;
    view.onCommand(cmd::RunNmeaMonitor);  // no monitor registered: the log starts, nothing runs
    EXPECT_TRUE(process.started.empty());
    EXPECT_EQ(view.monitorActive, 0);
    e.doc.trackLog().stop();
    e.doc.trackLog().track.reset();
    e.doc.settings().NMEAMonitorPath = "/opt/monitor";
    view.onCommand(cmd::RunNmeaMonitor);
    ASSERT_EQ(process.started.size(), 1u);
    EXPECT_EQ(process.started[0].first, "/opt/monitor");
    EXPECT_EQ(process.started[0].second, "KorvanCE beef" + std::string(20, ' '));
    EXPECT_EQ(view.monitorActive, 1);
    EXPECT_TRUE(e.doc.trackLogging());
    e.doc.trackLog().append(35, 139, 0, 0, e.clock);
    e.host.running = true;
    view.onCommand(cmd::RunNmeaMonitor);  // still running: nothing more
    EXPECT_EQ(view.monitorActive, 1);
    e.host.running = false;
    view.onCommand(cmd::RunNmeaMonitor);  // ended: the run ends
    EXPECT_EQ(view.monitorActive, 0);
    EXPECT_FALSE(e.doc.trackLogging());
    EXPECT_TRUE(e.doc.isModified());
}
