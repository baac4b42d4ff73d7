#include "files/DocumentCommands.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "files/FileSizeLimit.h"
#include "files/TempDir.h"
#include "platform/Clock.h"
#include "platform/testing/ScriptedPrompt.h"
#include "support/TrackPoints.h"

using namespace korvance;
using namespace korvance::files;
using namespace korvance::testing;

namespace {

// A document's parts as the commands see them.
struct Doc {
    FixedClock clock{1262304000, -32400};
    AppSettings settings;
    DocumentData data{500, 20, 30, settings.CodePage, clock};
    Datum datum{"WGS 84"};
    TransverseMercator tm{datum};
    std::unique_ptr<TrackField>& track = data.trackLog.track;
    WaypointList& waypoints = data.waypoints;
    CRouteField& routes = data.routes;
    int32_t& bias = data.trackLog.timeZoneBias;
    int questions = 0;
    bool saveModifiedAnswer = true;
    FileCommandDoc access{data, settings, datum, tm, [this] {
                              ++questions;
                              return saveModifiedAnswer;
                          }};

    void giveTrack(size_t n) {
        track = TrackField::create(uint32_t(n));
        for (const TrackPoint& p : pointsAlong(n, 35, 139, 0.01, 0)) track->append(p);
        track->setSegmentCount(1);
    }
};

}  // namespace

TEST(DocumentCommands, FolderOfPath) {
    struct Row {
        const char* path;
        const char* folder;
    } rows[] = {{"/home/u/maps/a.kvn", "/home/u/maps"}, {"/a.kvn", "/a.kvn"}, {"\\a.kvn", "\\a.kvn"},
                {"\\My Documents\\a.kvn", "\\My Documents"}, {"a.kvn", "a.kvn"}, {"/x\\y/z.kvn", "/x\\y"}};
    for (const auto& r : rows) EXPECT_EQ(folderOfPath(r.path), r.folder) << r.path;
}

TEST(DocumentCommands, SaveAsThenOpen) {
    TempDir dir;
    Doc a;
    a.giveTrack(3);
    ScriptedPrompt prompt;
    a.waypoints.add(prompt, "HOME", 35.5, 139.5, "house", 18, 0, 0, 10);
    a.routes.appendWaypoint(prompt, 0, "R1", 1, 2, "", 0, 0, 0, 0);
    a.settings.DataPath = dir.path();
    std::string path = dir.file("saved.kvn");
    ScriptedFileChooser chooser({path});
    EXPECT_EQ(onSaveAs(a.access, chooser, prompt), Changes::Saved);
    ASSERT_EQ(chooser.calls.size(), 1u);
    EXPECT_TRUE(chooser.calls[0].save);
    EXPECT_EQ(chooser.calls[0].defaultExtension, "kvn");
    EXPECT_EQ(chooser.calls[0].start, dir.path());
    EXPECT_EQ(chooser.calls[0].filters.size(), 2u);
    EXPECT_EQ(a.settings.DataPath, dir.path());
    EXPECT_TRUE(prompt.shown.empty());

    Doc b;
    b.bias = 0;
    b.settings.DataPath = std::string(300, 'x');  // too long for the path buffer: not offered
    ScriptedFileChooser chooser2({path});
    EXPECT_EQ(onOpen(b.access, chooser2, prompt),
              Changes::Track | Changes::Waypoints | Changes::Routes | Changes::Saved);
    EXPECT_EQ(b.questions, 1);
    EXPECT_EQ(chooser2.calls[0].start, "");
    EXPECT_EQ(chooser2.calls[0].filters.size(), 3u);
    EXPECT_EQ(chooser2.calls[0].defaultExtension, "");
    ASSERT_TRUE(b.track);
    EXPECT_EQ(b.track->pointCount(), 3u);
    EXPECT_EQ(b.track->capacity(), 3u);
    EXPECT_EQ(b.bias, -32400);
    EXPECT_EQ(b.waypoints.count(), 1u);
    EXPECT_EQ(b.routes.routeCount(), 1u);
    EXPECT_EQ(b.routes.routeWaypointCount(0), 1u);
    EXPECT_EQ(b.settings.DataPath, dir.path());
    EXPECT_GE(prompt.waitCount, 2);
}

