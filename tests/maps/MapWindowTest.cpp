// The 3 x 3 tile window on real map folders: which tiles are read on each move,
// what ends up in each slot, and how missing or damaged tiles are survived.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "files/TempDir.h"
#include "maps/MapCommands.h"
#include "maps/MapSet.h"
#include "maps/MapTestUtil.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using korvance::testing::TempDir;
using korvance::testing::tileColour;

namespace {

constexpr int kTile = 16;

// Colour shown in slot k (sampled at the slot's middle).
uint32_t slotColour(const MapSet& maps, int k) {
    return maps.window().at((k % 3) * kTile + kTile / 2, (k / 3) * kTile + kTile / 2);
}

void expectSlots(const MapSet& maps) {
    for (int k = 0; k < 9; ++k) {
        const int t = maps.SlotTile(maps.centreTile(), k);
        EXPECT_EQ(slotColour(maps, k), t < 0 ? kWhite : tileColour(t)) << "slot " << k;
    }
}

// A map of columns x rows tiles over 35..36 N, 139..140 E in a scratch folder (flat-coloured
// tiles in `ext`, or only its mapinfo.dat when `ext` is null), and a map set that loads it.
class MapFolder : public ::testing::Test {
protected:
    bool load(int columns, int rows, int tile, const char* ext = "png") {
        if (ext)
            korvance::testing::makeFlatMap(dir.file("m"), columns, rows, tile, tile, ext);
        else
            korvance::testing::putFile(dir.file("m/mapinfo.dat"),
                                       korvance::testing::infoText(columns, rows, 36, 139, 35, 140, tile, tile));
        return maps.LoadMapInfo(dir.file("m/mapinfo.dat"), prompt) == 1;
    }
    TempDir dir;
    MapSet maps;
    ScriptedPrompt prompt;
};

class MapWindow : public MapFolder, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override { ASSERT_TRUE(load(5, 5, kTile, GetParam().c_str())); }
};
using MapWindowRules = MapFolder;

