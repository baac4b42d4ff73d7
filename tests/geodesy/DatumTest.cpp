#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <map>
#include <string>

#include "geodesy/Datum.h"

namespace korvance {
namespace {

std::string lower(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

TEST(DatumTable, TextAndRowsHaveTheFixedShape) {
    std::string_view text = DatumTableText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 123);
    EXPECT_EQ(text.find('\r'), std::string_view::npos);
    EXPECT_NE(text.back(), '\n');
    const auto& table = DatumTable();
    ASSERT_EQ(table.size(), 124u);
    // Table order is the order of the names without regard to case, so a sorted
    // list of names has every row at its index.
    for (size_t i = 1; i < table.size(); ++i) EXPECT_LT(lower(table[i - 1].name), lower(table[i].name)) << i;
}

TEST(DatumTable, SameEllipsoidSameFiguresExceptIndonesia74) {
    std::map<std::string, const DatumRow*> first;
    for (const auto& row : DatumTable()) {
        auto [it, inserted] = first.emplace(row.ellipsoidName, &row);
        if (inserted || row.name == "Indonesia 74") continue;
        EXPECT_EQ(row.da, it->second->da) << row.name;
        EXPECT_EQ(row.df, it->second->df) << row.name;
    }
}

TEST(Datum, SelectsByExactNameElseTokyo) {
    const std::pair<const char*, int> cases[] = {
        {"WGS 84", 121}, {"Tokyo", 116}, {"Adindan", 0}, {"Zanderij", 123}, {"Astro Beacon \"E\"", 8},
        {"WGS84", 116},  {"wgs 84", 116}, {"", 116},     {"WGS 84 ", 116},  {"Nonexistent", 116},
    };
    for (auto [name, index] : cases) {
        Datum d(name);
        EXPECT_EQ(d.rowIndex(), index) << name;
        EXPECT_EQ(d.name(), DatumTable()[static_cast<size_t>(index)].name);
    }
    EXPECT_EQ(FindDatumRow("WGS84"), -1);
    EXPECT_EQ(Datum("x").rowCount(), 124);
}

TEST(Datum, NameCopiesAreBounded) {
    Datum d("Ord Srvy Grt Britn");
    char buf[8];
    EXPECT_EQ(d.GetName(nullptr, 0), 18u);
    EXPECT_EQ(d.GetName(buf, sizeof buf), 7u);
    EXPECT_STREQ(buf, "Ord Srv");
    EXPECT_EQ(d.GetEllipsoidName(buf, sizeof buf), 4u);
    EXPECT_STREQ(buf, "Airy");
    buf[0] = 'x';
    EXPECT_EQ(d.GetRowName(0, buf, 1), 0u);
    EXPECT_EQ(buf[0], '\0');
    buf[0] = 'x';
    EXPECT_EQ(d.GetRowName(124, buf, sizeof buf), 0u);
    EXPECT_EQ(d.GetRowName(-1, buf, sizeof buf), 0u);
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(d.GetRowName(121, buf, sizeof buf), 6u);
    EXPECT_STREQ(buf, "WGS 84");
}

// The two shifts are not exact inverses: there and back errs by the second-order
// terms, growing with the size of the shift and towards the poles (docs/geodesy.md).
double worstRoundTrip(double maxLatitude, double latitudeStep) {
    double worst = 0;
    for (const auto& row : DatumTable()) {
        Datum d(row.name);
        for (double lat = -maxLatitude; lat <= maxLatitude; lat += latitudeStep) {
            for (double lon = -180; lon <= 180; lon += 36) {
                double a, b, h, lat2, lon2, h2;
                EXPECT_TRUE(d.FromWgs84(lat, lon, 100, a, b, h));
                EXPECT_TRUE(d.ToWgs84(a, b, h, lat2, lon2, h2));
                double north = (lat2 - lat) * 111320.0;
                double east = (lon2 - lon) * 111320.0 * std::cos(lat * 0.017453292519943295);
                worst = std::max({worst, std::hypot(north, east), std::fabs(h2 - 100)});
            }
        }
    }
    return worst;
}

TEST(DatumShift, RoundTripOfEveryRowOverAGrid) {
    EXPECT_LT(worstRoundTrip(60, 10), 0.6);
    EXPECT_LT(worstRoundTrip(85, 17), 2.5);
    // A moderate shift at mid-latitudes comes back within centimetres.
    Datum d("NAD27 CONUS");
    double a, b, h, lat, lon, hh;
    d.FromWgs84(40, -100, 0, a, b, h);
    d.ToWgs84(a, b, h, lat, lon, hh);
    EXPECT_LT(std::hypot((lat - 40) * 111320.0, (lon + 100) * 85280.0), 0.05);
}

TEST(DatumShift, PoleAndNonFiniteInputStaySafe) {
    Datum d("European 1950");
    double lat, lon, h;
    EXPECT_TRUE(d.FromWgs84(90, 12.5, 0, lat, lon, h));
    EXPECT_EQ(lon, 12.5);
    EXPECT_TRUE(d.ToWgs84(-90, -40, 0, lat, lon, h));
    EXPECT_EQ(lon, -40);
    EXPECT_FALSE(d.FromWgs84(std::numeric_limits<double>::quiet_NaN(), 0, 0, lat, lon, h));
    EXPECT_FALSE(d.ToWgs84(0, std::numeric_limits<double>::infinity(), 0, lat, lon, h));
}

// Identical positions are exactly 0 apart and antipodes half the circumference:
// the cosine is kept inside [-1, 1], so neither end gives NaN.
TEST(DatumDistance, GreatCircleEndsAreExact) {
    Datum d("WGS 84");
    const double points[][2] = {{35.681236, 139.767125}, {-33.9, 18.4}, {51.5, -0.5}, {89.999, 179.999},
                                {0.1, 0.1},              {47.123456789, 8.987654321}};
    for (const auto& p : points) {
        EXPECT_EQ(d.DistanceKm(p[0], p[1], p[0], p[1]), 0.0);
    }
    // Very close positions: finite and tiny.
    double close = d.DistanceKm(35.0, 139.0, 35.0, 139.0 + 1e-12);
    EXPECT_TRUE(std::isfinite(close));
    EXPECT_LT(close, 1e-3);
    EXPECT_NEAR(d.DistanceKm(0, 0, 0, 180), 6378137.0 * 3.14159265358979 * 0.001, 1e-3);
    EXPECT_NEAR(d.DistanceKm(10, 20, -10, -160), 6378137.0 * 3.14159265358979 * 0.001, 1e-3);
}

}  // namespace
}  // namespace korvance
