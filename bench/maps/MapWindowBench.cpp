// Re-centring the tile window by one tile (3 tiles read, 6 kept) on the demo
// overview's 256 x 256 PNG tiles, beside libpng alone decoding the same three
// files into a buffer: the window's own work (shifting, copying, bookkeeping)
// is the difference.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "maps/MapImage.h"
#include "support/LibpngRead.h"
#include "maps/MapSet.h"

using namespace korvance;

namespace {

const std::string kFolder = std::string(KORVANCE_BINARY_DIR) + "/demo-maps/overview";

class SilentPrompt : public UserPrompt {
public:
    void message(const std::string&, const std::string&, Icon) override { ++messages; }
    Answer ask(const std::string&, const std::string&, Buttons, Icon) override { return Answer::Cancel; }
    void beep(BeepKind) override {}
    void errorWindow(const std::string&) override {}
    void beginWait() override {}
    void endWait() override {}
    int messages = 0;
};

void BM_RecentreOneTile(benchmark::State& state) {
    MapSet maps;
    SilentPrompt prompt;
    if (!maps.LoadMapInfo(kFolder + "/mapinfo.dat", prompt) || !maps.LoadWindow(6, prompt)) {
        state.SkipWithError("demo map set missing");
        return;
    }
    bool right = true;
    for (auto _ : state) {
        maps.LoadWindow(right ? 7 : 6, prompt);  // reads 3, 8, 13 or 0, 5, 10
        right = !right;
        benchmark::DoNotOptimize(maps.window().pixels.data());
    }
    if (prompt.messages) state.SkipWithError("tile failed to load");
    state.counters["tiles/s"] = benchmark::Counter(3.0 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RecentreOneTile)->Unit(benchmark::kMillisecond);

// The floor: libpng's simplified reader decoding the same three tiles to RGB.
void BM_LibpngThreeTiles(benchmark::State& state) {
    const std::vector<std::vector<int>> sets = {{3, 8, 13}, {0, 5, 10}};
    std::vector<uint8_t> buffer(256 * 256 * 3);
    bool right = true;
    for (auto _ : state) {
        for (int t : sets[right ? 0 : 1]) {
            if (!bench::ReadPngWithLibpng(kFolder + "/" + std::to_string(t) + ".png", buffer)) {
                state.SkipWithError("demo map set missing");
                return;
            }
            benchmark::DoNotOptimize(buffer.data());
        }
        right = !right;
    }
    state.counters["tiles/s"] = benchmark::Counter(3.0 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LibpngThreeTiles)->Unit(benchmark::kMillisecond);

// Our PNG decoder alone on the same three tiles, to 0x00RRGGBB pixels: the
// part of the re-centring that is decoding.
void BM_DecodePngThreeTiles(benchmark::State& state) {
    const std::vector<std::vector<int>> sets = {{3, 8, 13}, {0, 5, 10}};
    RasterImage image;
    bool right = true;
    for (auto _ : state) {
        for (int t : sets[right ? 0 : 1]) DecodePng(kFolder + "/" + std::to_string(t) + ".png", image);
        benchmark::DoNotOptimize(image.pixels.data());
        right = !right;
    }
}
BENCHMARK(BM_DecodePngThreeTiles)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
