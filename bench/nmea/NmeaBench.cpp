// Sentences a second through the line ring and the parser, and through the
// whole session (framing, parsing, hand-off rule; no log). A receiver sends
// a few dozen a second; the floor we keep is a million.

#include <benchmark/benchmark.h>

#include <string>

#include "nmea/NmeaLineBuffer.h"
#include "nmea/NmeaParser.h"
#include "nmea/NmeaSession.h"
#include "sim/nmea/NmeaSentences.h"

namespace korvance {
namespace {

// 1000 epochs of RMC, GGA and VTG (3000 sentences), and how many sentences.
const std::string& text(int& sentences) {
    static std::string all = [] {
        std::string s;
        for (const auto& p : BuiltinNmeaTrack(1000)) s += FormatRmc(p) + FormatGga(p) + FormatVtg(p);
        return s;
    }();
    sentences = 3000;
    return all;
}

void BM_LineBufferAndParser(benchmark::State& state) {
    int sentences = 0;
    const std::string& all = text(sentences);
    const size_t chunk = static_cast<size_t>(state.range(0));
    NmeaLineBuffer buffer;
    NmeaFix fix;
    char line[NmeaLineBuffer::kLineCapacity];
    int64_t lines = 0;
    for (auto _ : state) {
        for (size_t at = 0; at < all.size(); at += chunk) {
            buffer.append(std::string_view(all).substr(at, chunk));
            for (int n; (n = buffer.nextLine(line, sizeof line)) != 0;) {
                if (n > 0) {
                    benchmark::DoNotOptimize(ParseSentence(fix, std::string_view(line, static_cast<size_t>(n))));
                    ++lines;
                }
            }
        }
        benchmark::DoNotOptimize(fix);
    }
    if (lines != static_cast<int64_t>(state.iterations()) * sentences) state.SkipWithError("lines lost");
    state.SetItemsProcessed(lines);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * all.size()));
}
BENCHMARK(BM_LineBufferAndParser)->Arg(64)->Arg(1024);

struct NullSink : NmeaSessionSink {
    bool deliver(const NmeaPosition& p) override {
        benchmark::DoNotOptimize(p);
        ++positions;
        return true;
    }
    void logWriteFailed(int) override {}
    int64_t positions = 0;
};

void BM_Session(benchmark::State& state) {
    int sentences = 0;
    const std::string& all = text(sentences);
    NmeaSession session;
    NullSink sink;
    for (auto _ : state) {
        for (size_t at = 0; at < all.size();) {
            size_t n = std::min(session.room(), all.size() - at);
            session.feed(reinterpret_cast<const uint8_t*>(all.data() + at), n, sink);
            at += n;
        }
    }
    if (sink.positions != static_cast<int64_t>(state.iterations()) * 1000) state.SkipWithError("positions lost");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * sentences);
}
BENCHMARK(BM_Session);

}  // namespace
}  // namespace korvance

BENCHMARK_MAIN();