TEST_P(MapWindow, MovesReadOnlyTheMissingTiles) {
    EXPECT_TRUE(maps.blank());
    ASSERT_EQ(maps.LoadWindow(0, prompt), 1);
    EXPECT_EQ(maps.centreTile(), 6);
    EXPECT_EQ(maps.lastReadTiles(), (std::vector<int>{0, 1, 2, 5, 6, 7, 10, 11, 12}));
    expectSlots(maps);
    struct Move {
        int ask, centre;
        std::vector<int> reads;
        int originShiftX, originShiftY;
    };
    const std::vector<Move> moves = {
        {7, 7, {3, 8, 13}, -kTile, 0},
        {6, 6, {0, 5, 10}, kTile, 0},
        {12, 12, {8, 13, 16, 17, 18}, -kTile, -kTile},
        {12, 12, {}, 0, 0},
        {6, 6, {0, 1, 2, 5, 10}, kTile, kTile},
        {4, 8, {2, 3, 4, 7, 8, 9, 12, 13, 14}, 0, 0},  // the corner asks for 8: two columns away, all read
        {18, 18, {12, 13, 14, 17, 18, 19, 22, 23, 24}, 0, 0},
        {24, 18, {}, 0, 0},  // already centred on the corner's interior neighbour
        {0, 6, {0, 1, 2, 5, 6, 7, 10, 11, 12}, 0, 0},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(m.ask);
        const int ox = maps.originX(), oy = maps.originY();
        const uint64_t before = maps.tileReads();
        ASSERT_EQ(maps.LoadWindow(m.ask, prompt), 1);
        EXPECT_EQ(maps.centreTile(), m.centre);
        std::vector<int> reads = maps.lastReadTiles();
        std::sort(reads.begin(), reads.end());
        EXPECT_EQ(reads, m.reads);
        EXPECT_EQ(maps.tileReads() - before, m.reads.size());
        EXPECT_EQ(maps.originX() - ox, m.originShiftX);
        EXPECT_EQ(maps.originY() - oy, m.originShiftY);
        expectSlots(maps);
    }
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_P(MapWindow, WindowBoundsAndMapping) {
    ASSERT_EQ(maps.LoadWindow(12, prompt), 1);
    double t, b, l, r;
    ASSERT_EQ(maps.GetWindowBounds(t, b, l, r), 1);
    EXPECT_NEAR(t, 36 - 0.2, 1e-12);
    EXPECT_NEAR(b, 35 + 0.2, 1e-12);
    EXPECT_NEAR(l, 139.2, 1e-12);
    EXPECT_NEAR(r, 139.8, 1e-12);
    EXPECT_EQ(maps.ViewToMapPixel(0, 0), (MapPoint{kTile, kTile}));
    const ClientRect c{0, 0, 20, 20};
    // Centre on the middle of tile 18 (row 3, column 3): the window follows.
    ASSERT_EQ(maps.CentreOn(c, 35.3, 139.7, -999, prompt), 1);
    EXPECT_EQ(maps.centreTile(), 18);
    const MapPoint v = maps.GeoToView(35.3, 139.7);
    EXPECT_EQ(v, (MapPoint{10, 10}));
    double lat, lon;
    maps.ViewToGeo(10, 10, lat, lon);
    EXPECT_NEAR(lat, 35.3, 0.2 / kTile);
    EXPECT_NEAR(lon, 139.7, 0.2 / kTile);
    RasterImage screen;
    screen.reset(20, 20, 0);
    ASSERT_EQ(maps.DrawWindow(screen, 0, 0, 20, 20), 1);
    EXPECT_EQ(screen.at(10, 10), tileColour(18));
}

TEST_P(MapWindow, MissingOrDamagedTilesAreClearedAndReportedInOneBox) {
    ASSERT_EQ(maps.LoadWindow(6, prompt), 1);
    const std::string ext = GetParam();
    std::filesystem::remove(dir.file("m/8." + ext));
    korvance::testing::putFile(dir.file("m/13." + ext), ext == "png" ? "\x89PNG\r\n\x1a\nbroken" : "BMbroken");
    ASSERT_EQ(maps.LoadWindow(7, prompt), 1);
    // One box for the load, listing every tile that failed.
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, dir.file("m/8." + ext) + "\n" + dir.file("m/13." + ext));
    EXPECT_EQ(prompt.shown[0].caption, "ERROR: can't load");
    EXPECT_EQ(prompt.shown[0].icon, Icon::Stop);
    // The failed slots are white, not the ground shifted in from the old window.
    EXPECT_EQ(slotColour(maps, 5), kWhite);
    EXPECT_EQ(slotColour(maps, 8), kWhite);
    for (int k : {0, 1, 2, 3, 4, 6, 7}) EXPECT_EQ(slotColour(maps, k), tileColour(maps.SlotTile(7, k)));
}

INSTANTIATE_TEST_SUITE_P(Formats, MapWindow, ::testing::Values("png", "bmp", "2bp"));

TEST_F(MapWindowRules, RecentreTargetTable) {
    EXPECT_EQ(maps.RecentreTarget(0), -1);
    ASSERT_TRUE(load(5, 5, 10, nullptr));
    struct Case {
        int centre;
        std::vector<int> targets;  // slots 0..8
    };
    const std::vector<Case> cases = {
        {12, {6, 7, 8, 11, -1, 13, 16, 17, 18}},     // interior everywhere
        {6, {-1, -1, 7, -1, -1, 7, 11, 11, 12}},     // top-left: corners -1, edges move along
        {8, {7, -1, -1, 7, -1, -1, 12, 13, 13}},     // top-right
        {16, {11, 11, 12, -1, -1, 17, -1, -1, 17}},  // near bottom-left: along the edges
        {7, {6, -1, 8, 6, -1, 8, 11, 12, 13}},       // along the top edge
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.centre);
        ASSERT_EQ(maps.LoadWindow(c.centre, prompt), 1);
        ASSERT_EQ(maps.centreTile(), c.centre);
        for (int k = 0; k < 9; ++k) EXPECT_EQ(maps.RecentreTarget(k), c.targets[k]) << "slot " << k;
    }
    EXPECT_EQ(maps.RecentreTarget(9), -1);
}

