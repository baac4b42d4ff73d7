// The simulator's NMEA sentences: every one frames and parses back to the
// point it was made from; faults cost exactly the sentences they announce.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include "nmea/NmeaLineBuffer.h"
#include "nmea/NmeaParser.h"
#include "nmea/NmeaReceiver.h"
#include "sim/nmea/NmeaSource.h"

namespace korvance {
namespace {

std::vector<std::string> goodLines(const std::string& text, int* rejected = nullptr) {
    NmeaLineBuffer buffer;
    std::vector<std::string> out;
    char line[128];
    for (size_t i = 0; i < text.size(); i += 100) {
        EXPECT_EQ(buffer.append(text.substr(i, 100)), 1);
        for (int n; (n = buffer.nextLine(line, sizeof line)) != 0;) {
            if (n > 0) out.emplace_back(line, static_cast<size_t>(n));
            else if (rejected) ++*rejected;
        }
    }
    return out;
}

TEST(NmeaSentences, EveryKindFramesAndParsesBack) {
    NmeaTrackPoint points[] = {
        {48.1173, 11.516666666666667, 545.4, 1111581319, 41.4848, 84.4},
        {-33.999999, -70.000001, -12.0, 946684800, 0.0, 0.0},  // years are always 2000 + yy
        {0.0, 179.99999, 8848.9, 4102444799, 1852.0, 359.9, 75},  // a receiver of several positions a second
        {-89.5, -179.5, 0.0, 1325376000, 5.0, 180.0},
    };
    for (const auto& p : points) {
        std::string text = FormatGga(p) + FormatGsa() + FormatGsv(3) + FormatRmc(p) + FormatVtg(p);
        auto lines = goodLines(text);
        ASSERT_EQ(lines.size(), 7u);
        for (const auto& l : lines) EXPECT_EQ(l.substr(l.size() - 5, 1), "*");
        NmeaFix fix;
        EXPECT_EQ(ParseSentence(fix, lines[0]), 2);
        EXPECT_NEAR(fix.altitude, p.altitude, 0.051);
        EXPECT_EQ(ParseSentence(fix, lines[5]), 1);
        EXPECT_EQ(fix.validity, 1);
        EXPECT_NEAR(fix.latitude, p.latitude, 1e-6 + 1e-9);
        EXPECT_NEAR(fix.longitude, p.longitude, 1e-6 + 1e-9);
        EXPECT_EQ(fix.utcTime, p.utc);
        EXPECT_NEAR(fix.speed, p.speedKmh, 0.01);
        EXPECT_EQ(fix.course, static_cast<int>(p.course));
    }
    EXPECT_EQ(FormatRmc(points[2]).substr(0, 17), "$GPRMC,235959.75,");
    // Minutes that round up to a whole degree carry into the degrees.
    EXPECT_EQ(NmeaLatitude(47.9999999), "4800.0000,N");
    EXPECT_EQ(NmeaLongitude(-7.5), "00730.0000,W");
    EXPECT_EQ(FormatRmc({}, false).substr(0, 26), "$GPRMC,000000.00,V,0000.00");
}

TEST(NmeaSentences, FaultsCostWhatTheyAnnounce) {
    NmeaFaults faults;
    std::string error;
    ASSERT_TRUE(ParseNmeaFaults("checksum=5,cut=7,long=4,burst=6,invalid=3", faults, error)) << error;
    NmeaEpochWriter writer(faults);
    auto track = BuiltinNmeaTrack(60);
    std::string text;
    int intactRmc = 0, intactGga = 0, valid = 0;
    std::vector<NmeaEpochText> epochs;
    for (size_t i = 0; i < track.size(); ++i) {
        epochs.push_back(writer.epoch(track[i], static_cast<int>(i)));
        text += epochs.back().text;
        intactRmc += epochs.back().rmcIntact;
        intactGga += epochs.back().ggaIntact;
        valid += epochs.back().rmcIntact && epochs.back().valid;
    }
    auto lines = goodLines(text);
    int rmc = 0, gga = 0, good = 0;
    for (const auto& l : lines) {
        NmeaFix fix;
        int kind = ParseSentence(fix, l);
        rmc += kind == 1;
        gga += kind == 2;
        good += kind == 1 && fix.validity == 1;
    }
    EXPECT_EQ(rmc, intactRmc);
    EXPECT_EQ(gga, intactGga);
    EXPECT_EQ(good, valid);
    EXPECT_LT(intactRmc, 60);
    EXPECT_LT(intactGga, 60);
}

TEST(NmeaSentences, FaultSpecs) {
    struct Row {
        const char* spec;
        bool ok;
    } rows[] = {{"", true}, {"checksum=3", true}, {"cut=1,long=2,burst=3,invalid=4", true},
                {"checksum", false}, {"cut=x", false}, {"noise=3", false}, {"cut=-1", false}};
    for (const auto& row : rows) {
        NmeaFaults f;
        std::string error;
        EXPECT_EQ(ParseNmeaFaults(row.spec, f, error), row.ok) << row.spec;
        if (!row.ok) {
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(NmeaSource, StreamsAtItsRateAndStopsAtOnce) {
    NmeaSource source(BuiltinNmeaTrack(1000), 1.0);
    ASSERT_TRUE(source.start());
    EXPECT_FALSE(source.devicePath().empty());
    auto t0 = std::chrono::steady_clock::now();
    source.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));  // not a whole period
    EXPECT_LE(source.epochsWritten(), 1u);
    source.stop();
}

TEST(NmeaSource, NobodyReadingDoesNotHoldTheStop) {
    // Far more than a pseudo-terminal buffers: the source drops epochs as a
    // receiver on an unread line does, and stops at once.
    NmeaSource source(BuiltinNmeaTrack(100000), 5000.0);
    ASSERT_TRUE(source.start());
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    auto t0 = std::chrono::steady_clock::now();
    source.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1500));  // a blocked write would wait 2 s
    EXPECT_GT(source.epochsWritten(), 200u);
}

TEST(NmeaSentences, TrackAlongCornersKeepsItsPaceAndPassesEveryCorner) {
    // Metres between two positions a few kilometres apart.
    auto metres = [](double lat1, double lon1, double lat2, double lon2) {
        const double k = 6371000.0 * 3.14159265358979 / 180.0;
        return std::hypot((lat2 - lat1) * k, (lon2 - lon1) * k * std::cos((lat1 + lat2) / 2 * 3.14159265358979 / 180.0));
    };
    const double north100 = 100.0 / (6371000.0 * 3.14159265358979 / 180.0);  // 100 m in degrees of latitude
    const double east100 = north100 / std::cos(52.0 * 3.14159265358979 / 180.0);
    struct Row {
        const char* what;
        std::vector<NmeaCorner> corners;
        double speedKmh;
        int perSecond;
        size_t points;
        std::vector<double> courses;  // of the first, a middle and the last point
    };
    const Row rows[] = {
        {"one leg north", {{52.0, 13.0}, {52.0 + 10.05 * north100, 13.0}}, 36.0, 1, 101, {0.0, 0.0, 0.0}},
        {"four a second", {{52.0, 13.0}, {52.0 + 1.04 * north100, 13.0}}, 36.0, 4, 42, {0.0, 0.0, 0.0}},
        {"north, then east",
         {{52.0, 13.0}, {52.0 + 1.05 * north100, 13.0}, {52.0 + 1.05 * north100, 13.0 + 1.05 * east100}}, 72.0, 1,
         11, {0.0, 0.0, 90.0}},
        {"a square back home, a repeated corner skipped",
         {{52.0, 13.0}, {52.0, 13.0 + east100}, {52.0, 13.0 + east100}, {52.0 - north100, 13.0 + east100},
          {52.0 - north100, 13.0}, {52.0, 13.0}},
         50.0, 1, 29, {90.0, 180.0, 0.0}},
        {"a single corner", {{52.0, 13.0}}, 50.0, 1, 1, {0.0, 0.0, 0.0}},
        {"no corners", {}, 50.0, 1, 0, {}},
        {"standing still", {{52.0, 13.0}, {52.1, 13.0}}, 0.0, 1, 0, {}},
        {"a rate no receiver has", {{52.0, 13.0}, {52.1, 13.0}}, 50.0, 101, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto track = NmeaTrackAlong(row.corners, row.speedKmh, 1700000000, row.perSecond, 12.0);
        ASSERT_EQ(track.size(), row.points);
        if (track.empty()) continue;
        const double step = row.speedKmh / 3.6 / row.perSecond;
        EXPECT_EQ(track.front().latitude, row.corners.front().latitude);
        EXPECT_EQ(track.front().longitude, row.corners.front().longitude);
        EXPECT_NEAR(track.front().course, row.courses[0], 1e-6);
        EXPECT_NEAR(track[track.size() / 2].course, row.courses[1], 1e-6);
        EXPECT_NEAR(track.back().course, row.courses[2], 1e-6);
        for (size_t i = 0; i < track.size(); ++i) {
            EXPECT_EQ(track[i].utc, 1700000000 + static_cast<int64_t>(i) / row.perSecond);
            EXPECT_EQ(track[i].hundredths, static_cast<int>(i) % row.perSecond * 100 / row.perSecond);
            EXPECT_EQ(track[i].speedKmh, row.speedKmh);
            EXPECT_EQ(track[i].altitude, 12.0);
            if (i > 0) {
                EXPECT_LE(metres(track[i - 1].latitude, track[i - 1].longitude, track[i].latitude, track[i].longitude),
                          step * 1.001);
            }
        }
        // Every corner lies within a second's way of a point (inner ones within half of it).
        for (size_t c = 0; c < row.corners.size(); ++c) {
            double nearest = 1e9;
            for (const auto& p : track)
                nearest = std::min(nearest, metres(p.latitude, p.longitude, row.corners[c].latitude,
                                                   row.corners[c].longitude));
            EXPECT_LE(nearest, (c + 1 < row.corners.size() ? step / 2 : step) * 1.001) << "corner " << c;
        }
    }
}

}  // namespace
}  // namespace korvance
