// From an RMC+GGA pair written on the receiver's line to the end of its
// navigation tick, through the program's path: the reader thread frames and
// parses it, NmeaFeed posts the take through QtCallQueue, and the tick (track
// log, route, alarm) runs on the event loop while the reader waits. The reference is the time the same bytes need on the line at 4800
// baud (ten bits a byte), which no reader can beat; the aim is a small
// fraction of it. Counters median_us and p99_us give the spread.

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/CKorvanceDoc.h"
#include "navigation/NavigationTick.h"
#include "navigation/PositionSources.h"
#include "platform/Clock.h"
#include "platform/PseudoTerminal.h"
#include "platform/SettingsStore.h"
#include "platform/testing/RecordingSound.h"
#include "platform/testing/ScriptedPrompt.h"
#include "qtplatform/QtCallQueue.h"
#include "sim/nmea/NmeaSentences.h"
#include "view/NmeaFeed.h"

namespace korvance {
namespace {

using Clock = std::chrono::steady_clock;

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "nmea_latency_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* a = new QCoreApplication(argc, argv);
    return *a;
}

const std::vector<std::string>& epochs() {
    static std::vector<std::string> all = [] {
        std::vector<std::string> out;
        for (const auto& p : BuiltinNmeaTrack(600)) out.push_back(FormatRmc(p) + FormatGga(p));
        return out;
    }();
    return all;
}

double percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))];
}

void BM_PairToEndOfTick(benchmark::State& state) {
    app();
    MemorySettingsStore store;
    SystemClock clock;
    ScriptedPrompt prompt({}, Answer::No);
    ScriptedFileChooser chooser;
    CKorvanceDoc doc(store, clock, prompt);
    doc.trackLog().start(1000000, prompt, clock);
    RecordingSound sound;
    NavigationState nav(doc);
    PseudoTerminal pty;
    QtCallQueue queue;
    NmeaFeed feed([&queue](NmeaFeed::Call call) { queue.post(std::move(call)); });
    DeliveredPositionSource source;
    uint64_t ticks = 0;
    Clock::time_point tickEnd;
    auto tick = [&](const NmeaPosition& p) {
        source.commit(FixOf(p));
        nav.tick(source, nullptr, sound);
        tickEnd = Clock::now();
        ++ticks;
    };
    doc.settings().CommDevice = pty.slavePath();
    if (!feed.start(doc.settings(), prompt, chooser, tick) || !feed.receiver().waitUntilReading(5000)) {
        state.SkipWithError("the reader did not start");
        return;
    }
    std::vector<double> samples;
    size_t i = 0;
    for (auto _ : state) {
        const std::string& e = epochs()[i++ % epochs().size()];
        const uint64_t before = ticks;
        const Clock::time_point start = Clock::now();
        pty.writeAll(reinterpret_cast<const uint8_t*>(e.data()), e.size());
        while (ticks == before) app().processEvents(QEventLoop::WaitForMoreEvents);
        const double seconds = std::chrono::duration<double>(tickEnd - start).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds * 1e6);
    }
    feed.stop();
    state.counters["median_us"] = percentile(samples, 0.5);
    state.counters["p99_us"] = percentile(samples, 0.99);
}
BENCHMARK(BM_PairToEndOfTick)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The reference: the same bytes on a 4800-baud line, 8N1 (ten bits a byte).
void BM_PairOnTheLineAt4800(benchmark::State& state) {
    size_t i = 0;
    for (auto _ : state) {
        const double bytes = static_cast<double>(epochs()[i++ % epochs().size()].size());
        state.SetIterationTime(bytes * 10.0 / 4800.0);
    }
}
BENCHMARK(BM_PairOnTheLineAt4800)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvance

BENCHMARK_MAIN();
