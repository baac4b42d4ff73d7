// The geodesy against GeographicLib's tools: UTM forward on every kind of
// ellipsoid against TransverseMercatorProj (the inverse is held to the forward
// by the round trips of TransverseMercatorTest.cpp), the datum shift against
// an exact geocentric translation through CartConvert. The tolerances and
// their reasons are in docs/geodesy.md.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "ReferenceTools.h"
#include "geodesy/Datum.h"
#include "geodesy/TransverseMercator.h"

namespace korvance {
namespace {

using testing::fixed;
using testing::numbers;
using testing::runTool;

struct Point {
    double lat, lon;
};

// Both hemispheres, the equator, the band limits of the grid, zone edges (a hair
// inside and outside of 3 degrees from the central meridian) and the antimeridian.
std::vector<Point> utmPoints() {
    const double lats[] = {-79.9, -60.0, -33.9, -8.0, 0.0, 0.5, 12.0, 35.0, 51.5, 64.0, 71.9, 83.9};
    const double lons[] = {-179.999, -177.0, -174.001, -6.5, -3.0001, -0.5, 0.0, 2.9999, 3.0001,
                           18.4,     139.0,  141.0,    179.999, 180.0};
    std::vector<Point> points;
    for (double lat : lats)
        for (double lon : lons) points.push_back({lat, lon});
    return points;
}

std::string line(double a, double b, double c = NAN) {
    return fixed(a, 12) + " " + fixed(b, 12) + (std::isnan(c) ? "" : " " + fixed(c, 6)) + "\n";
}

double metres(double dlat, double dlon, double lat) {
    return std::hypot(dlat * 111320.0, std::remainder(dlon, 360.0) * 111320.0 * std::cos(lat * M_PI / 180));
}

// Points grouped by our zone, so that each reference run converts one batch.
std::map<int, std::vector<Point>> byZone(const TransverseMercator& tm) {
    std::map<int, std::vector<Point>> groups;
    for (const Point& p : utmPoints()) {
        UtmReference r;
        if (tm.LatLonToUtm({p.lat, p.lon}, r)) groups[r.zone].push_back(p);
    }
    return groups;
}

TEST(Reference, UtmAgainstTransverseMercatorProj) {
    KORVANCE_REQUIRE_TOOL("TransverseMercatorProj");
    double worst = 0;
    for (const char* name : {"WGS 84", "Tokyo", "European 1950", "NAD27 CONUS", "Ord Srvy Grt Britn", "Indian Thailand",
                             "Australian Geod '84", "Adindan", "WGS 72"}) {
        Datum datum(name);
        TransverseMercator tm(datum);
        const std::string ellipsoid = " -e " + fixed(tm.a(), 6) + " " + formatSignificant(tm.f(), 17);
        for (const auto& [zone, points] : byZone(tm)) {
            std::string in;
            for (const Point& p : points) in += line(p.lat, p.lon);
            auto out = runTool("TransverseMercatorProj -k 0.9996 -l " + std::to_string(zone * 6 - 183) + ellipsoid, in);
            ASSERT_EQ(out.size(), points.size());
            for (size_t i = 0; i < points.size(); ++i) {
                const Point& p = points[i];
                UtmReference r;
                ASSERT_TRUE(tm.LatLonToUtm({p.lat, p.lon}, r));
                auto xy = numbers(out[i]);
                ASSERT_GE(xy.size(), 2u);
                double e = xy[0] + 500000.0, n = xy[1] < 0 ? xy[1] + 10000000.0 : xy[1];
                double d = std::hypot(e - r.easting, n - r.northing);
                worst = std::max(worst, d);
                EXPECT_LT(d, 0.01) << name << " " << p.lat << " " << p.lon;
            }
        }
    }
    std::printf("UTM forward: worst %.4f m\n", worst);
}

struct ShiftCase {
    const char* datum;
    std::vector<Point> points;
};

// Exact reference: geodetic -> geocentric on one ellipsoid, translate, back on the other.
std::vector<std::vector<double>> geocentricShift(const std::vector<Point>& points, double height, double fromA,
                                                 double fromF, double toA, double toF, double tx, double ty,
                                                 double tz) {
    std::string in;
    for (const Point& p : points) in += line(p.lat, p.lon, height);
    auto xyz = runTool("CartConvert -p 9 -e " + fixed(fromA, 6) + " " + formatSignificant(fromF, 17), in);
    std::string moved;
    for (const auto& l : xyz) {
        auto v = numbers(l);
        if (v.size() != 3) return {};
        moved += fixed(v[0] + tx, 6) + " " + fixed(v[1] + ty, 6) + " " + fixed(v[2] + tz, 6) + "\n";
    }
    const std::string back = "CartConvert -r -p 9 -e " + fixed(toA, 6) + " " + formatSignificant(toF, 17);
    std::vector<std::vector<double>> result;
    for (const auto& l : runTool(back, moved)) result.push_back(numbers(l));
    return result;
}

constexpr double kWgs84F = 1 / 298.257223563;

TEST(Reference, DatumShiftAgainstGeocentricTranslation) {
    KORVANCE_REQUIRE_TOOL("CartConvert");
    const ShiftCase cases[] = {
        {"Tokyo", {{35, 139}, {43, 141.3}, {26.2, 127.7}, {33.6, 130.4}}},
        {"European 1950", {{48.85, 2.35}, {40.4, -3.7}, {60.2, 24.9}, {37.9, 23.7}}},
        {"NAD27 CONUS", {{40, -100}, {47.6, -122.3}, {25.8, -80.2}, {44.9, -68.7}}},
        {"Ord Srvy Grt Britn", {{51.5, -0.12}, {57.1, -2.1}, {50.1, -5.5}}},
        {"Australian Geod '84", {{-33.9, 151.2}, {-31.95, 115.86}, {-12.46, 130.84}}},
        {"Adindan", {{15.6, 32.5}, {9.0, 38.7}}},
        {"South American '69", {{-23.5, -46.6}, {-34.6, -58.4}, {-0.2, -78.5}}},
        {"Reunion", {{-21.1, 55.5}}},
        {"Midway Astro 1961", {{28.2, -177.4}}},
        {"Indian Thailand", {{13.75, 100.5}, {18.8, 98.98}}},
        {"WGS 72", {{0, 0}, {-45, 170}, {70, -150}}},
        {"NAD83", {{40, -100}}},
    };
    double worstHorizontal = 0, worstHeight = 0;
    for (const ShiftCase& c : cases) {
        Datum datum(c.datum);
        const DatumRow& row = datum.row();
        const double a = 6378137.0 - row.da, f = kWgs84F - row.df;
        for (double height : {0.0, 1500.0}) {
            // WGS 84 into the datum: X_datum = X_wgs84 - (dx, dy, dz).
            auto ref = geocentricShift(c.points, height, 6378137.0, kWgs84F, a, f, -row.dx, -row.dy, -row.dz);
            ASSERT_EQ(ref.size(), c.points.size()) << c.datum;
            for (size_t i = 0; i < c.points.size(); ++i) {
                const Point& p = c.points[i];
                double lat, lon, h;
                ASSERT_TRUE(datum.FromWgs84(p.lat, p.lon, height, lat, lon, h));
                ASSERT_EQ(ref[i].size(), 3u);
                double horizontal = metres(lat - ref[i][0], lon - ref[i][1], lat);
                double vertical = std::fabs(h - ref[i][2]);
                worstHorizontal = std::max(worstHorizontal, horizontal);
                worstHeight = std::max(worstHeight, vertical);
                EXPECT_LT(horizontal, 0.25) << c.datum << " " << p.lat << " " << p.lon;
                EXPECT_LT(vertical, 0.5) << c.datum << " " << p.lat << " " << p.lon;
            }
            // The datum into WGS 84.
            std::vector<Point> inDatum;
            for (const Point& p : c.points) {
                double lat, lon, h;
                datum.FromWgs84(p.lat, p.lon, 0, lat, lon, h);
                inDatum.push_back({lat, lon});
            }
            auto back = geocentricShift(inDatum, height, a, f, 6378137.0, kWgs84F, row.dx, row.dy, row.dz);
            ASSERT_EQ(back.size(), inDatum.size());
            for (size_t i = 0; i < inDatum.size(); ++i) {
                double lat, lon, h;
                ASSERT_TRUE(datum.ToWgs84(inDatum[i].lat, inDatum[i].lon, height, lat, lon, h));
                double horizontal = metres(lat - back[i][0], lon - back[i][1], lat);
                worstHorizontal = std::max(worstHorizontal, horizontal);
                worstHeight = std::max(worstHeight, std::fabs(h - back[i][2]));
                EXPECT_LT(horizontal, 0.25) << c.datum << " to WGS 84";
                EXPECT_LT(std::fabs(h - back[i][2]), 0.5) << c.datum << " to WGS 84";
            }
        }
    }
    std::printf("datum shift: worst horizontal %.3f m, height %.3f m\n", worstHorizontal, worstHeight);
}

// GGRS 87 against the published GGRS87 -> WGS 84 translation (-199.87, 74.79, 246.62):
// within a metre in Greece, where the row's old inverted signs put positions ~650 m off.
TEST(Reference, Ggrs87MatchesThePublishedTranslation) {
    KORVANCE_REQUIRE_TOOL("CartConvert");
    const std::vector<Point> greece = {{37.98, 23.73}, {40.64, 22.94}, {35.34, 25.13}, {39.62, 19.92}};
    Datum ggrs("GGRS 87");
    const double a = 6378137.0, f = kWgs84F - ggrs.df();
    auto ref = geocentricShift(greece, 0, 6378137.0, kWgs84F, a, f, 199.87, -74.79, -246.62);
    ASSERT_EQ(ref.size(), greece.size());
    for (size_t i = 0; i < greece.size(); ++i) {
        double lat, lon, h;
        ggrs.FromWgs84(greece[i].lat, greece[i].lon, 0, lat, lon, h);
        EXPECT_LT(metres(lat - ref[i][0], lon - ref[i][1], lat), 1.0) << greece[i].lat << " " << greece[i].lon;
        // What the inverted signs gave: the negation of this row's shift, hundreds of metres off.
        double wrongLat = greece[i].lat - (lat - greece[i].lat), wrongLon = greece[i].lon - (lon - greece[i].lon);
        EXPECT_GT(metres(wrongLat - ref[i][0], wrongLon - ref[i][1], lat), 500.0);
    }
}

}  // namespace
}  // namespace korvance
