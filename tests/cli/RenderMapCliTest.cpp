// korvance-cli render and map through the program itself: exit codes, what is
// printed, the pictures written, and map files left alone on refusal.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "files/TempDir.h"
#include "maps/MapImage.h"
#include "maps/MapTestUtil.h"
#include "support/RunCommand.h"

using korvance::RasterImage;
using korvance::testing::putFile;
using korvance::testing::TempDir;

namespace {

using korvance::testing::readText;

// Runs korvance-cli with its home, settings and runtime folders in `dir`.
korvance::testing::ProgramResult cli(const TempDir& dir, const std::string& words) {
    return korvance::testing::RunProgram("HOME=" + dir.path() + " XDG_CONFIG_HOME=" + dir.file("config") +
                                         " XDG_RUNTIME_DIR=" + dir.path() + " QT_QPA_PLATFORM=offscreen " +
                                         KORVANCE_BINARY_DIR "/src/cli/korvance-cli " + words);
}

// Two waypoints 0.1 degree apart and a route between them, as waypoint text.
std::string writeWaypoints(const TempDir& dir) {
    const std::string path = dir.file("points.gpx");
    putFile(path,
            "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"t\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
            "<wpt lat=\"35.5\" lon=\"139.5\"><name>MID</name></wpt>\n"
            "<wpt lat=\"35.6\" lon=\"139.6\"><name>NE</name></wpt>\n"
            "<trk><trkseg><trkpt lat=\"35.5\" lon=\"139.4\"/><trkpt lat=\"35.55\" lon=\"139.45\"/>"
            "<trkpt lat=\"35.6\" lon=\"139.5\"/></trkseg></trk>\n</gpx>\n");
    return path;
}

}  // namespace

