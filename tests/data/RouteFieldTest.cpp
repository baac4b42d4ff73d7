#include <gtest/gtest.h>

#include "data/CRouteField.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using Kind = ScriptedPrompt::Kind;

TEST(RouteField, LimitsOfRoutesAndWaypoints) {
    ScriptedPrompt p;
    CRouteField f(1, 20, 30);
    for (uint32_t n = 2; n <= 20; ++n) ASSERT_EQ(f.appendRoute(p), n);
    EXPECT_EQ(f.appendRoute(p), 20u);
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.shown[0].kind, Kind::ErrorWindow);
    EXPECT_EQ(p.shown[0].text, "Route count overflow!");
    EXPECT_EQ(p.beeps.size(), 1u);

    p.clear();
    for (int i = 0; i < 30; ++i) ASSERT_EQ(f.appendWaypoint(p, 3, "P", i, i, "", 0, 0, 0, 0), 1);
    EXPECT_EQ(f.appendWaypoint(p, 3, "P", 99, 99, "", 0, 0, 0, 0), 0);
    EXPECT_EQ(p.texts(), std::vector<std::string>{"Route waypoint count overflow!"});
    EXPECT_EQ(f.routeWaypointCount(3), 30u);
    EXPECT_EQ(f.waypointLatitude(3, 29), 29);
    EXPECT_EQ(f.appendWaypoint(p, 4, "P", 1, 1, "", 0, 0, 0, 0), 1) << "other routes still accept";

    p.clear();
    EXPECT_EQ(f.appendWaypoint(p, 20, "P", 1, 1, "", 0, 0, 0, 0), 0);
    EXPECT_TRUE(p.shown.empty()) << "bad index refused silently";
}

TEST(RouteField, WaypointsAreStoredLikeListRecords) {
    ScriptedPrompt p;
    CRouteField f(1, 20, 30);
    ASSERT_EQ(f.appendWaypoint(p, 0, std::string(30, 'I'), 35.5, 139.5, std::string(70, 'C'), 7, 8, 1.5,
                               123.456),
              1);
    ASSERT_EQ(f.appendWaypoint(p, 0, "DUP", 1, 1, "", 0, 0, 0, 0), 1);
    ASSERT_EQ(f.appendWaypoint(p, 0, "DUP", 2, 2, "", 0, 0, 0, 0), 1) << "no duplicate question in routes";
    EXPECT_TRUE(p.shown.empty());
    EXPECT_EQ(f.waypointIdentifier(0, 0), std::string(23, 'I'));
    EXPECT_EQ(f.waypointComment(0, 0), std::string(63, 'C'));
    EXPECT_EQ(f.waypointSymbol(0, 0), 7);
    EXPECT_EQ(f.waypointDisplayOption(0, 0), 8);
    EXPECT_EQ(f.waypointProximity(0, 0), 1.5);
    EXPECT_EQ(f.waypointAltitude(0, 0), double(123.456f));
    EXPECT_EQ(f.waypointLongitude(0, 0), 139.5);
    EXPECT_EQ(f.waypointLatitude(0, 3), 0) << "waypoint index beyond the count";
    EXPECT_EQ(f.waypointIdentifier(5, 0), "");
    EXPECT_EQ(f.routeWaypointCount(5), 0u);
    EXPECT_EQ(f.clearRouteWaypoints(5), 0);
    EXPECT_EQ(f.clearRouteWaypoints(0), 1);
    EXPECT_EQ(f.routeWaypointCount(0), 0u);
}