TEST_F(MapWindowRules, ViewInsideWindowAndSlotAtCentre) {
    const ClientRect c{0, 0, 120, 80};
    EXPECT_EQ(maps.ViewInsideWindow(c), 0);
    EXPECT_EQ(maps.SlotAtViewCentre(c), -1);
    ASSERT_TRUE(load(5, 5, 100, nullptr));
    struct Case {
        int x, y, inside, slot;
    };
    for (const Case& k : {Case{0, 10, 0, 0}, Case{1, 1, 1, 0}, Case{100, 100, 1, 4}, Case{179, 219, 1, 8},
                          Case{180, 100, 0, 5}, Case{100, 220, 0, 7}}) {
        maps.SetScrollOrigin(k.x, k.y, ClientRect{0, 0, 1, 1});
        EXPECT_EQ(maps.ViewInsideWindow(c), k.inside) << k.x << "," << k.y;
        EXPECT_EQ(maps.SlotAtViewCentre(c), k.slot) << k.x << "," << k.y;
    }
}

TEST_F(MapWindowRules, SmallMapsAndDiscard) {
    ASSERT_TRUE(load(2, 1, kTile));
    // No interior tile: the asked tile stays the centre and slots off the grid are white.
    ASSERT_EQ(maps.LoadWindow(1, prompt), 1);
    EXPECT_EQ(maps.centreTile(), 1);
    EXPECT_EQ(slotColour(maps, 4), tileColour(1));
    EXPECT_EQ(slotColour(maps, 3), tileColour(0));
    EXPECT_EQ(slotColour(maps, 5), kWhite);
    EXPECT_EQ(maps.LoadWindow(-1, prompt), 0);
    EXPECT_EQ(maps.LoadWindow(2, prompt), 0);
    EXPECT_TRUE(prompt.shown.empty());
    maps.DiscardMap();
    EXPECT_FALSE(maps.hasMap());
    EXPECT_TRUE(maps.blank());
    EXPECT_EQ(maps.window().at(0, 0), kWhite);
    EXPECT_EQ(maps.LoadWindow(0, prompt), 0);
    EXPECT_EQ(maps.ViewToMapPixel(0, 0), (MapPoint{-1, -1}));
    double t, b, l, r;
    EXPECT_EQ(maps.GetWindowBounds(t, b, l, r), 0);
}

// An opened map shows its top-left corner at the view's corner, whether the
// window is smaller than the map or holds it whole with white around it.
TEST(OpenedMap, ShowsItsCornerAtTheViewsCorner) {
    struct Case {
        int columns, rows, viewWidth, viewHeight;
    };
    const Case cases[] = {{12, 8, 5 * kTile, 2 * kTile}, {2, 1, 5 * kTile, 2 * kTile},
                          {1, 6, 2 * kTile, 7 * kTile}, {3, 3, kTile, kTile}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.columns << " x " << c.rows);
        TempDir dir;
        korvance::testing::makeFlatMap(dir.file("m"), c.columns, c.rows, kTile, kTile, "png");
        MapSet maps;
        ScriptedPrompt prompt;
        maps.setViewSize(c.viewWidth, c.viewHeight, prompt);
        std::string mapPath;
        ASSERT_TRUE(OpenMap(maps, dir.file("m/mapinfo.dat"), mapPath, prompt).any());
        EXPECT_EQ(maps.ViewToMapPixel(0, 0), (MapPoint{0, 0}));
        EXPECT_EQ(maps.window().at(maps.originX(), maps.originY()), tileColour(0));
    }
}

