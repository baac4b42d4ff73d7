// korvance-cli nmea, run in-process: from a file and from the simulator's
// pseudo-terminal, with a log, and its usage errors.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/Cli.h"
#include "files/TempDir.h"
#include "sim/nmea/NmeaSource.h"

namespace korvance {
namespace {

int run(std::vector<std::string> words, std::string& out, std::string& err) {
    cli::Args args(std::move(words));
    std::ostringstream o, e;
    int rc = cli::runNmea(args, o, e);
    out = o.str();
    err = e.str();
    return rc;
}

using korvance::testing::readText;

TEST(NmeaCli, FileToFixLinesAndLog) {
    testing::TempDir dir;
    auto track = BuiltinNmeaTrack(3, -33.5, -70.25, 18.52);
    std::string input, rmcs;
    for (const auto& p : track) {
        input += FormatGga(p) + FormatRmc(p) + FormatVtg(p);
        rmcs += FormatRmc(p);
    }
    input += "$GPRMC,garbage*00\r\n";
    std::ofstream(dir.file("in.nme"), std::ios::binary) << input;
    std::string out, err;
    ASSERT_EQ(run({"--file", dir.file("in.nme"), "--log", dir.file("out.nme")}, out, err), 0) << err;
    EXPECT_EQ(out,
              "1111581319 -33.5000000 -70.2500000 545.4 18.52 84\n"
              "1111581320 -33.4999950 -70.2499450 545.7 18.52 84\n"
              "1111581321 -33.4999900 -70.2498900 546.1 18.52 85\n");
    EXPECT_EQ(readText(dir.file("out.nme")), rmcs);

    ASSERT_EQ(run({"--file", dir.file("in.nme"), "--count", "2"}, out, err), 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2);
}

TEST(NmeaCli, PortOfTheSimulator) {
    auto track = BuiltinNmeaTrack(100);
    NmeaSource source(track, 100.0, {}, true);
    ASSERT_TRUE(source.start());
    std::string out, err;
    ASSERT_EQ(run({"--port", source.devicePath(), "--baud", "9600", "--count", "5"}, out, err), 0) << err;
    std::istringstream lines(out);
    long long t = 0;
    int n = 0;
    long long first = -1;
    while (lines >> t) {
        double lat, lon, alt, speed;
        int course;
        lines >> lat >> lon >> alt >> speed >> course;
        if (first < 0) first = t;
        EXPECT_EQ(t, first + n);
        size_t i = static_cast<size_t>(t - track[0].utc);
        ASSERT_LT(i, track.size());
        EXPECT_NEAR(lat, track[i].latitude, 2e-6);
        EXPECT_NEAR(lon, track[i].longitude, 2e-6);
        ++n;
    }
    EXPECT_EQ(n, 5);
}

TEST(NmeaCli, SimulatorWithOnceEndsAfterItsTrack) {
    // Returns by itself (it used to fall silent and run until killed).
    cli::Args args({"--rate", "200", "--points", "5", "--once"});
    std::ostringstream out, err;
    EXPECT_EQ(cli::runSimulateNmea(args, out, err), 0) << err.str();
    EXPECT_EQ(out.str().rfind("/dev/", 0), 0u) << out.str();
}

TEST(NmeaCli, Failures) {
    testing::TempDir dir;
    std::ofstream(dir.file("in.nme")) << "";
    struct Row {
        std::vector<std::string> words;
        int rc;
        std::string err;
    } rows[] = {
        {{}, 2, "usage"},
        {{"--port", "/dev/x", "--file", "y"}, 2, "usage"},
        {{"--file", "y", "--baud", "4800"}, 2, "usage"},
        {{"--file", dir.file("in.nme"), "--count", "0"}, 2, "--count"},
        {{"--file", dir.file("in.nme"), "--bogus"}, 2, "usage"},
        {{"--file", dir.file("missing.nme")}, 1, "missing.nme: cannot open"},
        // The reason is the system's, in the user's language.
        {{"--file", dir.file("in.nme"), "--log", dir.file("no/such/folder.nme")}, 1, std::string("cannot create: ") + std::strerror(ENOENT)},
        {{"--port", "/dev/nonexistent-korvance"}, 1, "/dev/nonexistent-korvance"},
    };
    for (const auto& row : rows) {
        std::string out, err;
        EXPECT_EQ(run(row.words, out, err), row.rc) << err;
        EXPECT_NE(err.find(row.err), std::string::npos) << err;
    }
}

TEST(NmeaCli, Replay) {
    // Recorded sessions beside their expected fixes (replay/README.md).
    namespace fs = std::filesystem;
    bool update = std::getenv("KORVANCE_UPDATE_GOLDEN") != nullptr;
    int replayed = 0;
    for (const auto& entry : fs::directory_iterator(KORVANCE_NMEA_REPLAY)) {
        if (entry.path().extension() != ".nme") continue;
        fs::path expected = entry.path();
        expected.replace_extension(".expected");
        std::string out, err;
        ASSERT_EQ(run({"--file", entry.path().string()}, out, err), 0) << err;
        if (update) std::ofstream(expected, std::ios::binary) << out;
        EXPECT_EQ(out, readText(expected.string())) << entry.path();
        ++replayed;
    }
    EXPECT_GE(replayed, 4);
}

}  // namespace
}  // namespace korvance
