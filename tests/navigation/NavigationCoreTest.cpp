// Route following, the waypoint alarm and the data field's figures, on a real
// document with waypoints, routes and a live track log.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "navigation/NavigationFigures.h"
#include "navigation/RouteNavigator.h"
#include "navigation/WaypointAlarmState.h"
#include "platform/testing/RecordingSound.h"
#include "support/DocFixture.h"

namespace korvance {
namespace {

// Positions along the meridian 139.0 E, given in kilometres north of 35.0 N
// (the document's datum measures on a sphere of its semi-major axis).
struct Fixture : korvance::testing::DocFixture {
    double kmPerDegree() const { return doc.datum().DistanceKm(35.0, 139.0, 36.0, 139.0); }
    GeoPosition north(double km) const { return {35.0 + km / kmPerDegree(), 139.0}; }

    // Route `r` with waypoints `kms` kilometres north; its index.
    uint32_t addRoute(const std::vector<double>& kms) {
        const uint32_t r = doc.routes().appendRoute(prompt) - 1;
        for (size_t i = 0; i < kms.size(); ++i) {
            const GeoPosition p = north(kms[i]);
            doc.routes().appendWaypoint(prompt, r, "RW" + std::to_string(i), p.latitude, p.longitude, "", 0, 0, 0,
                                        0);
        }
        return r;
    }
    void addWaypoint(const std::string& id, double km) {
        const GeoPosition p = north(km);
        doc.waypoints().add(prompt, id, p.latitude, p.longitude, "", 0, 0, 0, 0);
    }
    void startTrack() { ASSERT_TRUE(doc.trackLog().start(100, prompt, clock)); }
    void appendTrack(double km, uint32_t afterMs) {
        clock.advanceMs(afterMs);
        const GeoPosition p = north(km);
        doc.trackLog().append(p.latitude, p.longitude, 0, 0, clock);
    }
};

TEST(RouteNavigatorTest, FollowsRouteByReachAndPassing) {
    struct Row {
        const char* what;
        std::vector<double> route;  // waypoint positions, km north
        bool invert;
        std::vector<double> track;        // positions of successive ticks, km north
        std::vector<int> currentAfter;    // navigator's index after each tick
        std::vector<bool> advancedAfter;
    };
    const std::vector<Row> rows = {
        {"closest 0.2 km then 0.61 km: passed", {1, 20}, false,
         {0.0, 0.5, 0.8, 1.0 + 0.4, 1.0 + 0.61}, {0, 0, 0, 0, 1}, {false, false, false, false, true}},
        {"0.6 km after 0.2 km is not yet passed", {1, 20}, false, {0.8, 1.59}, {0, 0}, {false, false}},
        {"inverted starts at the last waypoint", {0, 5, 10}, true, {20.0, 10.05, 5.0}, {2, 1, 0}, {false, true, true}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Fixture f;
        const uint32_t r = f.addRoute(row.route);
        auto nav = BeginRouteNavigation(f.doc.routes(), f.doc.currentRoute, f.prompt, 100, r, row.invert);
        ASSERT_TRUE(nav);
        for (size_t i = 0; i < row.track.size(); ++i) {
            const AlarmDistance d = AlarmDistanceAt(f.doc.datum(), f.doc.waypoints(), f.doc.routes(), -1, nav.get(),
                                                    f.north(row.track[i]), 1000);
            EXPECT_EQ(nav->current(), row.currentAfter[i]) << "tick " << i;
            EXPECT_EQ(d.advanced, row.advancedAfter[i]) << "tick " << i;
        }
    }
}

TEST(RouteNavigatorTest, StepsByHandWithinTheRoute) {
    struct Row {
        bool reverse;
        std::string steps;  // F next, B previous
        std::vector<int> currents;
    };
    const std::vector<Row> rows = {
        {false, "FFFBBB", {1, 2, 2, 1, 0, 0}},
        {true, "FFFBBB", {1, 0, 0, 1, 2, 2}},
    };
    for (const Row& row : rows) {
        RouteNavigator nav(100);
        nav.setReverse(row.reverse);
        nav.begin(0, 3);
        for (size_t i = 0; i < row.steps.size(); ++i)
            EXPECT_EQ(row.steps[i] == 'F' ? nav.next() : nav.previous(), row.currents[i]) << row.steps << " " << i;
    }
    // Stepping forgets the closest approach: 0.61 km after a step is no pass.
    RouteNavigator nav(100);
    nav.begin(0, 3);
    EXPECT_FALSE(nav.reached(0.2));
    nav.next();
    EXPECT_FALSE(nav.reached(0.61));
}

// The choices of the chooser (cancelled, a route, inverted, an empty route) go
// through the view's command; a number beyond the list only comes this way.
TEST(RouteNavigatorTest, ARouteBeyondTheListIsRefused) {
    Fixture f;
    EXPECT_EQ(BeginRouteNavigation(f.doc.routes(), f.doc.currentRoute, f.prompt, 100, 3u, false), nullptr);
    EXPECT_EQ(f.doc.currentRoute, 0u);
    EXPECT_EQ(f.prompt.texts(), std::vector<std::string>{"No Available Route"});
}

TEST(WaypointAlarmTest, SoundsEveryTickUntilTappedOrLeft) {
    struct Step {
        char action;     // 't' tick at km, 'x' tap
        double km;       // position, km north (target at 0)
        bool sounds;
        int state;
    };
    struct Row {
        const char* what;
        bool alarmOn;
        bool useGoto;  // else the nearest waypoint of the list
        std::vector<Step> steps;
    };
    const std::vector<Row> rows = {
        // Tapped, silenced, left and met again: the navigation tick's test, on a route.
        {"goto at 150 m of 200", true, true, {{'t', 0.15, true, 1}, {'t', 0.21, false, 0}}},
        {"alarm off", false, true, {{'t', 0.15, false, 0}}},
        {"nearest waypoint", true, false, {{'t', 0.19, true, 1}, {'t', 0.21, false, 0}, {'x', 0, false, 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Fixture f;
        f.addWaypoint("FAR", 50);
        f.addWaypoint("GOAL", 0);
        RecordingSound sound;
        WaypointAlarmState alarm;
        size_t played = 0;
        for (const Step& s : row.steps) {
            if (s.action == 'x') {
                alarm.tap();
            } else {
                const AlarmDistance d = AlarmDistanceAt(f.doc.datum(), f.doc.waypoints(), f.doc.routes(),
                                                        row.useGoto ? 1 : -1, nullptr, f.north(-s.km), 200);
                EXPECT_EQ(alarm.update(row.alarmOn, d.km, 200, sound, "alarm.wav"), s.sounds) << s.km;
                if (s.sounds) ++played;
            }
            EXPECT_EQ(alarm.state(), s.state) << s.action << " " << s.km;
            EXPECT_EQ(sound.played.size(), played);
        }
    }
}

TEST(DataFieldTest, FiguresAsTexts) {
    struct Row {
        uint32_t unit;
        double speedKmh;
        int track;
        double distanceKm;
        double bearing;
        int relative;
        const char* speed;
        const char* trackText;
        const char* distance;
        const char* bearingText;
        const char* ete;
    };
    const std::vector<Row> rows = {
        {0, 60, 0, 2.0, 61, 61, "60.0", "000", "2.00", "061", "--:--:--"},
        {0, 60, 0, 2.0, 299, -61, "60.0", "000", "2.00", "299", "--:--:--"},
        {0, 60, 0, 2.0, 60, 60, "60.0", "000", "2.00", "060", "00:04:00"},
        {0, 60, 10, 2.0, 349.6, -20, "60.0", "010", "2.00", "350", "00:02:07"},
        {0, 60, 350, 2.0, 10, 20, "60.0", "350", "2.00", "010", "00:02:07"},
        {2, 0.15, 0, 1.0, 0, 0, "0.1", "000", "0.54", "000", "--:--:--"},
        {1, 100, 5, 2.0, 5, 0, "62.1", "005", "1.24", "005", "00:01:12"},
        {0, 0.05, 0, 1.0, 0, 0, "0.1", "000", "1.00", "000", "--:--:--"},
        {0, 1.0, 0, 100.0, 0, 0, "1.0", "000", "100.00", "000", "100:00:00"},
        {3, 60, 0, 2.0, 0, 0, "60.0", "000", "2.00", "000", "00:02:00"},  // no such system: metric
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.unit << " " << row.speedKmh << " " << row.bearing);
        NavigationFigures f;
        f.speedKmh = row.speedKmh;
        f.track = row.track;
        f.hasTarget = true;
        f.targetName = "GOAL";
        SetTargetFigures(f, row.distanceKm, row.bearing);
        EXPECT_EQ(f.relative, row.relative);
        const DataFieldTexts t = DataFieldTextsOf(f, row.unit);
        EXPECT_EQ(t.speed, row.speed);
        EXPECT_EQ(t.track, row.trackText);
        EXPECT_EQ(t.target, "GOAL");
        EXPECT_EQ(t.distance, row.distance);
        EXPECT_EQ(t.bearing, row.bearingText);
        EXPECT_EQ(t.ete, row.ete);
    }
    EXPECT_EQ(DataFieldTextsOf({}, 2).speedLabel, "Speed [kt]");
    EXPECT_EQ(DataFieldTextsOf({}, 1).distanceLabel, "Distance[mile]");
}

TEST(DataFieldTest, FiguresFromTheTrackAndTarget) {
    struct Row {
        const char* what;
        int gotoIndex;
        bool route;
        std::vector<double> track;  // km north, one minute apart
        DataFieldTexts expected;
    };
    auto texts = [](std::string speed, std::string track, std::string target, std::string distance,
                    std::string bearing, std::string ete) {
        return DataFieldTexts{"Speed [km/h]", "Distance[km]", speed, track, target, distance, bearing, ete};
    };
    const std::vector<Row> rows = {
        {"no target", -1, false, {0, 1}, texts("60.0", "000", "", "", "", "")},
        {"goto, empty track", 1, false, {}, texts("0.0", "000", "GOAL", "", "", "")},
        {"deleted goto falls back to the route", 7, true, {0, 1}, texts("60.0", "000", "RW1", "4.00", "000",
                                                                         "00:04:00")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Fixture f;
        f.addWaypoint("BACK", -1.0);
        f.addWaypoint("GOAL", 3.001);
        const uint32_t r = f.addRoute({0.5, 5.001});
        std::unique_ptr<RouteNavigator> nav;
        if (row.route) {
            nav = BeginRouteNavigation(f.doc.routes(), f.doc.currentRoute, f.prompt, 100, r, false);
            nav->next();
        }
        f.startTrack();
        for (double km : row.track) f.appendTrack(km, 60000);
        BearingMemory memory;
        const NavigationFigures figures =
            ComputeFigures(f.doc.trackLog(), f.doc.datum(), memory,
                           TargetOf(f.doc.waypoints(), f.doc.routes(), row.gotoIndex, nav.get()));
        const DataFieldTexts t = DataFieldTextsOf(figures, 0);
        EXPECT_EQ(t.speedLabel, row.expected.speedLabel);
        EXPECT_EQ(t.speed, row.expected.speed);
        EXPECT_EQ(t.track, row.expected.track);
        EXPECT_EQ(t.target, row.expected.target);
        EXPECT_EQ(t.distance, row.expected.distance);
        EXPECT_EQ(t.bearing, row.expected.bearing);
        EXPECT_EQ(t.ete, row.expected.ete);
    }
}

TEST(DataFieldTest, PointerTurnsWithTheRelativeBearing) {
    struct Row {
        int relative;
        std::array<int, 2> tip;
        std::array<int, 2> rightWing;
    };
    // Half a pixel is added before the cut toward zero, so -15 lands on -14.
    const std::vector<Row> rows = {
        {0, {55, 100 - 14}, {55 + 10, 100}},
        {90, {55 + 15, 100}, {55, 100 + 10}},
        {-90, {55 - 14, 100}, {55, 100 - 9}},
        {180, {55, 100 + 15}, {55 - 9, 100}},
    };
    for (const Row& row : rows) {
        const auto points = PointerPolyline(55, 100, row.relative);
        EXPECT_EQ(points[0], row.tip) << row.relative;
        EXPECT_EQ(points[7], row.tip) << row.relative;
        EXPECT_EQ(points[6], row.rightWing) << row.relative;
    }
}

}  // namespace
}  // namespace korvance
