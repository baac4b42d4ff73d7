#include <gtest/gtest.h>

#include "data/CRouteField.h"
#include "data/DocumentData.h"
#include "data/TrackField.h"
#include "data/TrackLog.h"
#include "data/WaypointList.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;

TEST(TrackLog, StartWithoutTrackAllocatesAndLogs) {
    ScriptedPrompt p;
    FixedClock clock(1262304000, -32400);
    TrackLog log;
    ASSERT_TRUE(log.start(21600, p, clock));
    EXPECT_TRUE(p.shown.empty());
    ASSERT_TRUE(log.track);
    EXPECT_TRUE(log.logging);
    EXPECT_EQ(log.trackCapacity(), 21600u);
    EXPECT_EQ(log.track->pointCount(), 0u);
    EXPECT_EQ(log.track->segmentCount(), 1u);
    EXPECT_EQ(log.timeZoneBias, -32400);

    clock.advanceMs(1500);
    ASSERT_EQ(log.append(35.1, 139.1, 12.3, 700000000u, clock), 1);
    clock.advanceMs(1000);
    ASSERT_EQ(log.append(35.2, 139.2, 45.6, 700000001u, clock), 1);
    EXPECT_EQ(log.previousPointTick, 1500u);
    EXPECT_EQ(log.lastPointTick, 2500u);
    const TrackPoint& first = log.track->point(0);
    EXPECT_EQ(first.latitude, 35.1);
    EXPECT_EQ(first.longitude, 139.1);
    EXPECT_EQ(first.time, 700000000u);
    EXPECT_EQ(first.segment, 1);
    EXPECT_EQ(first.depth, 0);
    EXPECT_EQ(first.altitude, 12.3f);
    EXPECT_TRUE(log.stop());
    EXPECT_FALSE(log.logging);
}

TEST(TrackLog, FullTrackDropsPointsSilently) {
    ScriptedPrompt p;
    FixedClock clock;
    TrackLog log;
    ASSERT_TRUE(log.start(2, p, clock));
    EXPECT_EQ(log.append(1, 1, 0, 1, clock), 1);
    EXPECT_EQ(log.append(2, 2, 0, 2, clock), 1);
    EXPECT_EQ(log.append(3, 3, 0, 3, clock), 0);
    EXPECT_EQ(log.track->pointCount(), 2u);
    EXPECT_EQ(log.track->point(1).latitude, 2) << "no point is overwritten";
    EXPECT_TRUE(p.shown.empty());

    TrackLog none;
    EXPECT_EQ(none.append(1, 1, 0, 1, clock), 0);
}

TEST(TrackLog, ExistingTrackQuestionBothWays) {
    struct Row {
        Answer answer;
        uint32_t capacity, points;
    } rows[] = {{Answer::Yes, 100, 0}, {Answer::No, 1, 1}};
    for (const auto& r : rows) {
        ScriptedPrompt p({r.answer});
        FixedClock clock(0, 3600);
        TrackLog log;
        // A downloaded track: capacity equal to its point count.
        log.track = TrackField::create(1);
        TrackPoint pt;
        pt.latitude = 9;
        ASSERT_TRUE(log.track->append(pt));
        log.timeZoneBias = 77;

        ASSERT_TRUE(log.start(100, p, clock));
        EXPECT_EQ(p.texts(), std::vector<std::string>{"Clear current track log?"});
        EXPECT_EQ(p.shown[0].buttons, Buttons::YesNo);
        EXPECT_EQ(log.trackCapacity(), r.capacity);
        EXPECT_EQ(log.track->pointCount(), r.points);
        EXPECT_EQ(log.timeZoneBias, r.answer == Answer::Yes ? 3600 : 77);
        // A kept downloaded track accepts no logged points.
        EXPECT_EQ(log.append(1, 1, 0, 1, clock), r.answer == Answer::Yes ? 1 : 0);
        EXPECT_EQ(log.stop(), r.answer == Answer::Yes);
    }
}

