#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "geodesy/TransverseMercator.h"

namespace korvance {
namespace {

TEST(Utm, BandsAndZonesAtTheEdges) {
    TransverseMercator tm;
    UtmReference r;
    ASSERT_TRUE(tm.LatLonToUtm({84.5, 10}, r));
    EXPECT_EQ(r.letter, 'X');
    ASSERT_TRUE(tm.LatLonToUtm({72.0, 10}, r));
    EXPECT_EQ(r.letter, 'X');
    ASSERT_TRUE(tm.LatLonToUtm({-85, 10}, r));
    EXPECT_EQ(r.letter, 'C');
    ASSERT_TRUE(tm.LatLonToUtm({60, 5}, r));  // no widened Norway zone
    EXPECT_EQ(r.zone, 31);
    ASSERT_TRUE(tm.LatLonToUtm({10, 179.999}, r));
    EXPECT_EQ(r.zone, 60);
}

TEST(Utm, LowerCaseLetterCountsAsNorthern) {
    TransverseMercator tm;
    double latUpper, lonUpper, latLower, lonLower;
    ASSERT_TRUE(tm.UtmToLatLon(6245888.05, 259583.22, 34, 'H', latUpper, lonUpper));
    EXPECT_NEAR(latUpper, -33.9, 1e-7);
    ASSERT_TRUE(tm.UtmToLatLon(6245888.05, 259583.22, 34, 'h', latLower, lonLower));
    EXPECT_GT(latLower, 0.0);
}

TEST(Utm, RefusesWhatCannotConverge) {
    TransverseMercator tm;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double northing, easting;
        int16_t zone;
    };
    const Case cases[] = {
        {nan, 500000, 31}, {5000000, nan, 31}, {inf, 500000, 31}, {5000000, -inf, 31},
        {5000000, 1e12, 31}, {5000000, -1e9, 31}, {1e15, 500000, 31}, {5000000, 500000, 0},  // diverge, bad zone
        {5000000, 500000, 61}, {10500000, 500000, 31}, {19000000, 500000, 31},
    };
    for (const Case& c : cases) {
        double lat = 1, lon = 1;
        EXPECT_FALSE(tm.UtmToLatLon(c.northing, c.easting, c.zone, 'N', lat, lon))
            << c.northing << " " << c.easting << " " << c.zone;
        EXPECT_TRUE(std::isfinite(lat) && std::isfinite(lon));
        EXPECT_LE(tm.lastPasses(), TransverseMercator::kMaxInversePasses);
    }
    UtmReference r;
    EXPECT_FALSE(tm.LatLonToUtm({nan, 0}, r));
    EXPECT_FALSE(tm.LatLonToUtm({0, inf}, r));
    EXPECT_TRUE(tm.LatLonToUtm({10, 1e300}, r));  // huge longitude: a zone, no overflow
    EXPECT_GE(r.zone, 1);
    EXPECT_LE(r.zone, 60);
}

TEST(Utm, RoundTripOverAGridOfEveryEllipsoidKind) {
    for (const char* name : {"WGS 84", "Tokyo", "European 1950", "NAD27 CONUS", "Ord Srvy Grt Britn", "Indian Thailand"}) {
        TransverseMercator tm{Datum(name)};
        double worst = 0;
        for (double lat = -80; lat <= 84; lat += 4) {
            for (double lon = -180; lon < 180; lon += 2.3) {
                UtmReference r;
                GeoPosition back;
                ASSERT_TRUE(tm.LatLonToUtm({lat, lon}, r));
                ASSERT_TRUE(tm.UtmToLatLon(r, back)) << name << " " << lat << " " << lon;
                double dlon = std::remainder(back.longitude - lon, 360.0);
                worst = std::max({worst, std::fabs(back.latitude - lat), std::fabs(dlon)});
            }
        }
        EXPECT_LT(worst, 1e-8) << name;
    }
}

// Each projection object keeps the state of its own datum.
TEST(Utm, StatePerObject) {
    TransverseMercator wgs;
    TransverseMercator tokyo{Datum("Tokyo")};
    UtmReference a, b, c;
    ASSERT_TRUE(wgs.LatLonToUtm({35, 139}, a));
    ASSERT_TRUE(tokyo.LatLonToUtm({35, 139}, b));
    ASSERT_TRUE(wgs.LatLonToUtm({35, 139}, c));
    EXPECT_NE(a.northing, b.northing);
    EXPECT_EQ(a.northing, c.northing);
    EXPECT_EQ(a.easting, c.easting);
    wgs.SetTmEllipsoid(Datum("Tokyo").da(), Datum("Tokyo").df());
    ASSERT_TRUE(wgs.LatLonToUtm({35, 139}, c));
    EXPECT_EQ(b.northing, c.northing);
    EXPECT_DOUBLE_EQ(tokyo.a(), 6378137.0 - 739.845);
}

}  // namespace
}  // namespace korvance
