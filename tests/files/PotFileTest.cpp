#include "files/PotFile.h"

#include <gtest/gtest.h>

#include <cmath>

#include "data/TextUtil.h"
#include "files/TempDir.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using namespace korvance::files;
using namespace korvance::testing;

namespace {

WaypointRecord wp(const char* id, const char* comment, double lat, double lon, float alt = 0) {
    return makeWaypointRecord(id, lat, lon, comment, 7, 1, 25, alt, nullptr);
}

}  // namespace

TEST(PotRead, KindOfLastItemDecides) {
    PotContents c;
    parsePotText("Dat=WGS 84/WGS 84/0.000/0.00000000/0/0/0/\r\n"
                 "ORD=POI/tex=A:first/ido=035'00'00'0/kei=139'00'00'0\r\n"
                 "ORD=POI/ido=035'00'00'0/kei=139'00'00'0\r\n"
                 "ORD=POI/tex=B:second/ido=036'00'00'0/kei=140'00'00'0/adr=1\r\n",
                 c);
    ASSERT_EQ(c.items.size(), 2u);
    EXPECT_EQ(c.lastKind, PotKind::RouteWaypoint);

    // Every item becomes a route waypoint, even the one written as a waypoint.
    ScriptedPrompt prompt;
    WaypointList list(500);
    CRouteField routes(0, 20, 30);
    std::unique_ptr<TrackField> track;
    EXPECT_EQ(applyPotContents(c, list, routes, track, prompt), PotKind::RouteWaypoint);
    ASSERT_EQ(routes.routeCount(), 2u);
    EXPECT_EQ(routes.routeWaypointCount(0), 1u);
    EXPECT_EQ(routes.routeName(0), "A:first TO A:first");
    EXPECT_EQ(routes.routeName(1), "B:second TO B:second");
    EXPECT_EQ(list.count(), 2u);
    EXPECT_FALSE(track);
}

TEST(PotRead, TrackSegmentsFromGroups) {
    PotContents c;
    parsePotText("ORD=POI/tex=/ido=035'00'00'0/kei=139'00'00'0/altitude=00050/pdate=15-MAY-09/ptime=12:00:00/adr=5\n"
                 "ORD=POI/tex=/ido=035'00'01'0/kei=139'00'01'0/pdate=15-MAY-09/ptime=12:00:10/adr=5\n"
                 "ORD=POI/tex=/ido=035'00'02'0/kei=139'00'02'0/adr=6\n",
                 c);
    ASSERT_EQ(c.lastKind, PotKind::TrackPoint);
    ScriptedPrompt prompt;
    WaypointList list(500);
    CRouteField routes(1, 20, 30);
    auto old = TrackField::create(5);
    std::unique_ptr<TrackField> track = std::move(old);
    EXPECT_EQ(applyPotContents(c, list, routes, track, prompt), PotKind::TrackPoint);
    ASSERT_TRUE(track);
    EXPECT_EQ(track->capacity(), 3u);
    ASSERT_EQ(track->pointCount(), 3u);
    EXPECT_EQ(track->point(0).segment, 1);
    EXPECT_EQ(track->point(1).segment, 1);
    EXPECT_EQ(track->point(2).segment, 2);
    EXPECT_EQ(track->segmentCount(), 2u);
    EXPECT_EQ(track->point(1).time, uint32_t(daysFromCivil(2009, 5, 15) * 86400 + 12 * 3600 + 10 - kReceiverEpochUnix));
    EXPECT_EQ(track->point(2).time, 0u);  // no date or time: the receiver epoch
    EXPECT_EQ(track->point(0).altitude, 50.0f);
    EXPECT_DOUBLE_EQ(track->point(1).latitude, 35.0 + 1 / 3600.0);
}

