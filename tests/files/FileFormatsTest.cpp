#include "files/FileFormats.h"

#include <gtest/gtest.h>

#include "data/WaypointList.h"
#include "files/TempDir.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using namespace korvance::files;
using namespace korvance::testing;

TEST(FileFormats, KindByExtension) {
    struct Row {
        const char* path;
        FileKind kind;
    } rows[] = {{"a.kvn", FileKind::Document}, {"/x/B.KV2", FileKind::Document}, {"c.pot", FileKind::Pot},
                {"d.TXT", FileKind::WaypointText}, {"e.gpx", FileKind::Gpx}, {"f.kml", FileKind::Unknown},
                {"noext", FileKind::Unknown}, {"dir.gpx/file", FileKind::Unknown}, {"C:\\maps\\t.Gpx", FileKind::Gpx}};
    for (const auto& r : rows) EXPECT_EQ(fileKindOf(r.path), r.kind) << r.path;
    EXPECT_EQ(fileFormats().size(), 4u);
    EXPECT_STREQ(fileFormat(FileKind::Gpx)->name, "gpx");
}

// Every kind written from one document and read back keeps what it can carry.
TEST(FileFormats, EveryKindRoundTrips) {
    TempDir dir;
    std::vector<TrackPoint> points(4);
    for (size_t i = 0; i < points.size(); ++i) {
        points[i].latitude = 35 + 0.01 * double(i);
        points[i].longitude = 139 + 0.01 * double(i);
        points[i].time = 600000000u + uint32_t(i);
        points[i].segment = 1;
    }
    std::vector<WaypointRecord> wps = {makeWaypointRecord("AAA", 35.5, 139.5, "c1", 3, 0, 0, 0, nullptr),
                                       makeWaypointRecord("AAA", 36.5, 140.5, "dup", 4, 0, 0, 0, nullptr)};
    std::vector<Route> routes(1);
    routes[0].name.set("R");
    routes[0].waypoints = {makeWaypointRecord("P1", 1, 2, "x", 0, 0, 0, 0, nullptr)};
    DocumentSource src;
    src.hasTrack = true;
    src.segmentCount = 1;
    src.points = points;
    src.waypoints = wps;
    src.routes = routes;

    struct Row {
        const char* name;
        PotContent pot;
        bool track, waypoints, routes;
    } rows[] = {{"d.kvn", PotContent::Auto, true, true, true},
                {"g.gpx", PotContent::Auto, true, true, true},
                {"t.pot", PotContent::Auto, true, false, false},
                {"w.pot", PotContent::Waypoints, false, true, false},
                {"r.pot", PotContent::Routes, false, false, true},
                {"w.txt", PotContent::Auto, false, true, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ScriptedPrompt prompt;
        FileOptions o;
        o.pot = r.pot;
        std::string path = dir.file(r.name);
        ASSERT_TRUE(writeAnyFile(path, src, o, prompt).ok);
        DocumentContents c;
        FileResult res = readAnyFile(path, c, o, prompt);
        ASSERT_TRUE(res.ok) << res.problem;
        EXPECT_EQ(c.track.has_value(), r.track);
        if (r.track) {
            EXPECT_EQ(c.track->points.size(), 4u);
        }
        EXPECT_EQ(c.waypoints.has_value() ? c.waypoints->size() : 0u, r.waypoints ? 2u : 0u);
        EXPECT_EQ(c.routes.has_value() ? c.routes->size() : 0u, r.routes ? 1u : 0u);
        EXPECT_TRUE(prompt.shown.empty());  // duplicates are kept without a question
    }
}
