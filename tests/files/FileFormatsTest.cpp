#include "files/FileFormats.h"

#include <gtest/gtest.h>

#include "files/SampleDocument.h"
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
}

// Every kind written from one document and read back keeps what it can carry.
TEST(FileFormats, EveryKindRoundTrips) {
    TempDir dir;
    SampleDocument d;
    d.waypoints.push_back(d.waypoints[0]);  // a second HOME
    const DocumentSource src = d.source();

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
            EXPECT_EQ(c.track->points.size(), 3u);
        }
        EXPECT_EQ(c.waypoints.has_value() ? c.waypoints->size() : 0u, r.waypoints ? 3u : 0u);
        EXPECT_EQ(c.routes.has_value() ? c.routes->size() : 0u, r.routes ? 1u : 0u);
        EXPECT_TRUE(prompt.shown.empty());  // duplicates are kept without a question
    }
}
