// "Load &Map..." and "&Discard Map" with the scripted file chooser and prompt.

#include <gtest/gtest.h>

#include "files/TempDir.h"
#include "maps/MapCommands.h"
#include "maps/MapTestUtil.h"
#include "platform/CodePage.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using korvance::testing::putFile;
using korvance::testing::TempDir;

namespace {

struct Doc {
    MapSet maps;
    std::string mapPath;
    CodePage cp;
};

TEST(MapCommands, LoadMapFromListOrDescription) {
    TempDir dir;
    korvance::testing::makeFlatMap(dir.file("maps/area1"), 4, 4, 8, 8, "png");
    korvance::testing::makeFlatMap(dir.file("maps/area2"), 3, 3, 8, 8, "bmp");
    putFile(dir.file("maps/two.lst"), "Map List for Korvan CE\r\n102\r\narea2\\mapinfo.dat\t5\r\narea1\\mapinfo.dat\r\n");
    putFile(dir.file("maps/empty.lst"), "Map List for Korvan CE\r\n102\r\n");
    putFile(dir.file("maps/comment.lst"), ";Map List for Korvan CE\r\n102\r\narea1\\mapinfo.dat\r\n");
    putFile(dir.file("maps/cut.lst"), "Map List for Korvan");
    struct Case {
        const char* name;
        std::optional<std::string> pick;
        int result;
        std::string folder;        // map folder afterwards, "" none
        std::string message;       // "" none
    };
    const std::vector<Case> cases = {
        {"description", dir.file("maps/area1/mapinfo.dat"), 1, dir.file("maps/area1/"), ""},
        {"list opens its first entry", dir.file("maps/two.lst"), 1, dir.file("maps/area2/"), ""},
        {"empty list opens nothing", dir.file("maps/empty.lst"), 0, "", ""},
        {"comment before the header", dir.file("maps/comment.lst"), 0, "", "not a mapinfo.dat"},
        {"list header cut short", dir.file("maps/cut.lst"), 0, "", "not a mapinfo.dat"},
        {"cancel", std::nullopt, 0, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Doc doc;
        doc.mapPath = "/start/here";
        ScriptedFileChooser chooser({c.pick});
        ScriptedPrompt prompt;
        EXPECT_EQ(OnLoadMap(doc.maps, chooser, doc.cp, doc.mapPath, prompt),
                  c.result ? Changes::MapOpened : Changes::None);
        ASSERT_EQ(chooser.calls.size(), 1u);
        EXPECT_EQ(chooser.calls[0].start, "/start/here");
        ASSERT_EQ(chooser.calls[0].filters.size(), 3u);
        EXPECT_EQ(chooser.calls[0].filters[1].name, "Map list(*.lst)");
        EXPECT_EQ(chooser.calls[0].title, "Load Map");
        EXPECT_EQ(doc.maps.hasMap(), c.result == 1);
        if (c.result) {
            EXPECT_EQ(doc.maps.mapFolder(), c.folder);
            EXPECT_EQ(doc.mapPath, dir.file("maps"));
            EXPECT_EQ(doc.maps.centreTile(), doc.maps.info().columns + 1);
            EXPECT_FALSE(doc.maps.blank());
            EXPECT_EQ(prompt.waitDepth, 0);
            EXPECT_GE(prompt.waitCount, 1);
        } else {
            EXPECT_EQ(doc.mapPath, "/start/here");
        }
        if (c.message.empty()) {
            EXPECT_TRUE(prompt.shown.empty());
        } else {
            ASSERT_EQ(prompt.shown.size(), 1u);
            EXPECT_EQ(prompt.shown[0].text, c.message);
        }
    }
    EXPECT_EQ(MapPathOf("maps\\area1\\mapinfo.dat"), "maps");
    EXPECT_EQ(MapPathOf("area1/mapinfo.dat"), "");
}

TEST(MapCommands, DiscardAndKeepCentre) {
    TempDir dir;
    korvance::testing::makeFlatMap(dir.file("maps/a"), 5, 5, 20, 20, "png", 36, 139, 35, 140);
    korvance::testing::makeFlatMap(dir.file("maps/b"), 4, 4, 20, 20, "png", 35.9, 139.1, 35.1, 139.9);
    Doc doc;
    ScriptedPrompt prompt;
    ASSERT_EQ(OpenMap(doc.maps, dir.file("maps/a/mapinfo.dat"), doc.mapPath, prompt), Changes::MapOpened);
    const ClientRect view{0, 0, 30, 30};
    ASSERT_EQ(doc.maps.CentreOn(view, 35.45, 139.55, -999, prompt), 1);
    double lat0, lon0;
    doc.maps.ViewToGeo(15, 15, lat0, lon0);
    // The view stays where it was: a redraw, no centring on the track.
    ASSERT_EQ(LoadMapKeepCentre(doc.maps, view, dir.file("maps/b/mapinfo.dat"), doc.mapPath, prompt), Changes::Redraw);
    EXPECT_EQ(doc.maps.mapFolder(), dir.file("maps/b/"));
    double lat1, lon1;
    doc.maps.ViewToGeo(15, 15, lat1, lon1);
    EXPECT_NEAR(lat1, lat0, 0.8 / 80);  // within a pixel of the new map
    EXPECT_NEAR(lon1, lon0, 0.8 / 80);
    EXPECT_EQ(OnDiscardMap(doc.maps), Changes::MapDiscarded);  // what a discarded map leaves is the window's test
    EXPECT_TRUE(prompt.shown.empty());
}

}  // namespace
