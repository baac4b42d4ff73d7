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

PotContents parsed(std::string_view text) {
    PotContents c;
    parsePotText(text, c);
    return c;
}

// A document's waypoints, routes and track, as a POT file is read into them.
struct Doc {
    explicit Doc(uint32_t routeCount = 1) : routes(routeCount, 20, 30) {}
    WaypointList list{500};
    CRouteField routes;
    std::unique_ptr<TrackField> track;
    PotKind read(const PotContents& c, UserPrompt& prompt) { return applyPotContents(c, list, routes, track, prompt); }
    PotKind readFile(const std::string& path, UserPrompt& prompt) {
        PotContents c;
        EXPECT_TRUE(readPotFile(path, c)) << path;
        return read(c, prompt);
    }
};

}  // namespace

TEST(PotRead, KindOfLastItemDecides) {
    PotContents c = parsed("Dat=WGS 84/WGS 84/0.000/0.00000000/0/0/0/\r\n"
                           "ORD=POI/tex=A:first/ido=035'00'00'0/kei=139'00'00'0\r\n"
                           "ORD=POI/ido=035'00'00'0/kei=139'00'00'0\r\n"
                           "ORD=POI/tex=B:second/ido=036'00'00'0/kei=140'00'00'0/adr=1\r\n");
    ASSERT_EQ(c.items.size(), 2u);
    EXPECT_EQ(c.lastKind, PotKind::RouteWaypoint);

    // Every item becomes a route waypoint, even the one written as a waypoint.
    ScriptedPrompt prompt;
    Doc d(0);
    EXPECT_EQ(d.read(c, prompt), PotKind::RouteWaypoint);
    ASSERT_EQ(d.routes.routeCount(), 2u);
    EXPECT_EQ(d.routes.routeWaypointCount(0), 1u);
    EXPECT_EQ(d.routes.routeName(0), "A:first TO A:first");
    EXPECT_EQ(d.routes.routeName(1), "B:second TO B:second");
    EXPECT_EQ(d.list.count(), 2u);
    EXPECT_FALSE(d.track);
}

TEST(PotRead, TrackSegmentsFromGroups) {
    PotContents c =
        parsed("ORD=POI/tex=/ido=035'00'00'0/kei=139'00'00'0/altitude=00050/pdate=15-MAY-09/ptime=12:00:00/adr=5\n"
               "ORD=POI/tex=/ido=035'00'01'0/kei=139'00'01'0/pdate=15-MAY-09/ptime=12:00:10/adr=5\n"
               "ORD=POI/tex=/ido=035'00'02'0/kei=139'00'02'0/adr=6\n");
    ASSERT_EQ(c.lastKind, PotKind::TrackPoint);
    ScriptedPrompt prompt;
    Doc d;
    d.track = TrackField::create(5);
    EXPECT_EQ(d.read(c, prompt), PotKind::TrackPoint);
    const auto& track = d.track;
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
    ScriptedPrompt prompt;
    Doc d;
    d.routes.setRouteName(0, "ROUTE-00");
    d.read(parsed("ORD=POI/tex=S1:start/ido=035'00'00'0/kei=139'00'00'0/adr=1\n"
                  "ORD=POI/tex=E1:end/ido=035'10'00'0/kei=139'10'00'0/adr=1\n"
                  "ORD=POI/tex=S2/ido=036'00'00'0/kei=140'00'00'0/adr=2\n"),
           prompt);
    ASSERT_EQ(d.routes.routeCount(), 3u);  // appended after the document's own route
    EXPECT_EQ(d.routes.routeWaypointCount(1), 2u);
    EXPECT_EQ(d.routes.routeName(1), "S1:start TO E1:end");
    EXPECT_EQ(d.routes.waypointIdentifier(1, 1), "E1");
    EXPECT_EQ(d.routes.waypointComment(1, 1), "end");
    EXPECT_EQ(d.routes.routeWaypointCount(2), 1u);
    EXPECT_EQ(d.list.count(), 3u);
    EXPECT_EQ(d.list.symbol(0), 0);
}