TEST(DocumentCommands, OpenThatFailsKeepsTheDocument) {
    TempDir dir;
    writeText(dir.file("text.kvn"), "KORVANx" + std::string(200, 'x'));  // the magic's terminator is part of it
    writeText(dir.file("empty.kvn"), "");
    writeText(dir.file("short.kvn"), "KORVAN");
    std::vector<uint8_t> v8(108, 0);
    std::memcpy(v8.data(), "KORVAN", 7);
    v8[16] = 8;
    writeBytes(dir.file("v8.kvn"), v8);
    struct Row {
        std::string path;
        std::vector<std::string> texts;
    } rows[] = {
        // A file that is not a document is named, with the reason.
        {dir.file("text.kvn"), {dir.file("text.kvn") + "\nis not a korvan file: it does not begin with \"KORVAN\"."}},
        {dir.file("empty.kvn"), {dir.file("empty.kvn") + "\nis empty: it is not a korvan file."}},
        {dir.file("short.kvn"), {dir.file("short.kvn") + "\nis too short for a korvan file."}},
        {dir.file("v8.kvn"), {"not acceptable version"}},
        {dir.file("missing.kvn"), {dir.file("missing.kvn") + "\ncannot be read: " + std::strerror(ENOENT) + "."}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.path);
        Doc d;
        d.giveTrack(5);
        ScriptedPrompt prompt;
        d.waypoints.add(prompt, "KEEP", 1, 2, "", 0, 0, 0, 0);
        ScriptedFileChooser chooser({r.path});
        EXPECT_EQ(onOpen(d.access, chooser, prompt), Changes{});
        EXPECT_EQ(prompt.texts(), r.texts);
        ASSERT_TRUE(d.track);  // the track is not released by a failed read
        EXPECT_EQ(d.track->pointCount(), 5u);
        EXPECT_EQ(d.waypoints.count(), 1u);
        EXPECT_EQ(d.settings.DataPath, "");
    }
}

TEST(DocumentCommands, OpenRefusalsAndCancels) {
    Doc d;
    ScriptedPrompt prompt;
    ScriptedFileChooser chooser({std::string("/nowhere.kvn")});
    d.data.trackLog.logging = true;
    onOpen(d.access, chooser, prompt);
    EXPECT_EQ(d.questions, 0);
    EXPECT_TRUE(chooser.calls.empty());
    d.data.trackLog.logging = false;
    d.saveModifiedAnswer = false;  // Cancel in the "Confirm" question
    onOpen(d.access, chooser, prompt);
    EXPECT_EQ(d.questions, 1);
    EXPECT_TRUE(chooser.calls.empty());
    d.saveModifiedAnswer = true;
    ScriptedFileChooser cancel;
    onOpen(d.access, cancel, prompt);
    EXPECT_EQ(cancel.calls.size(), 1u);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST(DocumentCommands, SaveAsFailures) {
    TempDir dir;
    Doc d;
    d.giveTrack(1000);
    std::string path = dir.file("old.kvn");
    writeText(path, "the previous document");
    ScriptedPrompt prompt;
    ScriptedFileChooser chooser({path});
    {
        FileSizeLimit limit(4000);
        EXPECT_EQ(onSaveAs(d.access, chooser, prompt), Changes{});
    }
    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[0].text, "Save\n" + path + ": " + std::strerror(EFBIG));
    EXPECT_EQ(prompt.shown[1].text, "save error");
    EXPECT_EQ(prompt.shown[1].icon, Icon::Stop);
    EXPECT_EQ(readText(path), "the previous document");
    EXPECT_EQ(d.settings.DataPath, "");
}

