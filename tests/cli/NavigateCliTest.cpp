// korvance-cli navigate run as the real program: an .nme log driving a route
// to its end with the alarm across two maps, and Garmin polling against the receiver
// simulator on a pseudo-terminal until the simulator goes away.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "files/TempDir.h"
#include "geodesy/Datum.h"
#include "sim/nmea/NmeaSentences.h"
#include "maps/MapTestUtil.h"
#include "support/RunCommand.h"

namespace korvance {
namespace {

using korvance::testing::TempDir;

const std::string kCli = std::string(KORVANCE_BINARY_DIR) + "/src/cli/korvance-cli";

std::vector<nlohmann::ordered_json> linesOf(const std::string& out) {
    std::vector<nlohmann::ordered_json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::ordered_json::parse(line));
    return lines;
}

using korvance::testing::readText;

// The first line a simulator started in the background writes into `path`
// (its device), waiting up to five seconds; "" when none came.
std::string firstLineOf(const std::string& path) {
    for (int i = 0; i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const std::string text = readText(path);
        if (const size_t end = text.find('\n'); end != std::string::npos) return text.substr(0, end);
    }
    return {};
}

size_t trackPointsIn(const std::string& gpx) {
    size_t points = 0;
    for (size_t at = 0; (at = gpx.find("<trkpt", at)) != std::string::npos; ++at) ++points;
    return points;
}

// Latitude `km` north of 35.0 N on the meridian 139.0 E.
double north(double km) { return 35.0 + km / Datum("WGS 84").DistanceKm(35.0, 139.0, 36.0, 139.0); }

// A route of three waypoints 0.52, 1.02 and 1.52 km north; the waypoints MID
// (1.02 km north) and FAR.
void writeRoute(const std::string& path) {
    std::ofstream f(path);
    f << std::setprecision(12)
      << "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"t\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
      << "<wpt lat=\"36.5\" lon=\"139.5\"><name>FAR</name></wpt>\n<wpt lat=\"" << north(1.02)
      << "\" lon=\"139\"><name>MID</name></wpt>\n<rte><name>NORTH</name>\n";
    for (int i = 0; i < 3; ++i)
        f << "<rtept lat=\"" << north(0.52 + 0.5 * i) << "\" lon=\"139\"><name>R" << i + 1 << "</name></rtept>\n";
    f << "</rte>\n</gpx>\n";
}

double numberOf(const nlohmann::ordered_json& text) { return nlohmann::json::parse(text.get<std::string>()).get<double>(); }

TEST(NavigateCli, AnNmeaLogDrivesARouteToItsEndWithTheAlarm) {
    TempDir dir;
    writeRoute(dir.file("route.gpx"));
    // Northwards at 180 km/h: 50 m a second, 40 fixes from 0 to 1.95 km.
    std::ofstream nme(dir.file("trip.nme"), std::ios::binary);
    const int64_t start = 1700000000;
    for (int i = 0; i < 40; ++i) {
        NmeaTrackPoint p{north(0.05 * i), 139.0, 20.0, start + i, 180.0, 0.0};
        nme << FormatRmc(p) << FormatGga(p);
    }
    nme.close();
    // Two maps, one south and one north of 1.02 km: the map follows the position.
    testing::makeFlatMap(dir.file("maps/south"), 2, 2, 16, 16, "png", north(1.02), 138.99, north(-0.1), 139.01);
    testing::makeFlatMap(dir.file("maps/north"), 2, 2, 16, 16, "png", north(2.1), 138.99, north(1.02), 139.01);
    testing::putFile(dir.file("maps/all.lst"),
                     "Map List for Korvan CE\r\n101\r\nsouth\\mapinfo.dat\r\nnorth\\mapinfo.dat\r\n");
    const auto r = testing::RunProgram("TZ=JST-9 '" + kCli + "' navigate --nmea-file " + dir.file("trip.nme") +
                                       " --data " + dir.file("route.gpx") + " --map " + dir.file("maps/all.lst") +
                                       " --route 0 --reach 100 --alarm 150 --datum 'WGS 84' --track-out " +
                                       dir.file("out.gpx"));
    ASSERT_EQ(r.code, 0) << r.err;
    const auto lines = linesOf(r.out);
    ASSERT_EQ(lines.size(), 40u);
    std::vector<std::string> keys;
    for (auto it = lines[5].begin(); it != lines[5].end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"tick", "time", "lat", "lon", "height", "points", "speed", "track",
                                              "target", "distance", "bearing", "relative", "ete", "route_index",
                                              "advanced", "alarm_state", "sound", "map"}));

    // A waypoint counts as reached inside 100 m (the fix 70 m before it); the
    // alarm sounds inside 150 m of the current target, at every tick; the last
    // waypoint stays the target.
    for (int i = 0; i < 40; ++i) {
        SCOPED_TRACE(i);
        const auto& j = lines[size_t(i)];
        const int leg = i <= 9 ? 0 : i <= 19 ? 1 : 2;
        const double toTarget = std::abs(0.52 + 0.5 * leg - 0.05 * i);
        const double alarmKm = i == 9 || i == 19 ? 0.07 : toTarget;  // the reached waypoint's distance
        EXPECT_EQ(j["tick"], i + 1);
        EXPECT_EQ(j["time"], start + i);
        EXPECT_EQ(j["points"], i + 1);
        EXPECT_EQ(j["route_index"], i < 9 ? 0 : i < 19 ? 1 : 2);
        EXPECT_EQ(j["advanced"], i == 9 || i == 19);
        EXPECT_EQ(j["target"], std::string("R") + std::to_string((i < 9 ? 0 : i < 19 ? 1 : 2) + 1));
        EXPECT_EQ(j["sound"], alarmKm < 0.15);
        EXPECT_EQ(j["alarm_state"], alarmKm < 0.15 ? 1 : 0);
        EXPECT_EQ(j["map"], dir.file(0.05 * i < 1.02 ? "maps/south/mapinfo.dat" : "maps/north/mapinfo.dat"));
        EXPECT_NEAR(j["lat"].get<double>(), north(0.05 * i), 2e-6);
        if (i == 0) {
            EXPECT_EQ(j["speed"], "0.0");
            EXPECT_EQ(j["ete"], "--:--:--");
        } else {
            EXPECT_NEAR(numberOf(j["speed"]), 180.0, 1.0);  // the recording's own clock
            EXPECT_EQ(j["track"], "000");
        }
    }
    // In a zone nine hours east the times are still those of the fixes.
    EXPECT_EQ(lines[1]["distance"], "0.47");
    EXPECT_EQ(lines[1]["bearing"], "000");
    EXPECT_EQ(lines[1]["relative"], 0);
    EXPECT_EQ(lines[1]["ete"], "00:00:09");
    EXPECT_EQ(lines[39]["bearing"], "180");  // the last waypoint lies behind
    EXPECT_EQ(lines[39]["relative"], 180);
    EXPECT_EQ(lines[39]["ete"], "--:--:--");
    EXPECT_NE(readText(dir.file("out.gpx")).find("<trkpt"), std::string::npos);
}