TEST(TrackLog, AllocationFailureIsReported) {
    ScriptedPrompt p;
    FixedClock clock;
    TrackLog log;
    EXPECT_FALSE(log.start(0xFFFFFFFFu, p, clock));
    EXPECT_EQ(p.texts(), std::vector<std::string>{"not enough memory"});
    EXPECT_EQ(p.shown[0].icon, Icon::Stop);
    EXPECT_FALSE(log.track);
    EXPECT_FALSE(log.logging);
}

namespace {
std::unique_ptr<TrackField> trackOf(std::initializer_list<std::pair<double, double>> pts) {
    auto t = TrackField::create(uint32_t(pts.size()));
    for (auto [lat, lon] : pts) {
        TrackPoint p;
        p.latitude = lat;
        p.longitude = lon;
        t->append(p);
    }
    return t;
}
}  // namespace

TEST(DataExtent, TrackWaypointsAndRoutes) {
    ScriptedPrompt p;
    struct Row {
        const char* name;
        std::unique_ptr<TrackField> track;
        uint32_t lastN;
        std::vector<std::pair<double, double>> waypoints;
        std::vector<std::vector<std::pair<double, double>>> routes;
        bool valid;
        DataExtent want;
    };
    std::vector<Row> rows;
    rows.push_back({"two track points", trackOf({{35, 139}, {36, 140}}), 0, {}, {}, true,
                    {36.1, 34.9, 138.9, 140.1}});
    rows.push_back({"N larger than the track uses all", trackOf({{10, 10}, {20, 30}, {11, 11}, {12, 12}}), 10,
                    {}, {}, true, {21, 9, 8, 32}});
    rows.push_back({"N = 2 uses the last two", trackOf({{10, 10}, {20, 30}, {11, 11}, {12, 12}}), 2, {}, {},
                    true, {12.1, 10.9, 10.9, 12.1}});
    rows.push_back({"one point, nothing else", trackOf({{35, 139}}), 0, {}, {}, false, {}});
    rows.push_back({"flat track falls back to waypoints", trackOf({{35, 139}, {35, 140}}), 0,
                    {{0, 0}, {10, 20}}, {}, true, {11, -1, -2, 22}});
    rows.push_back({"waypoints on one meridian fall back to routes", nullptr, 0, {{1, 5}, {2, 5}},
                    {{}, {{0, 0}, {10, 10}}, {{5, 5}}}, true, {11, -1, -1, 11}});
    rows.push_back({"routes scan every route waypoint", nullptr, 0, {},
                    {{{-50, -50}}, {{5, 5}, {6, 6}}}, true, {11.6, -55.6, -55.6, 11.6}});
    rows.push_back({"nothing at all", nullptr, 0, {}, {}, false, {}});

    for (auto& r : rows) {
        WaypointList list(100);
        for (auto [lat, lon] : r.waypoints) ASSERT_EQ(list.add(p, std::to_string(lat + lon * 1000), lat, lon, "", 0, 0, 0, 0), 1);
        CRouteField routes(uint32_t(r.routes.size()), 20, 30);
        for (uint32_t i = 0; i < r.routes.size(); ++i)
            for (auto [lat, lon] : r.routes[i]) ASSERT_EQ(routes.appendWaypoint(p, i, "R", lat, lon, "", 0, 0, 0, 0), 1);
        auto e = dataExtent(r.lastN, r.track.get(), &list, &routes);
        ASSERT_EQ(bool(e), r.valid) << r.name;
        if (!e) continue;
        EXPECT_NEAR(e->maxLatitude, r.want.maxLatitude, 1e-9) << r.name;
        EXPECT_NEAR(e->minLatitude, r.want.minLatitude, 1e-9) << r.name;
        EXPECT_NEAR(e->minLongitude, r.want.minLongitude, 1e-9) << r.name;
        EXPECT_NEAR(e->maxLongitude, r.want.maxLongitude, 1e-9) << r.name;
    }
    EXPECT_FALSE(dataExtent(0, nullptr, nullptr, nullptr));
}
