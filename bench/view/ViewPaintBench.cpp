// The map view painting into a 1280 x 800 picture through the Qt canvas, over
// a map of 512 x 512 PNG tiles:
// - a full repaint with a 65 536-point track (pen width 3, so the thinning
//   runs), 1 000 waypoints and 20 routes of 30 points, beside the bare map
//   window copied alone;
// - a drag step that crosses a tile edge (the window, 5 x 3 tiles for this
//   view, re-centres on the next row and reads its five tiles, then the view
//   paints), beside libpng alone decoding five tiles.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "files/TempDir.h"
#include "mapmake/TileWriters.h"
#include "maps/MapTestUtil.h"
#include "qtplatform/QtCanvas.h"
#include "support/LibpngRead.h"
#include "view/ViewFixture.h"

using namespace korvance;
using korvance::testing::FixedHost;
using korvance::testing::TempDir;

namespace {

constexpr int kWidth = 1280, kHeight = 800, kTile = 512, kColumns = 8, kRows = 6;
// A row of the window: 2 (1280 / 1024 + 1) + 1 tiles.
constexpr int kTilesPerRow = 5;

// Text needs a font database, so a Qt application; no display is used.
QGuiApplication& qtApp() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "view_bench";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return app;
}

// A map of kColumns x kRows tiles with texture that compresses like a scanned
// map (flat tiles would decode in no time), over 35..36 N, 139..140.6 E.
struct BenchMap {
    BenchMap() {
        const std::string folder = dir.file("m");
        std::filesystem::create_directories(folder);
        korvance::testing::putFile(folder + "/mapinfo.dat",
                                   korvance::testing::infoText(kColumns, kRows, 36, 139, 35, 140.6, kTile, kTile));
        RasterImage img;
        uint32_t seed = 12345;
        for (int t = 0; t < kColumns * kRows; ++t) {
            img.reset(kTile, kTile, kWhite);
            for (int y = 0; y < kTile; ++y)
                for (int x = 0; x < kTile; ++x) {
                    seed = seed * 1664525u + 1013904223u;
                    const uint32_t shade = 0xC0 + ((x / 16 + y / 16 + t) % 4) * 0x10 + (seed >> 29);
                    const bool road = (x + 3 * y) % 97 < 3 || (5 * x - y + 1000) % 131 < 2;
                    img.row(y)[x] = road ? 0x404040u : (shade << 16 | (shade - 0x20) << 8 | (shade - 0x40));
                }
            WritePngRgb(folder + "/" + std::to_string(t) + ".png", img);
        }
        path = folder + "/mapinfo.dat";
    }
    TempDir dir;
    std::string path;
};

const BenchMap& benchMap() {
    static BenchMap map;
    return map;
}

// The view over the map, with or without the data, at 1280 x 800.
struct Scene {
    explicit Scene(bool withData) {
        host.client = {0, 0, kWidth, kHeight};
        doc.fitPending = false;
        doc.settings().PenWidth = 3;
        doc.settings().TrackPlotCount = 65536;
        view.takeOrientation();
        view.clientResized();
        doc.maps().setScreenSize(kWidth, kHeight);
        doc.maps().LoadMapInfo(benchMap().path, prompt);
        doc.maps().LoadWindow(0, prompt);
        if (withData) addData();
        doc.maps().CentreOn(view.viewRect(), 35.5, 139.6, -999, prompt);
        doc.newData = false;
        doc.fitPending = false;
    }
    static MemorySettingsStore& raised(MemorySettingsStore& s) {
        s.createKey(kSettingsKey);
        s.writeDword(kSettingsKey, "MaxWaypointCount", 1000);
        return s;
    }
    // A track winding over the map, waypoints on a grid, routes between them.
    void addData() {
        auto& log = doc.trackLog();
        log.track = TrackField::create(65536);
        for (int i = 0; i < 65536; ++i) {
            TrackPoint p;
            const double a = i * 0.0005;
            p.latitude = 35.5 + 0.3 * std::sin(a) * std::cos(a * 0.31);
            p.longitude = 139.6 + 0.4 * std::cos(a * 0.7);
            log.track->append(p);
        }
        for (int i = 0; i < 1000; ++i) {
            char id[16];
            std::snprintf(id, sizeof id, "W%04d", i);
            doc.waypoints().add(prompt, id, 35.05 + (i / 40) * 0.036, 139.05 + (i % 40) * 0.037, "", 18, 0,
                                    0, 0);
        }
        for (uint32_t r = 0; r < 20; ++r) {
            doc.routes().appendRoute(prompt);
            for (int k = 0; k < 30; ++k) {
                const int w = static_cast<int>((r * 37 + k * 11) % 1000);
                doc.routes().appendWaypoint(prompt, r, doc.waypoints().identifier(w),
                                                doc.waypoints().latitude(w), doc.waypoints().longitude(w),
                                                "", 18, 0, 0, 0);
            }
        }
    }
    MemorySettingsStore store;
    FixedClock clock;
    ScriptedPrompt prompt;
    CKorvanceDoc doc{raised(store), clock, prompt};
    FixedHost host;
    ScriptedDialogs dialogs{prompt};
    ScriptedViewDialogs viewDialogs;
    CKorvanceView view{doc, host, dialogs, viewDialogs};
};

