// Document file throughput: writing and reading a document of 1 000 000 track
// points (plus a full waypoint list and full routes), beside a plain copy of a
// file of the same size made in the same run with read()/write()/fsync(), the
// same durability the document writer gives.
//
// Files live in the temporary folder and are removed at the end.
// KORVANCE_BENCH_POINTS changes the point count.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "data/WaypointList.h"
#include "files/DocumentFile.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using namespace korvance::files;
namespace fs = std::filesystem;

namespace {

struct Sample {
    std::vector<TrackPoint> points;
    std::vector<WaypointRecord> waypoints;
    std::vector<Route> routes;
    std::string dir;
    std::string documentPath, copySource, copyTarget;
    int64_t bytes = 0;

    Sample() {
        size_t n = 1000000;
        if (const char* e = std::getenv("KORVANCE_BENCH_POINTS")) n = size_t(std::max(1L, std::atol(e)));
        points.resize(n);
        for (size_t i = 0; i < n; ++i) {
            points[i].latitude = 35.0 + double(i % 100000) * 1e-5;
            points[i].longitude = 139.0 + double(i % 70000) * 1e-5;
            points[i].time = 600000000u + uint32_t(i);
            points[i].segment = uint16_t(1 + i / 10000);
            points[i].altitude = float(i % 3000);
        }
        for (int i = 0; i < 500; ++i)
            waypoints.push_back(makeWaypointRecord("W" + std::to_string(i), 35 + i * 1e-3, 139 + i * 1e-3,
                                                   "comment of a waypoint", 18, 0, 0, 10, nullptr));
        routes.resize(20);
        for (auto& r : routes) {
            r.name.set("ROUTE");
            r.waypoints.assign(waypoints.begin(), waypoints.begin() + 30);
        }
        dir = (fs::temp_directory_path() / ("korvance-files-bench-" + std::to_string(::getpid()))).string();
        fs::create_directories(dir);
        documentPath = dir + "/bench.kvn";
        copySource = dir + "/plain.bin";
        copyTarget = dir + "/plain-copy.bin";
        std::vector<uint8_t> bytesOut = encodeDocument(source());
        bytes = int64_t(bytesOut.size());
        FILE* f = std::fopen(copySource.c_str(), "wb");
        if (f) {
            std::fwrite(bytesOut.data(), 1, bytesOut.size(), f);
            std::fclose(f);
        }
    }
    ~Sample() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    DocumentSource source() const {
        DocumentSource s;
        s.hasTrack = true;
        s.segmentCount = uint32_t(points.size() / 10000 + 1);
        s.points = points;
        s.waypoints = waypoints;
        s.routes = routes;
        return s;
    }
};

Sample& sample() {
    static Sample s;
    return s;
}

bool plainCopy(const std::string& from, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY);
    if (in < 0) return false;
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) {
        ::close(in);
        return false;
    }
    std::vector<char> buf(1 << 20);
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(in, buf.data(), buf.size());
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (::write(out, buf.data(), size_t(n)) != n) {
            ok = false;
            break;
        }
    }
    ok = ::fsync(out) == 0 && ok;
    ::close(in);
    ::close(out);
    return ok;
}

void BM_PlainCopy(benchmark::State& state) {
    Sample& s = sample();
    for (auto _ : state)
        if (!plainCopy(s.copySource, s.copyTarget)) state.SkipWithError("copy failed");
    state.SetBytesProcessed(state.iterations() * s.bytes);
}

// The floor of any reader: the document file's bytes read into memory.
void BM_PlainRead(benchmark::State& state) {
    Sample& s = sample();
    ScriptedPrompt prompt;
    if (!writeDocumentFile(s.documentPath, s.source(), prompt)) state.SkipWithError("write failed");
    std::vector<char> buf(1 << 16);
    for (auto _ : state) {
        const int fd = ::open(s.documentPath.c_str(), O_RDONLY);
        int64_t total = 0;
        ssize_t n;
        while (fd >= 0 && (n = ::read(fd, buf.data(), buf.size())) > 0) total += n;
        if (fd >= 0) ::close(fd);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * s.bytes);
}

void BM_WriteDocument(benchmark::State& state) {
    Sample& s = sample();
    ScriptedPrompt prompt;
    DocumentSource src = s.source();
    for (auto _ : state)
        if (!writeDocumentFile(s.documentPath, src, prompt)) state.SkipWithError("write failed");
    state.SetBytesProcessed(state.iterations() * s.bytes);
}

void BM_ReadDocument(benchmark::State& state) {
    Sample& s = sample();
    ScriptedPrompt prompt;
    if (!writeDocumentFile(s.documentPath, s.source(), prompt)) state.SkipWithError("write failed");
    for (auto _ : state) {
        DocumentContents c;
        if (!readDocumentFile(s.documentPath, c, prompt).ok()) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(c.track->points.data());
    }
    state.SetBytesProcessed(state.iterations() * s.bytes);
}

}  // namespace

BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteDocument)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