TEST(RouteField, DeleteKeepsOrderNamesAndWaypoints) {
    ScriptedPrompt p;
    CRouteField f(3, 20, 30);
    for (uint32_t r = 0; r < 3; ++r) {
        ASSERT_TRUE(f.setRouteName(r, "R" + std::to_string(r)));
        for (uint32_t i = 0; i <= r; ++i) ASSERT_EQ(f.appendWaypoint(p, r, "P", r, i, "", 0, 0, 0, 0), 1);
    }
    EXPECT_EQ(f.deleteRoute(3), 3u);
    EXPECT_EQ(f.deleteRoute(0), 2u);
    EXPECT_EQ(f.routeName(0), "R1");
    EXPECT_EQ(f.routeName(1), "R2");
    EXPECT_EQ(f.routeWaypointCount(0), 2u);
    EXPECT_EQ(f.routeWaypointCount(1), 3u);
    EXPECT_EQ(f.waypointLatitude(1, 2), 2);
    EXPECT_EQ(f.deleteRoute(1), 1u);
    EXPECT_EQ(f.deleteRoute(0), 0u);
    EXPECT_EQ(f.routeName(0), "");
    EXPECT_FALSE(f.setRouteName(0, "X"));
    f.clear();
    EXPECT_EQ(f.routeCount(), 0u);
}

TEST(RouteField, MergeIntoWaypointList) {
    struct Row {
        const char* name;
        double routeLon;
        std::vector<std::string> messages;
        uint32_t listCount;
    } rows[] = {
        {"differs by 0.00002", 139.00002, {"A has differ coordinate.", "A not added to waypoint list."}, 1},
        {"differs by 0.000005", 139.000005, {}, 1},
    };
    for (const auto& r : rows) {
        ScriptedPrompt p;
        WaypointList list(10);
        ASSERT_EQ(list.add(p, "A", 35.0, 139.0, "list", 5, 5, 5, 5), 1);
        CRouteField f(1, 20, 30);
        ASSERT_EQ(f.appendWaypoint(p, 0, "A", 35.0, r.routeLon, "route", 9, 9, 9, 9), 1);
        f.mergeInto(list, p);
        EXPECT_EQ(p.texts(), r.messages) << r.name;
        if (!r.messages.empty()) {
            EXPECT_EQ(p.shown[0].icon, Icon::Stop);
            EXPECT_EQ(p.shown[1].icon, Icon::None);
        }
        EXPECT_EQ(list.count(), r.listCount);
        EXPECT_EQ(list.longitude(0), 139.0);
        EXPECT_EQ(list.comment(0), "list");
    }
}

TEST(RouteField, MergeAddsNewWaypointsWithZeroedExtras) {
    ScriptedPrompt p;
    WaypointList list(10);
    CRouteField f(2, 20, 30);
    ASSERT_EQ(f.appendWaypoint(p, 0, "B", 1, 2, "cb", 9, 8, 7, 6), 1);
    ASSERT_EQ(f.appendWaypoint(p, 1, "C", 3, 4, "cc", 9, 8, 7, 6), 1);
    ASSERT_EQ(f.appendWaypoint(p, 1, "B", 1, 2, "again", 9, 8, 7, 6), 1);
    f.mergeInto(list, p);
    EXPECT_TRUE(p.shown.empty());
    ASSERT_EQ(list.count(), 2u);
    EXPECT_EQ(list.identifier(0), "B");
    EXPECT_EQ(list.identifier(1), "C");
    EXPECT_EQ(list.comment(1), "cc");
    EXPECT_EQ(list.latitude(1), 3);
    EXPECT_EQ(list.symbol(1), 0);
    EXPECT_EQ(list.displayOption(1), 0);
    EXPECT_EQ(list.altitude(1), 0);
    EXPECT_EQ(list.proximity(1), 0);
}

TEST(RouteField, MergeStopsAtFullList) {
    ScriptedPrompt p;
    WaypointList list(1);
    CRouteField f(1, 20, 30);
    for (const char* id : {"X", "Y", "Z"}) ASSERT_EQ(f.appendWaypoint(p, 0, id, 1, 1, "", 0, 0, 0, 0), 1);
    f.mergeInto(list, p);
    EXPECT_EQ(list.count(), 1u);
    EXPECT_EQ(p.texts(), std::vector<std::string>{"Waypoint overflow!"}) << "merge ends at the first refusal";
}
