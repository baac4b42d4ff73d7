#include <gtest/gtest.h>

#include <fstream>

#include "files/TempDir.h"
#include "sim/garmin/ReceiverSimulator.h"

using namespace korvance;

TEST(ReceiverData, WritesAndReadsBack) {
    korvance::testing::TempDir dir;
    const std::string path = dir.file("data.txt");
    ReceiverData d = BuiltinReceiverData(SimProfile::New);
    std::string error;
    ASSERT_TRUE(WriteReceiverData(path, d, error)) << error;
    ReceiverData back;
    ASSERT_TRUE(ReadReceiverData(path, back, error)) << error;
    EXPECT_EQ(back.waypoints, d.waypoints);
    ASSERT_EQ(back.routes.size(), d.routes.size());
    EXPECT_EQ(back.routes[1].name, d.routes[1].name);
    EXPECT_EQ(back.routes[1].waypoints, d.routes[1].waypoints);
    EXPECT_EQ(back.track, d.track);

    struct Bad {
        const char* text;
        const char* problem;
    };
    const Bad bad[] = {
        {"", "empty file"},
        {"GPX\n", "line 1: not a receiver data file"},
        {"KORVANCE RECEIVER DATA 1\nW\tA\t91\t0\t0\t0\t0\t0\t\n", "line 2: bad waypoint"},
        {"KORVANCE RECEIVER DATA 1\nP\tA\t1\t0\t0\t0\t0\t0\t\n", "line 2: route waypoint before any route"},
        {"KORVANCE RECEIVER DATA 1\nT\t1\t2\n", "line 2: bad track point"},
        {"KORVANCE RECEIVER DATA 1\nDATUM=Nowhere\n", "unknown datum"},
    };
    for (const auto& b : bad) {
        std::ofstream(path, std::ios::trunc) << b.text;
        ReceiverData keep = d;
        EXPECT_FALSE(ReadReceiverData(path, keep, error)) << b.text;
        EXPECT_NE(error.find(b.problem), std::string::npos) << error;
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_EQ(keep.waypoints, d.waypoints);
    }
}

TEST(ReceiverData, FaultSpecs) {
    SimFaults f;
    std::string error;
    ASSERT_TRUE(ParseSimFaults("checksum=5,dropack=3,silent=20", f, error));
    EXPECT_EQ(f.corruptEvery, 5);
    EXPECT_EQ(f.dropEvery, 3);
    EXPECT_EQ(f.silentAfter, 20);
    EXPECT_FALSE(ParseSimFaults("checksum", f, error));
    EXPECT_FALSE(ParseSimFaults("noise=3", f, error));
    EXPECT_NE(error.find("noise"), std::string::npos);
    ASSERT_TRUE(ParseSimFaults("", f, error));
    EXPECT_EQ(f.silentAfter, -1);
}