TEST(RenderCli, ExitCodesAndPictures) {
    TempDir dir;
    const std::string data = writeWaypoints(dir);
    korvance::testing::makeFlatMap(dir.file("map"), 5, 5, 300, 300, "png", 36, 139, 35, 140);
    struct Case {
        const char* name;
        std::string words;
        int code;
        std::string errHas;  // "" none
    };
    const std::string out = dir.file("out.png");
    const std::vector<Case> cases = {
        {"no output", "render --data " + data, 2, "-o OUT.png"},
        {"bad size", "render -o " + out + " --size 12by9", 2, "bad --size"},
        {"unknown datum", "render -o " + out + " --datum Nowhere", 2, "unknown datum"},
        // The file is named once, then why.
        {"missing data", "render -o " + out + " --data " + dir.file("none.gpx"), 1,
         "korvance-cli render: " + dir.file("none.gpx") + ": cannot be read"},
        {"not a map", "render -o " + out + " --map " + data, 1, "cannot open map"},
        {"unknown goto", "render -o " + out + " --data " + data + " --goto FAR", 1, "FAR"},
        {"unwritable", "render -o " + dir.file("no/such/dir/x.png") + " --data " + data, 1, "x.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = cli(dir, c.words);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    }
    struct Picture {
        const char* name;
        std::string words;
        int width, height;
        int x, y;          // where the waypoint MID stands
        uint32_t colour;   // and its square's colour there
    };
    const std::vector<Picture> pictures = {
        {"centred, no map", "--size 200x160 --data " + data + " --centre 35.5 139.5", 200, 160, 100, 80, 0xFF0000},
        {"centred over a map", "--map " + dir.file("map/mapinfo.dat") + " --data " + data + " --centre 35.5 139.5",
         800, 600, 400, 300, 0xFF0000},
        {"default size, navigating: the status line", "--data " + data + " --navigation", 800, 600, -1, -1, 0},
    };
    for (const Picture& p : pictures) {
        SCOPED_TRACE(p.name);
        std::remove(out.c_str());
        const auto r = cli(dir, "render -o " + out + " " + p.words);
        ASSERT_EQ(r.code, 0) << r.err;
        RasterImage img;
        ASSERT_EQ(korvance::DecodePng(out, img), 1);
        EXPECT_EQ(img.width, p.width);
        EXPECT_EQ(img.height, p.height);
        if (p.x < 0) {  // black text in the strip below the view rectangle (600 - 14)
            int black = 0;
            for (int y = 586; y < 600; ++y)
                for (int x = 0; x < 300; ++x) black += img.at(x, y) == 0;
            EXPECT_GT(black, 20);
            continue;
        }
        EXPECT_EQ(img.at(p.x, p.y), p.colour);
        EXPECT_EQ(img.at(p.x - 4, p.y - 4), p.colour);
        EXPECT_NE(img.at(p.x + 5, p.y - 4), p.colour);
    }
}

TEST(MapCli, InfoChooseAndCalibrate) {
    TempDir dir;
    korvance::testing::makeFlatMap(dir.file("maps/a"), 3, 3, 10, 10, "png", 36, 139, 35, 140);
    korvance::testing::makeFlatMap(dir.file("maps/b"), 3, 3, 10, 10, "png", 35.8, 139.2, 35.2, 139.8);
    std::remove(dir.file("maps/a/4.png").c_str());
    putFile(dir.file("maps/all.lst"),
            "Map List for Korvan CE\r\n102\r\na\\mapinfo.dat\t30000\r\nb\\mapinfo.dat\t25000\r\ngone\\mapinfo.dat\r\n");
    const std::string info = dir.file("maps/a/mapinfo.dat");

    auto r = cli(dir, "map info " + info);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("tiles: 3 x 3\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("top: 36.000000000\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("missing tiles: 4.png\n"), std::string::npos) << r.out;
    r = cli(dir, "map info " + info + " --json");
    ASSERT_EQ(r.code, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["kind"], "mapinfo");
    EXPECT_EQ(j["columns"], 3);
    EXPECT_EQ(j["tile_width"], 10);
    EXPECT_EQ(j["right"], 140.0);
    EXPECT_EQ(j["missing_tiles"], nlohmann::json::array({"4.png"}));
    r = cli(dir, "map info " + dir.file("maps/all.lst") + " --json");
    ASSERT_EQ(r.code, 0) << r.err;
    j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["kind"], "list");
    ASSERT_EQ(j["maps"].size(), 3u);
    EXPECT_EQ(j["maps"][1]["priority"], 25000);
    EXPECT_EQ(j["maps"][1]["top"], 35.8);
    EXPECT_TRUE(j["maps"][2]["top"].is_null());
    r = cli(dir, "map info " + dir.file("maps/all.lst"));
    EXPECT_NE(r.out.find("unreadable"), std::string::npos) << r.out;
    EXPECT_EQ(cli(dir, "map info " + dir.file("nothing")).code, 1);
    EXPECT_EQ(cli(dir, "map info").code, 2);

    struct Choice {
        std::string words;
        std::string out;
    };
    const std::vector<Choice> choices = {
        {"35.5 139.5", dir.file("maps/b/mapinfo.dat") + "\n"},        // both hold it: the smaller value wins
        {"35.9 139.1", "none\n"},                                     // only a, which is current
        {"35.9 139.1 --current 1", dir.file("maps/a/mapinfo.dat") + "\n"},
        {"40 150", "none\n"},
    };
    for (const Choice& c : choices) {
        r = cli(dir, "map choose " + dir.file("maps/all.lst") + " " + c.words);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out, c.out) << c.words;
    }
    EXPECT_EQ(cli(dir, "map choose " + dir.file("maps/all.lst") + " north 139").code, 2);

    // Calibration: two points on one pixel row are refused and the file stays as it was.
    const std::string before = readText(info);
    r = cli(dir, "map calibrate " + info + " 5 5 35.9 139.1 25 5 35.9 139.9");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(readText(info), before);
    r = cli(dir, "map calibrate " + info + " 0 0 37 138 30 30 34 141");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "top: 37.000000000\nleft: 138.000000000\nbottom: 34.000000000\nright: 141.000000000\n");
    r = cli(dir, "map calibrate " + info + " 0 0 N37^00 138 30 30 34 141");
    EXPECT_EQ(r.code, 0) << r.err;
}