void BM_FullRepaint(benchmark::State& state) {
    qtApp();
    Scene scene(true);
    if (!scene.doc.maps().hasMap() || scene.doc.waypoints().count() != 1000) {
        state.SkipWithError("scene not built");
        return;
    }
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QtCanvas canvas(picture);
        scene.view.paint(canvas);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);

// The reference: the visible part of the map window copied alone.
void BM_BareMapWindow(benchmark::State& state) {
    qtApp();
    Scene scene(false);
    const MapSet& maps = scene.doc.maps();
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QtCanvas canvas(picture);
        canvas.blitImage(maps.window(), maps.originX(), maps.originY(), 0, 0, kWidth, kHeight);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_BareMapWindow)->Unit(benchmark::kMillisecond);

// One drag step across a tile edge, down and up in turn: the pen moves 700
// pixels, the window re-centres on the next row of tiles (one row read), and
// the view paints as the widget does on the redraw the drag asks for.
void BM_DragStepAcrossTileEdge(benchmark::State& state) {
    qtApp();
    Scene scene(true);
    CKorvanceView& view = scene.view;
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    // The first step from the map's middle crosses two rows of tiles; from then on
    // each step crosses one, back and forth.
    view.penDown(640, 750, false, false);
    view.penUp(640, 50, false, false);
    const uint64_t readsBefore = scene.doc.maps().tileReads();
    bool up = false;
    for (auto _ : state) {
        const int from = up ? 750 : 50, to = up ? 50 : 750;
        view.penDown(640, from, false, false);
        view.penMove(640, to, true, false, false);
        QtCanvas canvas(picture);
        view.paint(canvas);
        benchmark::DoNotOptimize(picture.constBits());
        state.PauseTiming();
        view.penUp(640, to, false, false);
        up = !up;
        state.ResumeTiming();
    }
    const double perStep =
        static_cast<double>(scene.doc.maps().tileReads() - readsBefore) / static_cast<double>(state.iterations());
    state.counters["tiles/step"] = perStep;
    if (perStep != kTilesPerRow) state.SkipWithError("the step did not read one row of the window");
}
BENCHMARK(BM_DragStepAcrossTileEdge)->Unit(benchmark::kMillisecond);

// The reference: libpng's simplified reader decoding as many of the map's tiles to
// RGB as a drag step reads.
void BM_LibpngRowOfTiles(benchmark::State& state) {
    const std::string folder = std::filesystem::path(benchMap().path).parent_path().string();
    std::vector<uint8_t> buffer;
    int next = 0;
    for (auto _ : state) {
        for (int k = 0; k < kTilesPerRow; ++k) {
            const std::string path = folder + "/" + std::to_string(next++ % (kColumns * kRows)) + ".png";
            if (!bench::ReadPngWithLibpng(path, buffer)) {
                state.SkipWithError("tile missing");
                return;
            }
            benchmark::DoNotOptimize(buffer.data());
        }
    }
}
BENCHMARK(BM_LibpngRowOfTiles)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
