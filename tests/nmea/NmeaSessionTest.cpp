// The hand-off rule and the sentence log, on whole line sequences.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/TempDir.h"
#include "nmea/NmeaSession.h"
#include "sim/nmea/NmeaSentences.h"

namespace korvance {
namespace {

struct Recorder : NmeaSessionSink {
    bool deliver(const NmeaPosition& p) override {
        positions.push_back(p);
        return true;
    }
    void logWriteFailed(int code) override { failures.push_back(code); }
    std::vector<NmeaPosition> positions;
    std::vector<int> failures;
};

using korvance::testing::readText;

NmeaTrackPoint point(int i) {
    NmeaTrackPoint p;
    p.latitude = 35.5 + i * 0.001;
    p.longitude = 139.25 - i * 0.001;
    p.altitude = 10 + i;
    p.utc = 1111581319 + i;
    p.speedKmh = 18.52;
    p.course = 90 + i;
    return p;
}

TEST(NmeaHandOff, BothSentencesSinceTheLastPosition) {
    const std::string rmc1 = FormatRmc(point(1)), rmc2 = FormatRmc(point(2)), rmcV = FormatRmc(point(3), false);
    const std::string gga1 = FormatGga(point(1)), gga2 = FormatGga(point(2));
    const std::string rmcCut = "$GPRMC,123519,A,3530.000,N\r\n";  // no checksum, ends early
    const std::string ggaCut = "$GPGGA,123519,3530.000,N\r\n";
    struct Row {
        const char* what;
        std::vector<std::string> lines;
        std::vector<int> from;  // point index of each delivered position's RMC
        std::vector<double> altitudes;
    } rows[] = {
        {"RMC then GGA", {rmc1, gga1}, {1}, {11}},
        {"GGA then RMC", {gga1, rmc1}, {1}, {11}},
        {"the latest RMC counts", {rmc1, rmc2, gga2}, {2}, {12}},
        {"a second GGA needs a new RMC", {rmc1, gga1, gga2}, {1}, {11}},
        {"then the next RMC goes", {rmc1, gga1, gga2, rmc2}, {1, 2}, {11, 12}},
        {"no fix gives no position", {rmcV, gga1}, {}, {}},
        {"no fix keeps a pending GGA", {gga1, rmcV, rmc2}, {2}, {11}},
        {"an RMC cut short is no position", {rmc1, gga1, rmcCut, gga2}, {1}, {11}},
        {"a GGA cut short carries the marker", {rmc1, ggaCut}, {1}, {kNmeaNoValue}},
        {"other sentences do not count", {rmc1, FormatGsa(), FormatVtg(point(1)), FormatGsv(1), gga1}, {1}, {11}},
        {"a bad checksum is not parsed", {rmc1, gga1.substr(0, gga1.size() - 4) + "00\r\n"}, {}, {}},
    };
    for (const auto& row : rows) {
        NmeaSession session;
        Recorder sink;
        for (const auto& line : row.lines) ASSERT_TRUE(session.feed(line, sink));
        ASSERT_EQ(sink.positions.size(), row.from.size()) << row.what;
        for (size_t i = 0; i < row.from.size(); ++i) {
            NmeaTrackPoint p = point(row.from[i]);
            EXPECT_NEAR(sink.positions[i].latitude, p.latitude, 1e-6) << row.what;
            EXPECT_NEAR(sink.positions[i].longitude, p.longitude, 1e-6) << row.what;
            EXPECT_EQ(sink.positions[i].utcTime, p.utc) << row.what;
            EXPECT_NEAR(sink.positions[i].speedKmh, p.speedKmh, 0.01) << row.what;
            EXPECT_EQ(sink.positions[i].course, static_cast<int>(p.course)) << row.what;
            EXPECT_DOUBLE_EQ(sink.positions[i].altitude, row.altitudes[i]) << row.what;
        }
    }
}

TEST(NmeaLog, HoldsExactlyTheAcceptedLinesTheRulesLet) {
    testing::TempDir dir;
    const std::string rmcA = FormatRmc(point(1)), rmcV = FormatRmc(point(2), false), gga = FormatGga(point(1));
    const std::string vtg = FormatVtg(point(1)), bad = rmcA.substr(0, rmcA.size() - 4) + "00\r\n";
    const std::string unchecked = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230305\n";
    const std::vector<std::string> input = {gga, rmcA, vtg, bad, gga, rmcV, gga, vtg, rmcA, unchecked};
    struct Row {
        const char* filter;
        bool onlyValid;
        std::vector<std::string> logged;
    } rows[] = {
        // Lines before the first valid RMC, and after one with status V, are left out.
        {"RMC", true, {rmcA, rmcA, unchecked}},
        {"RMC", false, {rmcA, rmcV, rmcA, unchecked}},
        {"RMC;GGA", true, {rmcA, gga, rmcA, unchecked}},
        {"", true, {rmcA, vtg, gga, rmcA, unchecked}},
        {"", false, {gga, rmcA, vtg, gga, rmcV, gga, vtg, rmcA, unchecked}},
        {"VTG", false, {vtg, vtg}},
    };
    for (const auto& row : rows) {
        NmeaSession session;
        session.setFilter(row.filter);
        session.setSaveOnlyValid(row.onlyValid);
        ASSERT_TRUE(session.log().open(dir.file("log.nme")));
        Recorder sink;
        std::string all;
        for (const auto& line : input) all += line;
        // In pieces that cut lines anywhere, as a serial port delivers them.
        for (size_t i = 0; i < all.size(); i += 13) session.feed(all.substr(i, 13), sink);
        session.log().close();
        std::string expected;
        for (const auto& line : row.logged) expected += line;
        EXPECT_EQ(readText(dir.file("log.nme")), expected) << row.filter << " " << row.onlyValid;
        EXPECT_TRUE(sink.failures.empty());
    }
}

TEST(NmeaLog, PathTidying) {
    struct Row {
        const char* chosen;
        const char* tidy;
    } rows[] = {
        {"\\\\Storage Card\\log.nme", "\\Storage Card\\log.nme"},
        {"//home/user/log.nme", "/home/user/log.nme"},
        {"/home/user/log.", "/home/user/log.nme"},
        {"/home/user/log", "/home/user/log"},
        {"/home/user/log.nme", "/home/user/log.nme"},
        {"\\\\x.", "\\x.nme"},
        {"", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(TidyNmeaLogPath(row.chosen), row.tidy) << row.chosen;
}

}  // namespace
}  // namespace korvance
