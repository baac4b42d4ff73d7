// Time per datum shift, per UTM forward and per UTM inverse, over a spread of
// positions so that branch prediction and caching do not flatter the figures.

#include <benchmark/benchmark.h>

#include <vector>

#include "geodesy/Coordinates.h"
#include "geodesy/Datum.h"
#include "geodesy/TransverseMercator.h"

namespace {

using namespace korvance;

std::vector<GeoPosition> positions() {
    std::vector<GeoPosition> out;
    for (double lat = -79.5; lat < 84; lat += 3.7)
        for (double lon = -179.5; lon < 180; lon += 5.3) out.push_back({lat, lon});
    return out;
}

void BM_DatumFromWgs84(benchmark::State& state) {
    Datum datum("Tokyo");
    auto points = positions();
    size_t i = 0;
    for (auto _ : state) {
        const GeoPosition& p = points[i++ % points.size()];
        double lat, lon, h;
        datum.FromWgs84(p.latitude, p.longitude, 100.0, lat, lon, h);
        benchmark::DoNotOptimize(lat);
        benchmark::DoNotOptimize(lon);
        benchmark::DoNotOptimize(h);
    }
}
BENCHMARK(BM_DatumFromWgs84);

void BM_DatumToWgs84(benchmark::State& state) {
    Datum datum("European 1950");
    auto points = positions();
    size_t i = 0;
    for (auto _ : state) {
        const GeoPosition& p = points[i++ % points.size()];
        double lat, lon, h;
        datum.ToWgs84(p.latitude, p.longitude, 100.0, lat, lon, h);
        benchmark::DoNotOptimize(lat);
        benchmark::DoNotOptimize(lon);
        benchmark::DoNotOptimize(h);
    }
}
BENCHMARK(BM_DatumToWgs84);

void BM_UtmForward(benchmark::State& state) {
    TransverseMercator tm{Datum("WGS 84")};
    auto points = positions();
    size_t i = 0;
    for (auto _ : state) {
        UtmReference r;
        tm.LatLonToUtm(points[i++ % points.size()], r);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_UtmForward);

void BM_UtmInverse(benchmark::State& state) {
    TransverseMercator tm{Datum("WGS 84")};
    std::vector<UtmReference> grid;
    for (const auto& p : positions()) {
        UtmReference r;
        tm.LatLonToUtm(p, r);
        grid.push_back(r);
    }
    size_t i = 0;
    for (auto _ : state) {
        GeoPosition p;
        tm.UtmToLatLon(grid[i++ % grid.size()], p);
        benchmark::DoNotOptimize(p);
    }
}
BENCHMARK(BM_UtmInverse);

void BM_DistanceKm(benchmark::State& state) {
    Datum datum("WGS 84");
    auto points = positions();
    size_t i = 0;
    for (auto _ : state) {
        const GeoPosition& a = points[i % points.size()];
        const GeoPosition& b = points[(i * 7 + 3) % points.size()];
        ++i;
        benchmark::DoNotOptimize(datum.DistanceKm(a, b));
    }
}
BENCHMARK(BM_DistanceKm);

void BM_DatumConstruction(benchmark::State& state) {
    for (auto _ : state) {
        Datum d("Zanderij");
        benchmark::DoNotOptimize(d.rowIndex());
    }
}
BENCHMARK(BM_DatumConstruction);

void BM_FormatDms(benchmark::State& state) {
    DegreeValue v(-139.7654321);
    for (auto _ : state) benchmark::DoNotOptimize(v.FormatDms());
}
BENCHMARK(BM_FormatDms);

}  // namespace

BENCHMARK_MAIN();