TEST(PotRead, RoutesFromGroups) {
    PotContents c;
    parsePotText("ORD=POI/tex=S1:start/ido=035'00'00'0/kei=139'00'00'0/adr=1\n"
                 "ORD=POI/tex=E1:end/ido=035'10'00'0/kei=139'10'00'0/adr=1\n"
                 "ORD=POI/tex=S2/ido=036'00'00'0/kei=140'00'00'0/adr=2\n",
                 c);
    ScriptedPrompt prompt;
    WaypointList list(500);
    CRouteField routes(1, 20, 30);
    routes.setRouteName(0, "ROUTE-00");
    std::unique_ptr<TrackField> track;
    applyPotContents(c, list, routes, track, prompt);
    ASSERT_EQ(routes.routeCount(), 3u);  // appended after the document's own route
    EXPECT_EQ(routes.routeWaypointCount(1), 2u);
    EXPECT_EQ(routes.routeName(1), "S1:start TO E1:end");
    EXPECT_EQ(routes.waypointIdentifier(1, 1), "E1");
    EXPECT_EQ(routes.waypointComment(1, 1), "end");
    EXPECT_EQ(routes.routeWaypointCount(2), 1u);
    EXPECT_EQ(list.count(), 3u);
    EXPECT_EQ(list.symbol(0), 0);
}

TEST(PotRead, WaypointsStopAtRefusedAdd) {
    PotContents c;
    parsePotText("ORD=POI/tex=A:one/ido=035'00'00'0/kei=139'00'00'0/altitude=00012\n"
                 "ORD=POI/tex=A:again/ido=035'00'00'0/kei=139'00'00'0\n"
                 "ORD=POI/tex=B:two/ido=035'00'00'0/kei=139'00'00'0\n",
                 c);
    ScriptedPrompt prompt({Answer::No});
    WaypointList list(500);
    CRouteField routes(1, 20, 30);
    std::unique_ptr<TrackField> track;
    EXPECT_EQ(applyPotContents(c, list, routes, track, prompt), PotKind::Waypoint);
    ASSERT_EQ(list.count(), 1u);
    EXPECT_EQ(list.comment(0), "one");
    EXPECT_EQ(list.altitude(0), 12.0);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"A already exist.\nDo you wish to continue?"});
}

TEST(PotFile, RoundTripsThroughDisk) {
    TempDir dir;
    Datum datum("WGS 84");
    ScriptedPrompt prompt;

    std::vector<TrackPoint> points;
    for (int i = 0; i < 5; ++i) {
        TrackPoint p;
        p.latitude = 35.123456 + i * 0.01;
        p.longitude = -(139.654321 + i * 0.01);
        p.time = 600000000u + uint32_t(i) * 61;
        p.segment = uint16_t(i < 3 ? 1 : 2);
        p.altitude = float(100 + i);
        points.push_back(p);
    }
    ASSERT_TRUE(writePotTrack(dir.file("t.pot"), datum, points, prompt));
    PotContents c;
    ASSERT_TRUE(readPotFile(dir.file("t.pot"), c));
    WaypointList list(500);
    CRouteField routes(1, 20, 30);
    std::unique_ptr<TrackField> track;
    ASSERT_EQ(applyPotContents(c, list, routes, track, prompt), PotKind::TrackPoint);
    ASSERT_EQ(track->pointCount(), 5u);
    EXPECT_EQ(track->segmentCount(), 2u);
    for (uint32_t i = 0; i < 5; ++i) {
        // A tenth of a second of arc is what the degree text keeps.
        EXPECT_NEAR(track->point(i).latitude, points[i].latitude, 0.1 / 3600 + 1e-9);
        EXPECT_NEAR(track->point(i).longitude, points[i].longitude, 0.1 / 3600 + 1e-9);
        EXPECT_EQ(track->point(i).time, points[i].time);
        EXPECT_EQ(track->point(i).segment, points[i].segment);
        EXPECT_EQ(track->point(i).altitude, points[i].altitude);
    }

    // Line breaks inside a label would end its line (a comment ending in CR
    // used to come back one CR shorter): they are written as blanks.
    std::vector<WaypointRecord> wps = {wp("HOME", "house", 35.5, 139.5, 10), wp("W2", "", -35.25, 10.75),
                                       wp("L\nF", "ends in CR\r\r", 1, 2)};
    ASSERT_TRUE(writePotWaypoints(dir.file("w.pot"), datum, wps, prompt));
    ASSERT_TRUE(readPotFile(dir.file("w.pot"), c));
    WaypointList list2(500);
    ASSERT_EQ(applyPotContents(c, list2, routes, track, prompt), PotKind::Waypoint);
    ASSERT_EQ(list2.count(), 3u);
    EXPECT_EQ(list2.identifier(2), "L F");
    EXPECT_EQ(list2.comment(2), "ends in CR  ");
    EXPECT_EQ(list2.identifier(0), "HOME");
    EXPECT_EQ(list2.comment(0), "house");
    EXPECT_EQ(list2.altitude(0), 10.0);
    EXPECT_EQ(list2.identifier(1), "W2");
    EXPECT_EQ(list2.comment(1), "");
    EXPECT_DOUBLE_EQ(list2.latitude(1), -35.25);

    std::vector<Route> rs(3);
    rs[0].name.set("A");
    rs[0].waypoints = {wp("R1", "c1", 1, 2), wp("R2", "c2", 3, 4)};
    rs[2].name.set("C");  // after an empty route: numbered 3
    rs[2].waypoints = {wp("R3", "c3", 5, 6)};
    ASSERT_TRUE(writePotRoutes(dir.file("r.pot"), datum, rs, prompt));
    std::string text = readText(dir.file("r.pot"));
    EXPECT_NE(text.find("/adr=3\r\n"), std::string::npos);
    ASSERT_TRUE(readPotFile(dir.file("r.pot"), c));
    CRouteField routes2(0, 20, 30);
    WaypointList list3(500);
    ASSERT_EQ(applyPotContents(c, list3, routes2, track, prompt), PotKind::RouteWaypoint);
    ASSERT_EQ(routes2.routeCount(), 2u);
    EXPECT_EQ(routes2.routeWaypointCount(0), 2u);
    EXPECT_EQ(routes2.routeName(0), "R1:c1 TO R2:c2");
    EXPECT_EQ(routes2.waypointIdentifier(1, 0), "R3");
    EXPECT_TRUE(prompt.shown.empty());
}

