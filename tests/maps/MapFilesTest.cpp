// Map lists, mapinfo.dat, the mapping and the automatic map choice, on real files.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <limits>
#include <thread>

#include "files/TempDir.h"
#include "maps/MapSet.h"
#include "maps/MapTestUtil.h"
#include "platform/CodePage.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using korvance::testing::TempDir;
using korvance::testing::putFile;

namespace {

const std::string kGood =
    "Korvan CE\r\n101\r\npng\r\n5\r\n5\r\n36.0\r\n139.0\r\n35.0\r\n140.0\r\n100\r\n100\r\n8\r\n";

TEST(MapInfo, AcceptanceAndRejection) {
    struct Case {
        const char* name;
        std::string text;
        int loaded;
        const char* message;  // nullptr: nothing shown
        int bpp;
    };
    const std::vector<Case> cases = {
        {"twelve lines", kGood, 1, nullptr, 8},
        {"LF only", "Korvan CE\n101\npng\n5\n5\n36\n139\n35\n140\n100\n100\n", 1, nullptr, 4},
        {"bpp 32 gives 4", "Korvan CE\r\n101\r\npng\r\n5\r\n5\r\n36\r\n139\r\n35\r\n140\r\n100\r\n100\r\n32\r\n", 1,
         nullptr, 4},
        {"version 100", "Korvan CE\r\n100\r\npng\r\n5\r\n5\r\n36\r\n139\r\n35\r\n140\r\n100\r\n100\r\n", 1, nullptr, 4},
        {"version 102", "Korvan CE\r\n102\r\npng\r\n5\r\n5\r\n36\r\n139\r\n35\r\n140\r\n100\r\n100\r\n", 0,
         "not acceptable version", 0},
        {"other case", "KORVAN CE\r\n101\r\npng\r\n5\r\n5\r\n36\r\n139\r\n35\r\n140\r\n100\r\n100\r\n", 0,
         "not a mapinfo.dat", 0},
        {"trailing text", "Korvan CE!\r\n101\r\npng\r\n5\r\n5\r\n36\r\n139\r\n35\r\n140\r\n100\r\n100\r\n", 0,
         "not a mapinfo.dat", 0},
        {"comment first", ";x\r\nKorvan CE\r\n101\r\npng\r\n5\r\n5\r\n36\r\n139\r\n35\r\n140\r\n100\r\n100\r\n", 0,
         "not a mapinfo.dat", 0},
        {"ends at line 9", "Korvan CE\r\n101\r\npng\r\n5\r\n5\r\n36\r\n139\r\n35\r\n140\r\n100\r\n", 0, nullptr, 0},
        {"empty file", "", 0, "not a mapinfo.dat", 0},
        // Grid or bounds that can't be shown (mended: they would divide by zero or allocate wildly).
        {"zero columns", "Korvan CE\r\n101\r\npng\r\n0\r\n5\r\n36\r\n139\r\n35\r\n140\r\n100\r\n100\r\n", 0, "", 0},
        {"huge grid", "Korvan CE\r\n101\r\npng\r\n99999\r\n99999\r\n36\r\n139\r\n35\r\n140\r\n100\r\n100\r\n", 0, "", 0},
        {"negative tile", "Korvan CE\r\n101\r\npng\r\n5\r\n5\r\n36\r\n139\r\n35\r\n140\r\n-100\r\n100\r\n", 0, "", 0},
        {"flat bounds", "Korvan CE\r\n101\r\npng\r\n5\r\n5\r\n36\r\n139\r\n36\r\n140\r\n100\r\n100\r\n", 0, "", 0},
        // A comment after line 0 shifts every field: "101" lands on the extension line, "png" on the columns.
        {"comment after line 0", "Korvan CE\r\n;c\r\n101\r\npng\r\n5\r\n5\r\n36\r\n139\r\n35\r\n140\r\n100\r\n100\r\n",
         0, "", 0},
        {"comment after line 0, fields one up", "Korvan CE\r\n;c\r\npng\r\n5\r\n4\r\n36\r\n139\r\n35\r\n140\r\n100\r\n100\r\n",
         1, nullptr, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        // A map already loaded must stay exactly as it was after a rejected file.
        putFile(dir.file("old/mapinfo.dat"), kGood);
        putFile(dir.file("new/mapinfo.dat"), c.text);
        MapSet maps;
        ScriptedPrompt prompt;
        ASSERT_EQ(maps.LoadMapInfo(dir.file("old/mapinfo.dat"), prompt), 1);
        ScriptedPrompt p2;
        EXPECT_EQ(maps.LoadMapInfo(dir.file("new/mapinfo.dat"), p2), c.loaded);
        if (c.message == nullptr) {
            EXPECT_TRUE(p2.shown.empty());
        } else if (*c.message) {
            ASSERT_EQ(p2.shown.size(), 1u);
            EXPECT_EQ(p2.shown[0].text, c.message);
            EXPECT_EQ(p2.shown[0].caption, "Error");
        } else {
            ASSERT_EQ(p2.shown.size(), 1u);
            EXPECT_NE(p2.shown[0].text.find(dir.file("new/mapinfo.dat")), std::string::npos);
        }
        if (c.loaded) {
            EXPECT_EQ(maps.info().bitsPerPixel, c.bpp);
            EXPECT_EQ(maps.mapFolder(), dir.file("new/"));
        } else {
            EXPECT_EQ(maps.mapFolder(), dir.file("old/"));
            EXPECT_EQ(maps.info().bitsPerPixel, 8);
            EXPECT_EQ(maps.tileBounds().size(), 25u);
        }
    }
}

// A loaded 5 x 5 map: its tiles' bounds and files, which tile a position is
// on, and the scroll origin held on the map.
TEST(MapInfo, TileBoundsTileAtAndScrollClamp) {
    TempDir dir;
    putFile(dir.file("m/mapinfo.dat"), kGood);
    MapSet maps;
    ScriptedPrompt prompt;
    EXPECT_EQ(maps.TileAt(35.5, 139.5), -1);
    ASSERT_EQ(maps.LoadMapInfo(dir.file("m/mapinfo.dat"), prompt), 1);
    const auto& b = maps.tileBounds();
    ASSERT_EQ(b.size(), 25u);
    EXPECT_DOUBLE_EQ(b[0].top, 36.0);
    EXPECT_DOUBLE_EQ(b[0].left, 139.0);
    EXPECT_NEAR(b[7].top, 35.8, 1e-12);     // row 1
    EXPECT_NEAR(b[7].left, 139.4, 1e-12);   // column 2
    EXPECT_NEAR(b[24].bottom, 35.0, 1e-12);
    EXPECT_NEAR(b[24].right, 140.0, 1e-12);
    EXPECT_EQ(maps.windowWidth(), 300);
    EXPECT_EQ(maps.tilePath(12), dir.file("m/12.png"));
    EXPECT_EQ(FolderOf("maps\\area1\\mapinfo.dat"), "maps\\area1");
    EXPECT_EQ(FolderOf("maps/area1\\mapinfo.dat"), "maps/area1");
    EXPECT_EQ(maps.ReloadMapInfo(prompt), 1);

    EXPECT_EQ(maps.TileAt(36.0, 139.0), 0);    // top edge belongs, left edge belongs
    EXPECT_EQ(maps.TileAt(35.0, 139.5), -1);   // bottom edge does not
    EXPECT_EQ(maps.TileAt(35.5, 140.0), -1);   // right edge does not
    EXPECT_EQ(maps.TileAt(35.8, 139.2), 6);    // on a shared edge the later tile of the scan wins
    EXPECT_EQ(maps.TileAt(35.01, 139.99), 24);
    EXPECT_EQ(maps.CentreOn(ClientRect{0, 0, 100, 100}, 20, 20, 0, prompt), 0);

    const ClientRect c{0, 0, 200, 150};
    maps.SetScrollOrigin(-5, -5, c);
    EXPECT_EQ(maps.originX(), 0);
    EXPECT_EQ(maps.originY(), 0);
    maps.SetScrollOrigin(500, 500, c);
    EXPECT_EQ(maps.originX(), 100);
    EXPECT_EQ(maps.originY(), 150);
}

TEST(MapList, VersionsPrioritiesAndSeparators) {
    TempDir dir;
    CodePage cp;
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> paths;
        std::vector<int> priorities;
    };
    const std::string m = dir.file("maps") + "/";
    const std::vector<Case> cases = {
        {"101", "Map List for Korvan CE\r\n101\r\narea1\\mapinfo.dat\r\n", {m + "area1/mapinfo.dat"}, {30000}},
        {"101 keeps tabs", "Map List for Korvan CE\n101\narea1\\mapinfo.dat\t25000\n",
         {m + "area1/mapinfo.dat\t25000"}, {30000}},
        {"102", "Map List for Korvan CE\r\n102\r\narea1\\mapinfo.dat\t25000\r\nb/mapinfo.dat\r\n",
         {m + "area1/mapinfo.dat", m + "b/mapinfo.dat"}, {25000, 30000}},
        {"comments, short and empty fields",
         "Map List for Korvan CE extra\n;c\n102\n;skip\nx\n\t100\na\\mapinfo.dat\t-5\n",
         {m + "a/mapinfo.dat"}, {-5}},
        {"no entries", "Map List for Korvan CE\n102\n", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        putFile(dir.file("maps/list.lst"), c.text);
        MapList list;
        ASSERT_TRUE(list.load(dir.file("maps/list.lst"), cp));
        ASSERT_EQ(list.count(), c.paths.size());
        for (size_t i = 0; i < c.paths.size(); ++i) {
            EXPECT_EQ(*list.path(i), c.paths[i]);
            EXPECT_EQ(list.priority(i), c.priorities[i]);
        }
        EXPECT_FALSE(list.path(c.paths.size()).has_value());
        EXPECT_EQ(list.priority(c.paths.size()), 32767);
    }
    // A list that ends before its version keeps the old list.
    putFile(dir.file("maps/list.lst"), "Map List for Korvan CE\n102\na\\mapinfo.dat\nb\\mapinfo.dat\n");
    MapList list;
    ASSERT_TRUE(list.load(dir.file("maps/list.lst"), cp));
    EXPECT_EQ(list.capacity(), 2u);  // four lines minus header and version
    putFile(dir.file("maps/bad.lst"), "Map List for Korvan CE\n;only a comment\n");
    EXPECT_FALSE(list.load(dir.file("maps/bad.lst"), cp));
    EXPECT_EQ(list.count(), 2u);
    // Stepping through a list is the view's arrow keys' test; past its end there is nothing.
    EXPECT_EQ(*list.next(), m + "b/mapinfo.dat");
    EXPECT_FALSE(list.next().has_value());
}

TEST(Mapping, GeoToViewAndBack) {
    MapSet maps;
    maps.SetWindowGeometry(300, 300, 36, 35, 139, 140);
    EXPECT_EQ(maps.GeoToView(35.5, 139.5), (MapPoint{150, 150}));
    double lat, lon;
    maps.ViewToGeo(0, 0, lat, lon);
    EXPECT_DOUBLE_EQ(lat, 36);
    EXPECT_DOUBLE_EQ(lon, 139);
    maps.SetScrollOrigin(-10, 20, ClientRect{0, 0, 100, 100});  // no map: no clamp
    EXPECT_EQ(maps.GeoToView(35.5, 139.5), (MapPoint{160, 130}));
    double t, b, l, r;
    EXPECT_EQ(maps.GetWindowBounds(t, b, l, r), 1);
    maps.SetWindowGeometry(300, 300, 35, 35, 139, 139);
    EXPECT_EQ(maps.GetWindowBounds(t, b, l, r), 0);
    // A degenerate window saturates instead of converting infinity.
    const MapPoint p = maps.GeoToView(35.5, 139.5);
    (void)p;
    // A far position on a fine window meets the scroll origin: the view
    // coordinate is held at the 32-bit limits instead of wrapping around.
    maps.SetWindowGeometry(300, 300, 35.0000001, 35, 139, 139.0000001);
    maps.SetScrollOrigin(-10, 20, ClientRect{0, 0, 100, 100});
    constexpr int kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
    EXPECT_EQ(maps.GeoToView(-89, 179), (MapPoint{kMax, kMax - 20}));
    EXPECT_EQ(maps.GeoToView(89, -179), (MapPoint{kMin + 10, kMin}));
}

TEST(Mapping, LookAheadSectorsAndHysteresis) {
    MapSet maps;  // without a map: no tiles, the mapping alone
    maps.SetWindowGeometry(300, 300, 36, 35, 139, 140);
    ScriptedPrompt prompt;
    const ClientRect c{0, 0, 300, 300};
    struct Step {
        int heading;
        MapPoint offset;
    };
    const std::vector<Step> steps = {
        {90, {-100, 0}},  {95, {-100, 0}},   {101, {-100, 0}}, {180, {0, -100}},  {225, {100, -100}},
        {270, {100, 0}},  {315, {100, 100}}, {355, {0, 100}},    {5, {0, 100}},     {-999, {0, 0}},
        {350, {0, 0}},    {340, {0, 100}},     {30, {-100, 100}},  {45, {-100, 100}}, {70, {-100, 0}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.heading);
        ASSERT_EQ(maps.CentreOn(c, 35.5, 139.5, s.heading, prompt), 1);
        EXPECT_EQ(maps.lookAheadOffset(), s.offset);
        EXPECT_EQ(maps.lastCentrePoint(), (MapPoint{150 - s.offset.x, 150 - s.offset.y}));
        EXPECT_EQ(maps.originX(), 150 - s.offset.x - 150);
    }
}

// The lower value winning and no map holding the place are korvance-cli map choose's test.
TEST(ChooseMap, PrioritiesTiesAndEdges) {
    TempDir dir;
    CodePage cp;
    auto info = [](double top, double left, double bottom, double right) {
        return korvance::testing::infoText(5, 5, top, left, bottom, right, 10, 10);
    };
    putFile(dir.file("maps/a/mapinfo.dat"), info(36, 139, 35, 140));
    putFile(dir.file("maps/b/mapinfo.dat"), info(36, 139, 35, 140));
    putFile(dir.file("maps/c/mapinfo.dat"), info(37, 138, 34, 141));
    putFile(dir.file("maps/d/mapinfo.dat"), info(40, 130, 30, 150));
    putFile(dir.file("maps/broken/mapinfo.dat"), "junk");
    struct Case {
        const char* name;
        std::string list;
        size_t current;
        double lat, lon;
        std::string expect;  // "" none
        size_t currentAfter;
    };
    const std::string m = dir.file("maps") + "/";
    const std::vector<Case> cases = {
        {"lowest value, first in the list", "d\\mapinfo.dat\t9\nc\\mapinfo.dat\t20000\na\\mapinfo.dat\t20000\n", 2, 35.5,
         139.5, m + "d/mapinfo.dat", 0},
        {"tie from elsewhere", "d\\mapinfo.dat\t30000\nc\\mapinfo.dat\t20000\na\\mapinfo.dat\t20000\n", 0, 35.5,
         139.5, m + "c/mapinfo.dat", 1},
        {"current is best: none", "a\\mapinfo.dat\t100\nc\\mapinfo.dat\t200\n", 0, 35.5, 139.5, "", 0},
        {"32767 never chosen", "c\\mapinfo.dat\t32767\na\\mapinfo.dat\t32767\n", 1, 35.5, 139.5, "", 1},
        {"edge is outside", "c\\mapinfo.dat\t1\na\\mapinfo.dat\t0\n", 0, 36.0, 139.5, "", 0},
        {"unreadable skipped", "broken\\mapinfo.dat\t0\nb\\mapinfo.dat\t5\n", 0, 35.5, 139.5, m + "b/mapinfo.dat",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        putFile(dir.file("maps/list.lst"), "Map List for Korvan CE\n102\n" + c.list);
        MapSet maps;
        ASSERT_TRUE(maps.LoadMapList(dir.file("maps/list.lst"), cp));
        maps.list().setCurrent(c.current);
        ScriptedPrompt prompt;
        const auto chosen = maps.ChooseMapAt(c.lat, c.lon, prompt);
        EXPECT_EQ(chosen.value_or(""), c.expect);
        EXPECT_EQ(maps.list().current(), c.currentAfter);
    }
}

// The choice runs at every navigation tick: a list's files are read once, a
// broken one is reported once, one cut short is passed over without a word,
// and a map rewritten meanwhile is seen anew.
TEST(ChooseMap, ListFilesReadOnceUntilTheyChange) {
    TempDir dir;
    CodePage cp;
    putFile(dir.file("maps/a/mapinfo.dat"), korvance::testing::infoText(5, 5, 36, 139, 35, 140, 10, 10));
    putFile(dir.file("maps/broken/mapinfo.dat"), "junk");
    putFile(dir.file("maps/cut/mapinfo.dat"), "Korvan CE\r\n101\r\npng\r\n5\r\n5\r\n36.5\r\n");
    putFile(dir.file("maps/list.lst"),
            "Map List for Korvan CE\n102\nbroken\\mapinfo.dat\t0\ncut\\mapinfo.dat\t0\na\\mapinfo.dat\t5\n");
    MapSet maps;
    ASSERT_TRUE(maps.LoadMapList(dir.file("maps/list.lst"), cp));
    ScriptedPrompt prompt;
    for (int tick = 0; tick < 3; ++tick) {
        maps.list().setCurrent(0);
        EXPECT_EQ(maps.ChooseMapAt(35.5, 139.5, prompt).value_or(""), dir.file("maps") + "/a/mapinfo.dat");
    }
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "not a mapinfo.dat");
    // Map a is made again elsewhere; the next look at the files, a second on, finds it gone from here.
    putFile(dir.file("maps/a/mapinfo.dat"), korvance::testing::infoText(5, 5, 51, 9, 50, 10, 10, 10));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    maps.list().setCurrent(0);
    EXPECT_FALSE(maps.ChooseMapAt(35.5, 139.5, prompt).has_value());
    EXPECT_EQ(maps.ChooseMapAt(50.5, 9.5, prompt).value_or(""), dir.file("maps") + "/a/mapinfo.dat");
    EXPECT_EQ(prompt.shown.size(), 1u);
}

TEST(Calibration, RoundTripAndRefusal) {
    TempDir dir;
    putFile(dir.file("m/mapinfo.dat"), korvance::testing::infoText(4, 4, 1, 1, 0, 2, 256, 256, "bmp"));
    MapSet maps;
    ScriptedPrompt prompt;
    ASSERT_EQ(maps.LoadMapInfo(dir.file("m/mapinfo.dat"), prompt), 1);
    const CalibrationPoint p1{100, 200, 139.25, 35.75};
    const CalibrationPoint p2{900, 800, 139.75, 35.40};
    ASSERT_EQ(maps.WriteMapInfo(p1, p2, prompt), 1);
    ASSERT_EQ(maps.ReloadMapInfo(prompt), 1);
    EXPECT_EQ(maps.info().extension, "bmp");
    EXPECT_EQ(maps.info().version, 101);
    EXPECT_EQ(maps.info().columns, 4);
    EXPECT_EQ(maps.info().bitsPerPixel, 24);
    // Map pixel -> position through the linear mapping of the whole map.
    auto toGeo = [&](int x, int y) {
        const MapInfo& i = maps.info();
        return std::pair{i.top - (i.top - i.bottom) * y / (i.rows * i.tileHeight),
                         i.left + (i.right - i.left) * x / (i.columns * i.tileWidth)};
    };
    for (const CalibrationPoint& p : {p1, p2}) {
        const auto [lat, lon] = toGeo(p.x, p.y);
        EXPECT_NEAR(lat, p.latitude, 1e-7);
        EXPECT_NEAR(lon, p.longitude, 1e-7);
    }
    EXPECT_TRUE(prompt.shown.empty());
    const std::string written = korvance::testing::readText(dir.file("m/mapinfo.dat"));
    EXPECT_EQ(written.substr(0, 21), "Korvan CE\r\n101\r\nbmp\r\n");
    // Same row or same column: refused, the file untouched.
    for (const CalibrationPoint& q : {CalibrationPoint{100, 500, 139.5, 35.5}, CalibrationPoint{400, 200, 139.5, 35.5}}) {
        ScriptedPrompt p;
        EXPECT_EQ(maps.WriteMapInfo(p1, q, p), 0);
        ASSERT_EQ(p.shown.size(), 1u);
        EXPECT_EQ(p.shown[0].caption, "Error");
        EXPECT_EQ(korvance::testing::readText(dir.file("m/mapinfo.dat")), written);
    }
    // A write the system refuses (a folder where the file goes, refused even to root):
    // the file writers' report, path and reason, with the error number in the caption.
    std::filesystem::remove(dir.file("m/mapinfo.dat"));
    std::filesystem::create_directories(dir.file("m/mapinfo.dat/x"));
    ScriptedPrompt refused;
    EXPECT_EQ(maps.WriteMapInfo(p1, p2, refused), 0);
    ASSERT_EQ(refused.shown.size(), 1u);
    EXPECT_EQ(refused.shown[0].text, dir.file("m/mapinfo.dat") + "\n" + systemErrorText(EISDIR));
    EXPECT_EQ(refused.shown[0].caption, "GetLastError=" + std::to_string(EISDIR));
    EXPECT_EQ(refused.shown[0].icon, Icon::Stop);
}

}  // namespace