// A view wider than two tiles gets a window of 2h + 1 by 2v + 1 tiles that keeps the
// rules of 3 x 3: an interior centre, moves that read only the missing tiles, and
// re-centring one tile towards the view's middle, along the map's edges only.
TEST_F(MapWindowRules, WiderViewsGetWiderWindows) {
    ASSERT_TRUE(load(12, 8, kTile));
    maps.setViewSize(5 * kTile, 2 * kTile, prompt);  // h = 5 / 2 + 1 = 3, v = 2 / 2 + 1 = 2
    ASSERT_EQ(maps.slotColumns(), 7);
    ASSERT_EQ(maps.slotRows(), 5);
    auto expectWindow = [&] {
        for (int k = 0; k < maps.slotCount(); ++k) {
            const int t = maps.SlotTile(maps.centreTile(), k);
            const uint32_t shown = maps.window().at((k % 7) * kTile + kTile / 2, (k / 7) * kTile + kTile / 2);
            EXPECT_EQ(shown, t < 0 ? kWhite : tileColour(t)) << "slot " << k;
        }
    };
    struct Move {
        int ask, centre;
        size_t reads;
        std::vector<int> targets;  // RecentreTarget of slots 0, 3 (top middle), 6, 17 (centre), 34
    };
    const std::vector<Move> moves = {
        {0, 27, 35, {-1, -1, 28, -1, 40}},   // top-left corner: centre (row 2, column 3), all read
        {28, 28, 5, {27, -1, 29, -1, 41}},   // one column over: one column read
        {41, 41, 11, {28, 29, 30, -1, 54}},  // diagonally: a column and a row read
        {95, 68, 23, {55, 56, 56, -1, -1}},  // bottom-right corner: 3 columns and 2 rows over, 4 x 3 kept
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(m.ask);
        ASSERT_EQ(maps.LoadWindow(m.ask, prompt), 1);
        EXPECT_EQ(maps.centreTile(), m.centre);
        EXPECT_EQ(maps.lastReadTiles().size(), m.reads);
        expectWindow();
        const int slots[] = {0, 3, 6, 17, 34};
        for (size_t i = 0; i < 5; ++i) EXPECT_EQ(maps.RecentreTarget(slots[i]), m.targets[i]) << "slot " << slots[i];
    }
    // A narrower view lays the window out again as 3 x 3 around the view's middle.
    maps.SetScrollOrigin(0, 0, ClientRect{0, 0, 2 * kTile - 1, kTile});
    const MapPoint corner = maps.ViewToMapPixel(0, 0);
    maps.setViewSize(2 * kTile - 1, kTile, prompt);
    EXPECT_EQ(maps.slotCount(), 9);
    EXPECT_EQ(maps.ViewToMapPixel(0, 0), corner);
    expectSlots(maps);
    EXPECT_TRUE(prompt.shown.empty());

    // Large tiles on a large view: the window keeps to the image limits.
    korvance::testing::putFile(dir.file("big/mapinfo.dat"),
                               korvance::testing::infoText(40, 40, 36, 139, 35, 140, 2048, 2048));
    ASSERT_EQ(maps.LoadMapInfo(dir.file("big/mapinfo.dat"), prompt), 1);
    maps.setViewSize(16384, 16384, prompt);
    EXPECT_LE(int64_t{maps.windowWidth()} * maps.windowHeight(), kMaxImagePixels);
    EXPECT_LE(maps.windowWidth(), kMaxImageSide);
    EXPECT_GE(maps.slotRows(), 3);
}

// A window the memory cannot hold fails the load with the system's box; the
// program goes on. A child process runs the load under a small address-space
// limit (which the sanitizers' shadow memory does not allow).
TEST_F(MapWindowRules, WindowThatCannotBeAllocatedFailsTheLoad) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "an address-space limit cannot be set under a sanitizer";
#else
    ASSERT_TRUE(load(3, 3, 2048, nullptr));  // 3 x 3 tiles of 2048 x 2048: a window of 151 MB
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        long pages = 0;
        if (FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
            std::fclose(f);
        }
        const rlim_t limit = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (64u << 20);
        const rlimit rl{limit, limit};
        if (pages == 0 || setrlimit(RLIMIT_AS, &rl) != 0) _exit(2);
        const int loaded = maps.LoadWindow(4, prompt);
        const bool ok = loaded == 0 && maps.blank() && maps.centreTile() == -1 && maps.tileReads() == 0 &&
                        prompt.shown.size() == 1 && prompt.shown[0].text == "can't create hBitmap" &&
                        prompt.shown[0].caption == "GetLastError=" + std::to_string(ENOMEM) &&
                        prompt.shown[0].icon == Icon::Stop;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

}  // namespace
