// Line reader throughput against a plain read of the same file, and the costs
// of the collections' hot paths (logging a track point, adding a waypoint).
//
// The 100 MB text file is generated in the temporary folder when the program
// starts and removed when it ends. KORVANCE_BENCH_MB changes its size.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "data/TrackLog.h"
#include "data/WaypointList.h"
#include "files/IFTxtFile.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
namespace fs = std::filesystem;

namespace {

struct TextFile {
    std::string path;
    int64_t bytes = 0;

    TextFile() {
        int64_t mb = 100;
        if (const char* e = std::getenv("KORVANCE_BENCH_MB")) mb = std::max(1L, std::atol(e));
        path = (fs::temp_directory_path() / ("korvance-bench-" + std::to_string(::getpid()) + ".txt")).string();
        std::ofstream out(path, std::ios::binary);
        char line[160];
        for (int64_t i = 0; bytes < mb * 1000 * 1000; ++i) {
            // Lines shaped like the waypoint text export: identifier, DMS
            // latitude and longitude, a comment of 0-39 characters, symbol.
            std::string comment(size_t(i % 40), char('a' + i % 26));
            int n = std::snprintf(line, sizeof line, "W%05d,N35:%02d:%04.1f,E139:%02d:%04.1f,%s,%d\r\n",
                                  int(i % 100000), int(i % 60), double(i % 600) / 10, int(i * 7 % 60),
                                  double(i * 7 % 600) / 10, comment.c_str(), int(i % 150));
            out.write(line, n);
            bytes += n;
        }
        out.close();
        // On disk before any timing, so that no benchmark shares the machine
        // with the write-back of the file.
        int fd = ::open(path.c_str(), O_RDONLY);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
    ~TextFile() { std::remove(path.c_str()); }
};

// User and system CPU seconds of this thread so far.
std::pair<double, double> cpuTimes() {
    rusage u{};
    ::getrusage(RUSAGE_THREAD, &u);
    return {double(u.ru_utime.tv_sec) + double(u.ru_utime.tv_usec) / 1e6,
            double(u.ru_stime.tv_sec) + double(u.ru_stime.tv_usec) / 1e6};
}

// Reports the user and system time of an iteration, in milliseconds: the
// system part is the kernel copying the file, the user part our own work.
struct CpuSplit {
    benchmark::State& state;
    std::pair<double, double> start = cpuTimes();
    ~CpuSplit() {
        auto end = cpuTimes();
        double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
        state.counters["user_ms"] = (end.first - start.first) * 1e3 / n;
        state.counters["sys_ms"] = (end.second - start.second) * 1e3 / n;
    }
};

TextFile& file() {
    static TextFile f;
    return f;
}

void BM_PlainRead(benchmark::State& state) {
    auto& f = file();
    std::vector<char> buf(1 << 16);
    CpuSplit split{state};
    for (auto _ : state) {
        int fd = ::open(f.path.c_str(), O_RDONLY);
        int64_t total = 0;
        ssize_t n;
        while ((n = ::read(fd, buf.data(), buf.size())) > 0) total += n;
        ::close(fd);
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();

// The reader's own form: lines copied into a caller buffer.
void BM_IFTxtFileLines(benchmark::State& state) {
    auto& f = file();
    ScriptedPrompt prompt;
    std::vector<char> line(IFTxtFile::kHalf - 1);
    CpuSplit split{state};
    for (auto _ : state) {
        IFTxtFile reader(prompt);
        reader.open(f.path);
        int64_t lines = 0;
        while (reader.readLine(line.data(), int(line.size())) >= 0) ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
}
BENCHMARK(BM_IFTxtFileLines)->Unit(benchmark::kMillisecond)->UseRealTime();

// Lines into a std::string.
void BM_IFTxtFileStringLines(benchmark::State& state) {
    auto& f = file();
    ScriptedPrompt prompt;
    std::string line;
    CpuSplit split{state};
    for (auto _ : state) {
        IFTxtFile reader(prompt);
        reader.open(f.path);
        int64_t lines = 0;
        while (reader.readLine(line) >= 0) ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
}
BENCHMARK(BM_IFTxtFileStringLines)->Unit(benchmark::kMillisecond)->UseRealTime();

// The work a copying line reader does per line, alone: finding each line end
// and copying the line, over the first 4 MB of the file held in memory (in
// the processor's cache after the first pass; too many lines for the branch
// predictor to learn their lengths). A reader that reads the file and then
// does this work cannot beat 1 / (1 / plain read + 1 / this).
void BM_LineSplitCached(benchmark::State& state) {
    auto& f = file();
    std::vector<char> block(4 << 20);
    {
        std::ifstream in(f.path, std::ios::binary);
        in.read(block.data(), std::streamsize(block.size()));
        block.resize(size_t(in.gcount()));
    }
    // Whole lines only.
    while (!block.empty() && block.back() != '\n') block.pop_back();
    std::vector<char> line(IFTxtFile::kHalf);
    for (auto _ : state) {
        const char* p = block.data();
        const char* e = p + block.size();
        int64_t lines = 0;
        while (p < e) {
            auto hit = static_cast<const char*>(std::memchr(p, '\n', size_t(e - p)));
            size_t n = size_t(hit - p);
            if (n > 0 && hit[-1] == '\r') --n;
            std::memcpy(line.data(), p, n);
            line[n] = 0;
            benchmark::DoNotOptimize(line.data());
            p = hit + 1;
            ++lines;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * int64_t(block.size()));
}
BENCHMARK(BM_LineSplitCached)->Unit(benchmark::kMicrosecond);

void BM_TrackLogAppend(benchmark::State& state) {
    ScriptedPrompt prompt;
    FixedClock clock;
    TrackLog log;
    log.start(21600, prompt, clock);
    uint32_t t = 0;
    for (auto _ : state) {
        if (log.append(35.0, 139.0, 10.0, ++t, clock) == 0) {
            state.PauseTiming();
            log.track.reset();
            log.start(21600, prompt, clock);
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_TrackLogAppend);

// Filling a list of the default 500 waypoints: each add scans for duplicates
// and grows the array by one record.
void BM_WaypointListFill500(benchmark::State& state) {
    ScriptedPrompt prompt;
    std::vector<std::string> names;
    for (int i = 0; i < 500; ++i) names.push_back("WP" + std::to_string(i));
    for (auto _ : state) {
        WaypointList list(500);
        for (const auto& n : names) list.add(prompt, n, 35, 139, "", 0, 0, 0, 0);
        benchmark::DoNotOptimize(list.count());
    }
}
BENCHMARK(BM_WaypointListFill500)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
