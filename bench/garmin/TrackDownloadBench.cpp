// 10 000 track points from the receiver simulator over a pseudo-terminal:
// our whole download (open, identification, transfer, speed restore) with
// Comm_WriteFile_Wait 0, beside gpsbabel's download of the same data from the
// same simulator in the same run.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "garmin/Identification.h"
#include "garmin/Transfers.h"
#include "platform/Clock.h"
#include "platform/testing/ScriptedPrompt.h"
#include "settings/AppSettings.h"
#include "sim/garmin/ReceiverSimulator.h"

using namespace korvance;

namespace {

constexpr int kPoints = 10000;

ReceiverSimulator& simulator() {
    static std::unique_ptr<ReceiverSimulator> sim = [] {
        ReceiverData d = BuiltinReceiverData(SimProfile::New);
        d.track.clear();
        for (int i = 0; i < kPoints; ++i) {
            TrackPoint p;
            p.latitude = 47.0 + i * 1e-5;
            p.longitude = 8.0 + i * 1e-5;
            p.altitude = 400.0f + static_cast<float>(i % 100);
            p.time = 900000000u + static_cast<uint32_t>(i);
            p.segment = static_cast<uint16_t>(1 + i / 2500);
            d.track.push_back(p);
        }
        auto s = std::make_unique<ReceiverSimulator>(SimProfile::New, d);
        s->start();
        return s;
    }();
    return *sim;
}

void BM_OurTrackDownload(benchmark::State& state) {
    ReceiverSimulator& sim = simulator();
    for (auto _ : state) {
        LinkOptions o;
        o.writeWaitMs = 0;
        o.openWaitMs = 0;
        o.limitBaud = 9600;  // a pseudo-terminal runs at any speed: no negotiation pauses
        GarminLink link(o);
        if (!link.OpenPort(sim.devicePath())) {
            state.SkipWithError("cannot open the simulator's pseudo-terminal");
            return;
        }
        AppSettings s;
        s.Comm_WriteFile_Wait = 0;
        s.CommLimitBaudrate = 9600;
        s.GPSModelID = -1;
        ScriptedPrompt prompt;
        std::vector<TrackSlot> slots;
        if (!IdentifyReceiver(link, s, -1, prompt) || DownloadTrack(link, slots, prompt) != kPoints) {
            state.SkipWithError("download failed");
            return;
        }
    }
    state.counters["points_per_s"] = benchmark::Counter(kPoints, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_GpsbabelTrackDownload(benchmark::State& state) {
    if (std::system("gpsbabel -V > /dev/null 2>&1") != 0) {
        state.SkipWithError("gpsbabel is not installed");
        return;
    }
    ReceiverSimulator& sim = simulator();
    const std::string cmd = "gpsbabel -t -i garmin -f " + sim.devicePath() + " -o unicsv -F /dev/null > /dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError("gpsbabel failed");
            return;
        }
    }
    state.counters["points_per_s"] = benchmark::Counter(kPoints, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK(BM_OurTrackDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_GpsbabelTrackDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_MAIN();
