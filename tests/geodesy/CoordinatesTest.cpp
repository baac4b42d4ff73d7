#include <gtest/gtest.h>

#include <charconv>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "geodesy/Coordinates.h"
#include "geodesy/TrackMotionOf.h"

namespace korvance {
namespace {

TEST(DegreeValue, FromNumberKeepsMillionthsAndFormats) {
    struct Case {
        double in, held;
        const char* dms;
    };
    const Case cases[] = {
        {35.1, 35.1, "35^06'00.00\""},
        {-139.7654321, -139.765432, "-139^45'55.56\""},
        {35.5043, 35.5043, "35^30'15.48\""},
        {-0.5, -0.5, "-0^30'00.00\""},
        {0.0, 0.0, "0^00'00.00\""},
        {179.9999999, 180.0, "180^00'00.00\""},
    };
    for (const Case& c : cases) {
        DegreeValue v(c.in);
        EXPECT_NEAR(v.Degrees(), c.held, 1e-12) << c.in;
        EXPECT_EQ(v.FormatDms(), c.dms) << c.in;
    }
}

// Seconds that would show as 60.00 carry into the minute (and the degree); seconds
// that round up to 10.00 get no extra leading zero.
TEST(DegreeValue, SecondsCarryAndLeadingZero) {
    const std::pair<double, const char*> cases[] = {
        {10.0 + 59.0 / 60 + 59.996 / 3600, "11^00'00.00\""},
        {10.0 + 30.0 / 60 + 59.996 / 3600, "10^31'00.00\""},
        {-(5.0 + 59.0 / 60 + 59.9951 / 3600), "-6^00'00.00\""},
        {9.996 / 3600, "0^00'10.00\""},
        {9.994 / 3600, "0^00'09.99\""},
        {59.994 / 3600, "0^00'59.99\""},
    };
    for (auto [value, expected] : cases) {
        char buf[32];
        // Parsed text keeps the value exactly (no cut to millionths).
        char text[64];
        *std::to_chars(text, text + sizeof text - 1, value, std::chars_format::fixed, 12).ptr = '\0';
        DegreeValue exact = DegreeValue::FromText(text);
        exact.FormatDms(buf, sizeof buf);
        EXPECT_STREQ(buf, expected) << value;
    }
}

TEST(DegreeValue, FormatDmsRespectsCapacity) {
    DegreeValue v(35.5043);
    char buf[16] = "junk";
    EXPECT_EQ(v.FormatDms(buf, 13), 12u);  // 12 characters and the NUL
    EXPECT_STREQ(buf, "35^30'15.48\"");
    EXPECT_EQ(v.FormatDms(buf, 12), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(DegreeValue(std::numeric_limits<double>::quiet_NaN()).FormatDms(), "");
    EXPECT_EQ(DegreeValue(1e300).FormatDms(), "");
}

TEST(DegreeValue, FromText) {
    const std::pair<const char*, double> cases[] = {
        {"35^30'15.48\"", 35.5043},
        {"abc", 0.0},
        {"", 0.0},
        {"12 34", 12.0 + 34.0 / 60},
        {"35\xC2\xB0" "30'15.48\"", 35.5043},        // degree sign: one separator character
        {"35\xC2\xB0 30' 15.48\"", 35.5043},       // blanks after the separators
        {"S33.9", 33.9},                           // letters never change the sign
        {"W-139.7654321", -139.7654321},
        {"  .5", 0.5},
        {"7^", 7.0},
        {"1.5.3", 1.5},  // the number runs over every digit and point
        {"1e5", 1.0 + 5.0 / 60},
        {"12:inf:nan", 12.0},
    };
    for (auto [text, value] : cases) {
        EXPECT_NEAR(DegreeValue::FromText(text).Degrees(), value, 1e-12) << text;
    }
}

// Whatever the text (bytes of any value, cut UTF-8, very long numbers), reading it
// stays inside the text and gives a finite value.
TEST(DegreeValue, AnyTextReadsSafely) {
    std::mt19937 random(12345);
    const char alphabet[] = "0123456789.-^'\" NSEW\xC2\xB0\xFF:,e";
    for (int i = 0; i < 20000; ++i) {
        std::string text(random() % 48, ' ');
        for (char& c : text) c = alphabet[random() % (sizeof alphabet - 1)];
        double v = DegreeValue::FromText(text).Degrees();
        EXPECT_TRUE(std::isfinite(v)) << text;
    }
    EXPECT_TRUE(std::isfinite(DegreeValue::FromText(std::string(400, '9')).Degrees()));
    EXPECT_EQ(DegreeValue::FromText("35\xC2").Degrees(), 35.0);  // a cut degree sign at the end
}

TEST(DegreeValue, TextRoundTrip) {
    for (double x = -180; x <= 180; x += 0.7531) {
        DegreeValue v(x);
        DegreeValue back = DegreeValue::FromText(v.FormatDms());
        EXPECT_NEAR(back.Degrees(), v.Degrees(), 0.0051 / 3600) << x;
    }
}

TEST(FormatFixed, Table) {
    struct Case {
        double v;
        int decimals;
        size_t capacity;
        int result;
        const char* text;
    };
    const Case cases[] = {
        {2.5, 2, 32, 1, "2.50"},
        {0.125, 2, 32, 1, "0.13"},
        {-0.5, 3, 32, 1, "-0.500"},
        {-1.25, 2, 32, 1, "-1.25"},
        {1.0, 0, 32, 0, ""},
        {1.0, 10, 32, 0, ""},
        {12.5, 2, 4, 0, ""},
        {12.5, 2, 6, 1, "12.50"},
        {12.5, 2, 5, 0, ""},
        {3.14159265, 9, 32, 1, "3.141592650"},
        {0.999999, 3, 32, 1, "1.000"},
        {10000000000.0, 2, 32, 1, "10000000000.00"},
        {std::numeric_limits<double>::quiet_NaN(), 2, 32, 0, ""},
        {std::numeric_limits<double>::infinity(), 2, 32, 0, ""},
        {1e300, 2, 32, 0, ""},
    };
    for (const Case& c : cases) {
        char buf[32] = "junk";
        EXPECT_EQ(FormatFixed(c.v, c.decimals, buf, c.capacity), c.result) << c.v << " " << c.decimals;
        EXPECT_STREQ(buf, c.text) << c.v << " " << c.decimals;
    }
    EXPECT_EQ(FormatFixed(2.5, 2, nullptr, 10), 0);
}

TrackMotion motion(GeoPosition previous, GeoPosition last, uint32_t previousTick, uint32_t lastTick, int count = 2) {
    TrackMotion m;
    m.pointCount = count;
    m.previous = previous;
    m.last = last;
    m.previousTick = previousTick;
    m.lastTick = lastTick;
    return m;
}

TEST(TrackSpeed, OverTheLastTwoPoints) {
    Datum wgs("WGS 84");
    const double km = wgs.DistanceKm(0, 0, 0, 0.001);
    EXPECT_EQ(TrackMotionOf(nullptr, 0, 5000).pointCount, 0);  // no track log yet
    EXPECT_EQ(TrackSpeedKmh(motion({0, 0}, {0, 0.001}, 1000, 11000, 1), wgs), 0.0);
    EXPECT_EQ(TrackSpeedKmh(motion({0, 0}, {0, 0.001}, 1000, 1100), wgs), 0.0);  // 100 ms apart
    EXPECT_NEAR(TrackSpeedKmh(motion({0, 0}, {0, 0.001}, 1000, 11000), wgs), km / 10 * 3600, 1e-9);
    // The tick counter wrapped between the two points: 1000 ms, not minus 49 days.
    EXPECT_NEAR(TrackSpeedKmh(motion({0, 0}, {0, 0.001}, 0xFFFFFF00u, 0x2E8u), wgs), km / 1 * 3600, 1e-9);
}

TEST(Bearing, QuadrantsAntimeridianAndStandingStill) {
    BearingMemory memory;
    struct Case {
        double lat1, lon1, lat2, lon2, bearing;
    };
    const Case cases[] = {
        {0, 0, 0, 1, 90},          {0, 0, 0, -1, 270},     {0, 0, 1, 0, 0},
        {0, 0, -1, 0, 180},        {0, 179.9, 0, -179.9, 90}, {0, -179.9, 0, 179.9, 270},
        {10, 179.5, 10.5, -179.5, 62.976}, {0, 180, 1, -180, 0},
    };
    for (const Case& c : cases) {
        double b = Bearing(memory, 10.0, c.lat1, c.lon1, c.lat2, c.lon2);
        EXPECT_NEAR(b, c.bearing, c.bearing == 62.976 ? 1e-3 : 1e-6) << c.lat1 << " " << c.lon1 << " " << c.lat2 << " " << c.lon2;
        EXPECT_EQ(memory.last, b);
    }
    Bearing(memory, 10.0, 0, 0, 0, 1);
    // Below 2 km/h the remembered bearing holds, whatever the positions.
    EXPECT_EQ(Bearing(memory, 1.9, 0, 0, -1, 0), 90.0);
    // A non-finite position leaves the remembered bearing alone.
    EXPECT_EQ(Bearing(memory, 10.0, std::numeric_limits<double>::quiet_NaN(), 0, 1, 1), 90.0);
    EXPECT_EQ(memory.last, 90.0);
}

TEST(Bearing, TrackCourseUsesTheTrackSpeed) {
    Datum wgs("WGS 84");
    BearingMemory memory;
    EXPECT_EQ(TrackCourse(memory, motion({0, 0}, {1, 0}, 0, 10000, 1), wgs), 0.0);
    // 111 km in 10 s: moving, course north then east.
    EXPECT_NEAR(TrackCourse(memory, motion({0, 0}, {0, 1}, 0, 10000), wgs), 90.0, 1e-9);
    // Two points 100 ms apart give speed 0: the course stays at its last value.
    EXPECT_NEAR(TrackCourse(memory, motion({0, 0}, {-1, 0}, 0, 100), wgs), 90.0, 1e-9);
    // Slow walk (0.5 m in 10 s): course held.
    EXPECT_NEAR(TrackCourse(memory, motion({0, 0}, {0.0000045, 0}, 0, 10000), wgs), 90.0, 1e-9);
}

}  // namespace
}  // namespace korvance
