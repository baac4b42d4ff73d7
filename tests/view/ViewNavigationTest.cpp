// The view's navigation: Garmin polling against the receiver simulator on a
// pseudo-terminal, NMEA navigation with positions handed in as the host's
// feed hands them, following the position over real maps, route navigation,
// and the data field in both orientations.

#include <gtest/gtest.h>


#include "app/CommandIds.h"
#include "maps/MapCommands.h"
#include "settings/Settings.h"
#include "sim/garmin/ReceiverSimulator.h"
#include "view/ViewFixture.h"

namespace korvance {
namespace {

using korvance::testing::TempDir;
using korvance::testing::ViewEnv;
using Op = RecordingCanvas::Op;

bool contains(const std::vector<std::string>& texts, const std::string& part) {
    for (const std::string& t : texts)
        if (t.find(part) != std::string::npos) return true;
    return false;
}

uint32_t points(const CKorvanceDoc& doc) {
    const TrackField* t = const_cast<CKorvanceDoc&>(doc).trackLog().track.get();
    return t ? t->pointCount() : 0;
}

NmeaPosition at(double latitude, double longitude, int64_t time = 1700000000) {
    NmeaPosition p;
    p.latitude = latitude;
    p.longitude = longitude;
    p.altitude = 10;
    p.time = p.utcTime = time;
    return p;
}

TEST(ViewNavigation, GarminPollingPacesReadsAndSurvivesAPulledReceiver) {
    struct Row {
        uint32_t logInterval;
        uint32_t periodMs;
    };
    for (const Row row : {Row{5, 5000}, Row{1000, 1000}}) {
        SCOPED_TRACE(row.logInterval);
        ViewEnv e;
        auto sim = StartReceiverSimulator(SimProfile::New);
        ASSERT_TRUE(sim);
        AppSettings& s = e.doc.settings();
        s.CommDevice = sim->devicePath();
        s.CommOpenWait = 0;
        s.Comm_WriteFile_Wait = 0;
        e.doc.logInterval = row.logInterval;
        e.addTrack({{35.0, 139.0}});  // kept: "Clear current track log?" is answered No
        e.prompt.addAnswer(Answer::No);
        e.view.onCommand(cmd::Navigation);
        ASSERT_EQ(e.view.navigationActive, 1) << ::testing::PrintToString(e.prompt.texts());
        EXPECT_EQ(e.prompt.texts(), std::vector<std::string>{"Clear current track log?"});
        EXPECT_TRUE(e.host.timer.active());
        EXPECT_EQ(e.host.timer.periodMs(), row.periodMs);
        EXPECT_EQ(e.view.trackStartCount, 1u);
        EXPECT_TRUE(e.doc.trackLogging());
        CommandState state;
        e.view.onUpdate(cmd::Navigation, state);
        EXPECT_TRUE(state.checked);
        // The other modes are refused while polling runs.
        e.view.onCommand(cmd::NmeaNavigation);
        e.view.onCommand(cmd::RunNmeaMonitor);
        EXPECT_EQ(e.prompt.beeps, std::vector<BeepKind>(2, BeepKind::Asterisk));
        EXPECT_EQ(e.host.nmeaStarts, 0);

        ASSERT_TRUE(e.host.timer.fire());
        EXPECT_EQ(points(e.doc), 2u);
        const TrackPoint& p = e.doc.trackLog().track->point(1);
        EXPECT_EQ(p.time, sim->data().track[0].time);  // the receiver's epoch
        EXPECT_NEAR(p.latitude, sim->data().track[0].latitude, 1e-9);
        EXPECT_NEAR(p.longitude, sim->data().track[0].longitude, 1e-9);
        EXPECT_FALSE(e.doc.isModified());

        sim.reset();  // the receiver is pulled out: the read fails at once
        e.prompt.clear();
        e.prompt.addAnswer(Answer::Yes);
        ASSERT_TRUE(e.host.timer.fire());
        EXPECT_EQ(e.prompt.texts(), std::vector<std::string>{kMsgReadPositionError});
        EXPECT_TRUE(e.host.timer.active());  // restarted with the same period
        EXPECT_EQ(e.host.timer.starts(), 2);
        EXPECT_EQ(e.host.timer.periodMs(), row.periodMs);
        EXPECT_TRUE(e.doc.isModified());  // the track grew
        e.prompt.addAnswer(Answer::No);
        ASSERT_TRUE(e.host.timer.fire());
        EXPECT_EQ(e.view.navigationActive, 0);
        EXPECT_FALSE(e.host.timer.active());
        EXPECT_FALSE(e.view.positionLink());
        EXPECT_FALSE(e.doc.trackLogging());
        EXPECT_EQ(points(e.doc), 2u);  // the track so far is kept
    }
    // A port that cannot be opened is named and nothing runs.
    ViewEnv e;
    e.doc.settings().CommDevice = "/dev/korvance-no-such-port";
    e.doc.settings().CommOpenWait = 0;
    e.view.onCommand(cmd::Navigation);
    EXPECT_EQ(e.view.navigationActive, 0);
    EXPECT_FALSE(e.host.timer.active());
    EXPECT_FALSE(e.doc.trackLogging());
    ASSERT_TRUE(e.prompt.last());
    EXPECT_NE(e.prompt.last()->text.find("/dev/korvance-no-such-port"), std::string::npos);
    EXPECT_EQ(e.prompt.last()->icon, Icon::Stop);
}

TEST(ViewNavigation, NmeaNavigationStartsTicksAndStops) {
    TempDir dir;
    korvance::testing::makeFlatMap(dir.file("m"), 5, 5, 100, 100, "png", 36, 139, 35, 140);
    ViewEnv e;
    e.view.showDataField = 1;
    e.view.clientResized();
    std::string mapPath;
    ASSERT_TRUE(OpenMap(e.doc.maps(), dir.file("m/mapinfo.dat"), mapPath, e.prompt).any());
    e.doc.settings().NMEABaudrate = 300;
    e.view.createRouteMode = 1;
    e.view.onCommand(cmd::NmeaNavigation);  // refused while creating a route
    EXPECT_EQ(e.prompt.beeps, std::vector<BeepKind>{BeepKind::Asterisk});
    e.view.createRouteMode = 0;

    e.host.nmeaOpens = false;  // the port is not there: said, and nothing runs
    e.view.onCommand(cmd::NmeaNavigation);
    EXPECT_EQ(e.view.nmeaNavigation, 0);
    EXPECT_FALSE(e.doc.trackLogging());
    EXPECT_TRUE(contains(e.prompt.texts(), "/dev/ttyNONE"));
    // The speed a receiver cannot have was mended, in the stored settings too.
    EXPECT_EQ(e.doc.settings().NMEABaudrate, 4800u);
    EXPECT_EQ(loadAppSettings(e.store).NMEABaudrate, 4800u);

    e.host.nmeaOpens = true;
    const int erases = e.host.erases;
    e.view.onCommand(cmd::NmeaNavigation);
    ASSERT_EQ(e.view.nmeaNavigation, 1);
    EXPECT_EQ(e.host.erases, erases + 1);
    EXPECT_EQ(e.view.trackStartCount, 0u);
    e.view.onCommand(cmd::Navigation);  // refused while NMEA runs
    EXPECT_EQ(e.prompt.beeps.size(), 2u);
    std::vector<TickResult> ticks;
    e.view.ticked = [&](const TickResult& t) { ticks.push_back(t); };
    EXPECT_TRUE(e.view.nmeaPosition(at(35.5, 139.5)));
    e.view.tickBusy = 1;
    EXPECT_FALSE(e.view.nmeaPosition(at(35.6, 139.5)));  // a tick runs already
    e.view.tickBusy = 0;
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_EQ(points(e.doc), 1u);
    EXPECT_EQ(e.doc.trackLog().track->point(0).time, 1700000000u - 631065600u);

    // Scrolled to the map's east edge beside the data field: once navigation
    // ends, the map fills the field's room again.
    MapSet& maps = e.doc.maps();
    maps.SetScrollOrigin(1 << 20, 0, e.view.viewRect());
    ASSERT_EQ(maps.ViewToMapPixel(e.view.viewRect().right - 1, 0).x, 499);
    e.view.onCommand(cmd::NmeaNavigation);
    EXPECT_EQ(e.view.nmeaNavigation, 0);
    EXPECT_EQ(maps.ViewToMapPixel(e.host.client.right - 1, 0).x, 499);
    // So does a window made wider at the map's edge.
    e.host.client.right = 400;
    e.view.clientResized();
    EXPECT_EQ(maps.ViewToMapPixel(e.host.client.right - 1, 0).x, 499);
    EXPECT_EQ(e.host.nmeaStops, 1);
    EXPECT_FALSE(e.doc.trackLogging());
    EXPECT_TRUE(e.doc.isModified());
    EXPECT_FALSE(e.view.nmeaPosition(at(35.5, 139.5)));  // a late hand-off changes nothing
    EXPECT_EQ(points(e.doc), 1u);

    // Closing the window ends a running reception.
    e.doc.trackLog().track.reset();
    e.view.onCommand(cmd::NmeaNavigation);
    ASSERT_EQ(e.view.nmeaNavigation, 1);
    e.view.closeNavigation();
    EXPECT_EQ(e.host.nmeaStops, 2);
    EXPECT_FALSE(e.doc.trackLogging());
}

TEST(ViewNavigation, FollowsThePositionByTheRules) {
    TempDir dir;
    // Two maps of 10 x 10 tiles: south 35..36 N and north 36..37 N.
    korvance::testing::makeFlatMap(dir.file("maps/south"), 10, 10, 200, 200, "png", 36, 139, 35, 140);
    korvance::testing::makeFlatMap(dir.file("maps/north"), 10, 10, 200, 200, "png", 37, 139, 36, 140);
    korvance::testing::putFile(dir.file("maps/all.lst"),
                               "Map List for Korvan CE\r\n102\r\nsouth\\mapinfo.dat\t1\r\nnorth\\mapinfo.dat\t2\r\n");
    ViewEnv e;
    AppSettings& s = e.doc.settings();
    s.AutoMapChange = 0;
    ASSERT_TRUE(OpenMapOrList(e.doc.maps(), dir.file("maps/all.lst"), e.doc.codePage(), s.MapPath, e.prompt)
                    .has(Changes::MapOpened));
    e.view.onCommand(cmd::NmeaNavigation);
    ASSERT_EQ(e.view.nmeaNavigation, 1);
    MapSet& maps = e.doc.maps();
    const double kmPerDegree = e.doc.datum().DistanceKm(35.0, 139.0, 36.0, 139.0);

    struct Row {
        const char* what;
        char action;   // 't' tick, 'c' Current Position, 'x' tap, 'a' CenteringAlways on
        double metres;  // north of 35.55 N
        bool centred;
        const char* map;  // folder of the map after the step
    };
    const Row rows[] = {
        {"the first tick centres", 't', 0, true, "south"},
        {"15 m does not", 't', 15, false, "south"},
        {"25 m from the last centring does", 't', 25, true, "south"},
        {"Current Position", 'c', 0, false, "south"},
        {"then even 0 m does", 't', 25, true, "south"},
        {"a tap stops following", 'x', 0, false, "south"},
        {"no centring and no map change", 't', 60000, false, "south"},
        {"Current Position again", 'c', 0, false, "south"},
        {"leaving the map changes it", 't', 60000, true, "north"},
        {"centring always", 'a', 0, false, "north"},
        {"0 m centres", 't', 60000, true, "north"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        maps.SetScrollOrigin(0, 0, e.view.viewRect());
        switch (row.action) {
            case 'c': e.view.onCommand(cmd::CurrentPosition); break;
            case 'x':
                e.view.penDown(10, 10, false, false);
                e.view.penUp(10, 10, false, false);
                break;
            case 'a': s.CenteringAlways = 1; break;
            default: EXPECT_TRUE(e.view.nmeaPosition(at(35.55 + row.metres / 1000 / kmPerDegree, 139.55)));
        }
        if (row.action == 'x' || row.action == 'c') maps.SetScrollOrigin(0, 0, e.view.viewRect());
        EXPECT_EQ(maps.originX() != 0 || maps.originY() != 0, row.centred);
        EXPECT_NE(maps.mapInfoPath().find(std::string("/") + row.map + "/"), std::string::npos) << maps.mapInfoPath();
    }
    EXPECT_EQ(e.view.followPosition, 1);
}

TEST(ViewNavigation, RouteNavigationChoosesStepsAndEnds) {
    struct Row {
        const char* what;
        std::optional<RouteChoice> choice;
        const char* message;  // "" none
        bool navigating;
        int current;
        uint32_t currentRoute;
    };
    const Row rows[] = {
        {"cancelled", std::nullopt, "", false, 0, 0},
        {"route 1", RouteChoice{1, false}, "", true, 0, 1},
        {"route 1 inverted", RouteChoice{1, true}, "", true, 2, 1},
        {"an empty route", RouteChoice{2, false}, "No Route Waypoint", false, 0, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ViewEnv e;
        CRouteField& routes = e.doc.routes();
        for (int r = 0; r < 3; ++r) routes.appendRoute(e.prompt);
        for (int i = 0; i < 3; ++i)
            routes.appendWaypoint(e.prompt, 1, "W" + std::to_string(i), 35 + i * 0.1, 139, "", 0, 0, 0, 0);
        e.dialogs.routeChoices.push_back(row.choice);
        e.view.onCommand(cmd::RouteNavigation);
        EXPECT_EQ(e.view.showDataField, 1);
        EXPECT_EQ(e.prompt.texts(), row.message[0] ? std::vector<std::string>{row.message} : std::vector<std::string>{});
        EXPECT_EQ(e.view.navigation.routeNavigator != nullptr, row.navigating);
        EXPECT_EQ(e.doc.currentRoute, row.currentRoute);
        CommandState state;
        e.view.onUpdate(cmd::RouteNavigation, state);
        EXPECT_EQ(state.checked, row.navigating);
        if (!row.navigating) {
            e.view.onCommand(cmd::NextRoutePoint);  // nothing to step
            continue;
        }
        RouteNavigator& nav = *e.view.navigation.routeNavigator;
        EXPECT_EQ(nav.current(), row.current);
        // Ctrl+F and Ctrl+B step in the direction of travel and stay inside the route.
        for (int i = 0; i < 3; ++i) e.view.onCommand(cmd::NextRoutePoint);
        EXPECT_EQ(nav.current(), row.current == 0 ? 2 : 0);
        e.view.onCommand(cmd::PreviousRoutePoint);
        EXPECT_EQ(nav.current(), 1);
        e.view.onCommand(cmd::RouteNavigation);  // ends it
        EXPECT_FALSE(e.view.navigation.routeNavigator);
        EXPECT_EQ(e.view.showDataField, 0);
    }
}

TEST(ViewNavigation, DataFieldInBothOrientations) {
    struct Place {
        int x, y;
        const char* text;
        bool value;
    };
    struct Row {
        const char* what;
        ClientRect client;
        CanvasPoint at;
        int width, height;
        std::vector<Place> places;
        CanvasPoint pointerTip;
    };
    const Row rows[] = {
        {"landscape", {0, 0, 400, 300}, {310, 0}, 90, 300,
         {{0, 0, "Speed [km/h]", false}, {0, 31, "Track [deg]", false}, {0, 62, "Goto", false},
          {0, 93, "Distance[km]", false}, {0, 124, "Bearing[deg]/Pointer", false}, {0, 155, "ETE", false},
          {0, 11, "60.0", true}, {0, 42, "000", true}, {0, 73, "TGT", true}, {0, 104, "2.00", true},
          {0, 135, "000", true}, {0, 166, "00:02:00", true}},
         {55, 153 - 14}},  // -15 + 0.5 cut toward zero
        {"portrait", {0, 0, 300, 500}, {0, 432}, 300, 68,
         {{0, 0, "Speed [km/h]", false}, {65, 0, "Track [deg]", false}, {120, 0, "Goto", false},
          {0, 34, "Distance[km]", false}, {65, 34, "Bearing[deg]", false}, {120, 34, "ETE", false},
          {0, 11, "60.0", true}, {75, 11, "000", true}, {120, 11, "TGT", true}, {0, 45, "2.00", true},
          {75, 45, "000", true}, {120, 45, "00:02:00", true}},
         {220, 50 - 14}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ViewEnv e;
        e.host.client = row.client;
        e.view.takeOrientation();
        e.plainWindow();
        e.view.showDataField = 1;
        e.view.onCommand(cmd::NmeaNavigation);
        ASSERT_EQ(e.view.nmeaNavigation, 1);
        // Northwards at 60 km/h (16.667 m a second); the target 2.0005 km dead ahead.
        const double kmPerDegree = e.doc.datum().DistanceKm(35.0, 139.0, 36.0, 139.0);
        const double step = 0.016666667 / kmPerDegree;
        e.doc.waypoints().add(e.prompt, "TGT", 35.0 + step + 2.0005 / kmPerDegree, 139.0, "", 0, 0, 0, 0);
        e.dialogs.waypointPicks.push_back(0u);
        e.view.onCommand(cmd::Goto);
        ASSERT_EQ(e.view.navigation.gotoIndex, 0);
        e.view.nmeaPosition(at(35.0, 139.0, 1700000000));
        e.clock.advanceMs(1000);
        e.view.nmeaPosition(at(35.0 + step, 139.0, 1700000001));

        RecordingCanvas canvas;
        e.view.paint(canvas);
        const auto strips = canvas.of(Op::Strip);
        ASSERT_EQ(strips.size(), 2u);
        const RecordingCanvas::Entry& field = *strips[1];
        EXPECT_EQ(field.points[0], row.at);
        EXPECT_EQ(field.strip.width, row.width);
        EXPECT_EQ(field.strip.height, row.height);
        ASSERT_EQ(field.strip.texts.size(), row.places.size());
        for (size_t i = 0; i < row.places.size(); ++i) {
            const MonoStrip::Text& t = field.strip.texts[i];
            const Place& p = row.places[i];
            EXPECT_EQ(t.text, p.text);
            EXPECT_EQ((CanvasPoint{t.x, t.y}), (CanvasPoint{p.x, p.y})) << p.text;
            EXPECT_EQ(t.font, p.value ? kDataFieldValueFont : kDataFieldLabelFont) << p.text;
        }
        ASSERT_EQ(field.strip.lines.size(), 1u);  // the pointer, straight up
        EXPECT_EQ(field.strip.lines[0].width, 3);
        ASSERT_EQ(field.strip.lines[0].points.size(), 8u);
        EXPECT_EQ(field.strip.lines[0].points[0], row.pointerTip);
    }
}

}  // namespace
}  // namespace korvance