TEST(NavigateCli, GarminPollingUntilTheReceiverGoesAway) {
    TempDir dir;
    // The simulator answers the points of this track one by one; it ends
    // when its standard input closes, as a receiver pulled out.
    {
        std::ofstream f(dir.file("drive.gpx"));
        f << std::setprecision(12)
          << "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"t\" "
             "xmlns=\"http://www.topografix.com/GPX/1/1\">\n<trk><trkseg>\n";
        for (int i = 0; i < 8; ++i)
            f << "<trkpt lat=\"" << north(0.3 * i) << "\" lon=\"139\"><time>2024-01-01T00:00:0" << i
              << "Z</time></trkpt>\n";
        f << "</trkseg></trk>\n</gpx>\n";
    }
    writeRoute(dir.file("route.gpx"));
    const std::string sim = "(sleep 6) | '" + kCli + "' simulate-receiver --moving --data " + dir.file("drive.gpx") +
                            " > " + dir.file("sim.txt") + " 2>/dev/null &";
    ASSERT_EQ(std::system(sim.c_str()), 0);
    const std::string device = firstLineOf(dir.file("sim.txt"));
    ASSERT_FALSE(device.empty());
    const auto r = testing::RunProgram("TZ=UTC '" + kCli + "' navigate --port " + device + " --data " +
                                       dir.file("route.gpx") + " --goto MID --datum 'WGS 84' --track-out " +
                                       dir.file("kept.gpx"));
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find("stopped answering"), std::string::npos) << r.err;
    const auto lines = linesOf(r.out);
    ASSERT_GE(lines.size(), 2u) << r.err;
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i]["points"], int(i) + 1);
        EXPECT_EQ(lines[i]["target"], "MID");
    }
    EXPECT_EQ(lines[0]["distance"], "1.02");
    // The track so far is written.
    const std::string kept = readText(dir.file("kept.gpx"));
    EXPECT_EQ(trackPointsIn(kept), lines.size());
}

TEST(NavigateCli, NmeaPortUntilTheReceiverGoesAway) {
    TempDir dir;
    // The NMEA simulator streams for three seconds and then closes its side of
    // the line, as a receiver pulled out; navigation waits for it to come back
    // until it is told to end.
    const std::string sim = "'" + kCli + "' simulate-nmea --rate 5 --seconds 3 > " + dir.file("sim.txt") +
                            " 2>/dev/null &";
    ASSERT_EQ(std::system(sim.c_str()), 0);
    const std::string device = firstLineOf(dir.file("sim.txt"));
    ASSERT_FALSE(device.empty());
    // Navigation reads the port through a name of its own that goes before the
    // simulator does, as a USB receiver's by-id name goes with it: retrying the
    // bare pseudo-terminal's name would open the next test's terminal once
    // the number is given out again, and take that test's bytes.
    const std::string link = dir.file("usb-gps");
    ASSERT_EQ(::symlink(device.c_str(), link.c_str()), 0);
    ASSERT_EQ(std::system(("(sleep 2; rm -f '" + link + "') &").c_str()), 0);
    const auto r = testing::RunProgram("timeout --preserve-status -s TERM 6 '" + kCli + "' navigate --nmea-port " + link +
                                       " --track-out " + dir.file("kept.gpx"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("korvance-cli navigate: NMEA receiver lost ("), std::string::npos) << r.err;
    const auto lines = linesOf(r.out);
    ASSERT_GE(lines.size(), 2u) << r.err;
    const std::string kept = readText(dir.file("kept.gpx"));
    EXPECT_EQ(trackPointsIn(kept), lines.size());
}

}  // namespace
}  // namespace korvance