TEST(DocumentCommands, WaypointTextCommands) {
    TempDir dir;
    Doc d;
    ScriptedPrompt prompt;
    ScriptedFileChooser chooser({dir.file("w.txt")});
    onExportWaypointText(d.access, chooser, prompt);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"No data for save"});
    EXPECT_TRUE(chooser.calls.empty());

    prompt.clear();
    d.waypoints.add(prompt, "ALPHA", 35.1, 139.1, "one", 3, 0, 0, 0);
    d.settings.CoordinateUTM = 1;
    onExportWaypointText(d.access, chooser, prompt);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(chooser.calls[0].defaultExtension, "txt");
    EXPECT_EQ(chooser.calls[0].start, "");

    Doc e;
    e.settings.CoordinateUTM = 1;
    ScriptedFileChooser open({dir.file("w.txt")});
    EXPECT_EQ(onImportWaypointText(e.access, open, prompt), Changes::Waypoints);  // modified stays as it was
    EXPECT_EQ(e.bias, 0);
    ASSERT_EQ(e.waypoints.count(), 1u);
    EXPECT_NEAR(e.waypoints.latitude(0), 35.1, 1e-6);

    ScriptedFileChooser missing({dir.file("none.txt")});
    onImportWaypointText(e.access, missing, prompt);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{dir.file("none.txt") + "\ncannot be read."});
}

TEST(DocumentCommands, PotCommands) {
    TempDir dir;
    Doc d;
    d.giveTrack(4);
    ScriptedPrompt prompt;
    ScriptedFileChooser chooser({dir.file("t.pot")});
    onWritePotTrack(d.access, chooser, prompt);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(chooser.calls[0].defaultExtension, "pot");

    ScriptedFileChooser c2({dir.file("w.pot")});
    onWritePotWaypoints(d.access, c2, prompt);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"No data for save"});

    Doc e;
    ScriptedFileChooser open({dir.file("t.pot")});
    EXPECT_EQ(onReadPot(e.access, open, prompt), Changes::Track);
    ASSERT_TRUE(e.track);
    EXPECT_EQ(e.track->pointCount(), 4u);
    EXPECT_EQ(e.bias, 0);

    // While a track log records, a POT track does not replace it.
    Doc f;
    f.giveTrack(2);
    f.data.trackLog.logging = true;
    ScriptedFileChooser again({dir.file("t.pot")});
    ScriptedPrompt p3;
    EXPECT_EQ(onReadPot(f.access, again, p3), Changes{});
    EXPECT_EQ(f.track->pointCount(), 2u);
    EXPECT_EQ(p3.beeps.size(), 1u);
}

TEST(DocumentCommands, GpxCommands) {
    TempDir dir;
    Doc d;
    d.giveTrack(3);
    ScriptedPrompt prompt;
    d.routes.setRouteName(0, "FIRST");
    d.routes.appendWaypoint(prompt, 0, "R1", 1, 2, "c", 0, 0, 0, 0);
    d.waypoints.add(prompt, "W1", 3, 4, "", 0, 0, 0, 0);
    ScriptedFileChooser chooser({dir.file("x.gpx")});
    onExportGpx(d.access, chooser, prompt);
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(chooser.calls[0].defaultExtension, "gpx");
    EXPECT_EQ(chooser.calls[0].title, "Export GPX");

    Doc e;
    ScriptedFileChooser open({dir.file("x.gpx")});
    EXPECT_EQ(onImportGpx(e.access, open, prompt),
              Changes::Track | Changes::Waypoints | Changes::Routes | Changes::Modified | Changes::Redraw);
    EXPECT_EQ(open.calls[0].title, "Import GPX");
    ASSERT_TRUE(e.track);
    EXPECT_EQ(e.track->pointCount(), 3u);
    EXPECT_EQ(e.waypoints.count(), 1u);
    EXPECT_EQ(e.routes.routeCount(), 1u);  // the empty ROUTE-00 took the file's route
    EXPECT_EQ(e.routes.routeName(0), "FIRST");
    EXPECT_EQ(e.routes.routeWaypointCount(0), 1u);

    writeText(dir.file("bad.gpx"), "<gpx>");
    ScriptedFileChooser bad({dir.file("bad.gpx")});
    ScriptedPrompt p2;
    EXPECT_EQ(onImportGpx(e.access, bad, p2), Changes{});
    ASSERT_EQ(p2.shown.size(), 1u);
    EXPECT_EQ(p2.shown[0].text.rfind(dir.file("bad.gpx") + "\nis not a GPX file (", 0), 0u);
    EXPECT_EQ(e.track->pointCount(), 3u);
}