// Found by fuzzing: an identifier of exactly ten characters is written as
// "ABCDEFGHIJ:comment"; the reader looks for the ':' only among the first ten
// characters and used to keep it as the comment's first character.
TEST(PotFile, TenCharacterIdentifierComesBackWhole) {
    TempDir dir;
    Datum datum("WGS 84");
    ScriptedPrompt prompt;
    std::vector<WaypointRecord> wps = {wp("ABCDEFGHIJ", "", 35.5, 139.5), wp("KLMNOPQRST", "summit", 36.0, 138.0)};
    const std::string path = dir.file("ten.pot");
    ASSERT_TRUE(writePotWaypoints(path, datum, wps, prompt));
    PotContents c;
    ASSERT_TRUE(readPotFile(path, c));
    WaypointList list(500);
    CRouteField routes(1, 20, 30);
    std::unique_ptr<TrackField> track;
    ASSERT_EQ(applyPotContents(c, list, routes, track, prompt), PotKind::Waypoint);
    ASSERT_EQ(list.count(), 2u);
    EXPECT_EQ(list.identifier(0), "ABCDEFGHIJ");
    EXPECT_EQ(list.comment(0), "");
    EXPECT_EQ(list.identifier(1), "KLMNOPQRST");
    EXPECT_EQ(list.comment(1), "summit");

    // The file the fuzzer wrote: a header line and one waypoint line whose
    // label is ten characters without a ':'.
    writeText(path, "Dat=WGS 80.'0/0/\r\nORD=POI/texDat=WG$S 8S 84/0.\xd0\xcf\xcf\xc7" "0000d00/o=0\x7f:3");
    ASSERT_TRUE(readPotFile(path, c));
    WaypointList first(500);
    ASSERT_EQ(applyPotContents(c, first, routes, track, prompt), PotKind::Waypoint);
    ASSERT_EQ(first.count(), 1u);
    ASSERT_TRUE(writePotWaypoints(path, datum, first.records(), prompt));
    ASSERT_TRUE(readPotFile(path, c));
    WaypointList second(500);
    ASSERT_EQ(applyPotContents(c, second, routes, track, prompt), PotKind::Waypoint);
    ASSERT_EQ(second.count(), 1u);
    EXPECT_EQ(second.identifier(0), "WG$S 8S 84");
    EXPECT_EQ(second.comment(0), first.comment(0));
}
