// The navigation tick over the monitor's source: a route driven to its end
// with the alarm, a tap, a full track log and a source without a fix.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CKorvanceDoc.h"
#include "navigation/NavigationTick.h"
#include "navigation/PositionSources.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/testing/RecordingSound.h"
#include "platform/testing/ScriptedPrompt.h"

namespace korvance {
namespace {

class CountingDisplay : public NavigationDisplay {
public:
    void follow(const PositionFix& fix) override { followed.push_back(fix.latitude); }
    void redraw() override { ++redraws; }
    std::vector<double> followed;
    int redraws = 0;
};

TEST(NavigationTick, DrivesARouteToItsEndWithTheAlarm) {
    MemorySettingsStore store;
    FixedClock clock;
    ScriptedPrompt prompt;
    CKorvanceDoc doc(store, clock, prompt);
    doc.settings().WaypointAlarm = 1;
    doc.settings().WaypointAlarmDistance = 200;
    doc.settings().AlarmFile = "alarm.wav";
    const double kmPerDegree = doc.datum().DistanceKm(35.0, 139.0, 36.0, 139.0);
    auto north = [&](double km) { return 35.0 + km / kmPerDegree; };
    const uint32_t r = doc.routes().appendRoute(prompt) - 1;
    for (double km : {0.0, 5.0, 10.0})
        doc.routes().appendWaypoint(prompt, r, "W" + std::to_string(int(km)), north(km), 139.0, "", 0, 0, 0, 0);
    ASSERT_TRUE(doc.trackLog().start(5, prompt, clock));

    RecordingSound sound;
    NavigationState nav(doc);
    nav.routeNavigator = BeginRouteNavigation(doc.routes(), doc.currentRoute, prompt, 100, r, false);
    ASSERT_TRUE(nav.routeNavigator);
    DeliveredPositionSource source;
    CountingDisplay display;

    EXPECT_FALSE(nav.tick(source, &display, sound).hadFix);  // nothing committed yet
    EXPECT_EQ(doc.trackLog().track->pointCount(), 0u);

    struct Row {
        char action;  // 't' tick at km, 'x' tap
        double km;
        int current;
        bool advanced;
        bool appended;
        bool sounded;
        int state;
    };
    const std::vector<Row> rows = {
        {'t', 0.09, 1, true, true, true, 1},     // inside reach (100 m) and alarm of W0
        {'t', 4.85, 1, false, true, true, 1},    // 150 m before W5
        {'x', 0, 1, false, false, false, 2},     // tapped
        {'t', 4.85, 1, false, true, false, 2},    // silenced
        {'t', 4.91, 2, true, true, false, 2},     // W5 reached, still silenced
        {'t', 9.0, 2, false, true, false, 0},     // the fifth point fills the track; alarm idle
        {'t', 9.91, 2, false, false, true, 1},    // dropped; the last waypoint stays, the alarm goes on
    };
    int ticks = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.action << " " << row.km);
        if (row.action == 'x') {
            EXPECT_TRUE(nav.alarm.tap());
        } else {
            clock.advanceMs(1000);
            source.commit({north(row.km), 139.0, 12.0, 1700000000 + ticks, std::nullopt, std::nullopt});
            const TickResult t = nav.tick(source, &display, sound);
            ++ticks;
            EXPECT_TRUE(t.ran && t.hadFix);
            EXPECT_EQ(t.alarm.advanced, row.advanced);
            EXPECT_EQ(t.appended, row.appended);
            EXPECT_EQ(t.sounded, row.sounded);
        }
        EXPECT_EQ(nav.routeNavigator->current(), row.current);
        EXPECT_EQ(nav.alarm.state(), row.state);
    }
    EXPECT_EQ(sound.played, std::vector<std::string>(3, "alarm.wav"));
    EXPECT_EQ(display.redraws, ticks);
    ASSERT_EQ(doc.trackLog().track->pointCount(), 5u);
    const TrackPoint& first = doc.trackLog().track->point(0);
    EXPECT_EQ(first.time, 1700000000u - 631065600u);
    EXPECT_FLOAT_EQ(first.altitude, 12.0f);
}

}  // namespace
}  // namespace korvance