TEST(PotRead, WaypointsStopAtRefusedAdd) {
    ScriptedPrompt prompt({Answer::No});
    Doc d;
    EXPECT_EQ(d.read(parsed("ORD=POI/tex=A:one/ido=035'00'00'0/kei=139'00'00'0/altitude=00012\n"
                            "ORD=POI/tex=A:again/ido=035'00'00'0/kei=139'00'00'0\n"
                            "ORD=POI/tex=B:two/ido=035'00'00'0/kei=139'00'00'0\n"),
                     prompt),
              PotKind::Waypoint);
    ASSERT_EQ(d.list.count(), 1u);
    EXPECT_EQ(d.list.comment(0), "one");
    EXPECT_EQ(d.list.altitude(0), 12.0);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"A already exist.\nDo you wish to continue?"});
}

// Waypoints and routes through a file (a track's writing is pinned by the
// reference file track.pot, its reading by PotRead.TrackSegmentsFromGroups).
TEST(PotFile, RoundTripsThroughDisk) {
    TempDir dir;
    Datum datum("WGS 84");
    ScriptedPrompt prompt;

    // Line breaks inside a label would end its line (a comment ending in CR
    // used to come back one CR shorter): they are written as blanks.
    std::vector<WaypointRecord> wps = {wp("HOME", "house", 35.5, 139.5, 10), wp("W2", "", -35.25, 10.75),
                                       wp("L\nF", "ends in CR\r\r", 1, 2)};
    ASSERT_TRUE(writePotWaypoints(dir.file("w.pot"), datum, wps, prompt));
    Doc w;
    ASSERT_EQ(w.readFile(dir.file("w.pot"), prompt), PotKind::Waypoint);
    ASSERT_EQ(w.list.count(), 3u);
    EXPECT_EQ(w.list.identifier(2), "L F");
    EXPECT_EQ(w.list.comment(2), "ends in CR  ");
    EXPECT_EQ(w.list.identifier(0), "HOME");
    EXPECT_EQ(w.list.comment(0), "house");
    EXPECT_EQ(w.list.altitude(0), 10.0);
    EXPECT_EQ(w.list.identifier(1), "W2");
    EXPECT_EQ(w.list.comment(1), "");
    EXPECT_DOUBLE_EQ(w.list.latitude(1), -35.25);

    std::vector<Route> rs(3);
    rs[0].name.set("A");
    rs[0].waypoints = {wp("R1", "c1", 1, 2), wp("R2", "c2", 3, 4)};
    rs[2].name.set("C");  // after an empty route: numbered 3
    rs[2].waypoints = {wp("R3", "c3", 5, 6)};
    ASSERT_TRUE(writePotRoutes(dir.file("r.pot"), datum, rs, prompt));
    EXPECT_NE(readText(dir.file("r.pot")).find("/adr=3\r\n"), std::string::npos);
    Doc r(0);
    ASSERT_EQ(r.readFile(dir.file("r.pot"), prompt), PotKind::RouteWaypoint);
    ASSERT_EQ(r.routes.routeCount(), 2u);
    EXPECT_EQ(r.routes.routeWaypointCount(0), 2u);
    EXPECT_EQ(r.routes.routeName(0), "R1:c1 TO R2:c2");
    EXPECT_EQ(r.routes.waypointIdentifier(1, 0), "R3");
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
    Doc ten;
    ASSERT_EQ(ten.readFile(path, prompt), PotKind::Waypoint);
    ASSERT_EQ(ten.list.count(), 2u);
    EXPECT_EQ(ten.list.identifier(0), "ABCDEFGHIJ");
    EXPECT_EQ(ten.list.comment(0), "");
    EXPECT_EQ(ten.list.identifier(1), "KLMNOPQRST");
    EXPECT_EQ(ten.list.comment(1), "summit");

    // The file the fuzzer wrote: a header line and one waypoint line whose
    // label is ten characters without a ':'.
    writeText(path, "Dat=WGS 80.'0/0/\r\nORD=POI/texDat=WG$S 8S 84/0.\xd0\xcf\xcf\xc7" "0000d00/o=0\x7f:3");
    Doc first;
    ASSERT_EQ(first.readFile(path, prompt), PotKind::Waypoint);
    ASSERT_EQ(first.list.count(), 1u);
    ASSERT_TRUE(writePotWaypoints(path, datum, first.list.records(), prompt));
    Doc second;
    ASSERT_EQ(second.readFile(path, prompt), PotKind::Waypoint);
    ASSERT_EQ(second.list.count(), 1u);
    EXPECT_EQ(second.list.identifier(0), "WG$S 8S 84");
    EXPECT_EQ(second.list.comment(0), first.list.comment(0));
}
