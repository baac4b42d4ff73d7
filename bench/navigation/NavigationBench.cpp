// One navigation tick with its repaint at 1280 x 800 over the demo map set,
// through the image canvas: an NMEA position appended to a track of 256
// plotted points, the map following it, then the paint with the cursor, the
// status line and the data field. Beside it, the bare map window alone copied
// into the same picture: the tick's own work is the difference.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <memory>
#include <string>

#include "app/CKorvanceDoc.h"
#include "app/CommandIds.h"
#include "cli/ViewDocument.h"
#include "maps/MapCommands.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/testing/ScriptedPrompt.h"
#include "qtplatform/QtCanvas.h"
#include "view/CKorvanceView.h"

using namespace korvance;

namespace {

const std::string kList = std::string(KORVANCE_BINARY_DIR) + "/demo-maps/demo.lst";
constexpr int kWidth = 1280, kHeight = 800;

// The Goto picker takes the first waypoint; every other dialog is cancelled.
class Dialogs : public cli::NoDialogs {
public:
    std::optional<uint32_t> pickWaypoint(const WaypointList&) override { return 0u; }
};

class Timer : public NavigationTimer {
public:
    void start(uint32_t, std::function<void()>) override {}
    void stop() override {}
    bool active() const override { return false; }
    uint32_t periodMs() const override { return 1000; }
};

class Quiet : public Sound {
public:
    bool play(const std::string&) override { return true; }
};

class Host : public ViewHost, public NavigationHost {
public:
    ClientRect clientRect() const override { return {0, 0, kWidth, kHeight}; }
    void redraw(bool) override {}
    NavigationHost* navigationHost() override { return this; }
    NavigationTimer& navigationTimer() override { return timer_; }
    Sound& sound() override { return sound_; }
    bool startNmea(AppSettings&, UserPrompt&) override { return true; }
    void stopNmea() override {}

private:
    Timer timer_;
    Quiet sound_;
};

QGuiApplication& app() {
    static int argc = 1;
    static char name[] = "navigation_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication a(argc, argv);
    return a;
}

// The demo map set open, NMEA navigation running with the data field, a Goto
// target, and 256 track points behind the start.
struct Scene {
    MemorySettingsStore store;
    FixedClock clock;
    ScriptedPrompt prompt{{}, Answer::No};
    CKorvanceDoc doc{store, clock, prompt};
    Host host;
    Dialogs dialogs;
    std::unique_ptr<CKorvanceView> view;
    QImage picture{kWidth, kHeight, QImage::Format_RGB32};
    int step = 0;

    bool open() {
        app();
        doc.fitPending = false;
        doc.settings().TrackPlotCount = 256;
        if (!OpenMapOrList(doc.maps(), kList, doc.codePage(), doc.settings().MapPath, prompt).has(Changes::MapOpened))
            return false;
        view = std::make_unique<CKorvanceView>(doc, host, dialogs, dialogs);
        view->takeOrientation();
        view->clientResized();
        view->showDataField = 1;
        doc.waypoints().add(prompt, "TARGET", 52.53, 13.42, "", 0, 0, 0, 0);
        view->onCommand(cmd::Goto);
        view->onCommand(cmd::NmeaNavigation);
        if (!view->nmeaNavigation) return false;
        for (int i = 0; i < 256; ++i) tick();
        return prompt.shown.empty();
    }
    // 10 m a second along a slow circle in the centre map.
    void tick() {
        const double a = step * 0.0005;
        NmeaPosition p;
        p.latitude = 52.50 + 0.02 * std::sin(a);
        p.longitude = 13.38 + 0.03 * std::cos(a);
        p.time = 1700000000 + step;
        ++step;
        clock.advanceMs(1000);
        view->nmeaPosition(p);
    }
    void paint() {
        QtCanvas canvas(picture);
        view->paint(canvas);
    }
};

void BM_NavigationTickWithRepaint(benchmark::State& state) {
    Scene s;
    if (!s.open()) {
        state.SkipWithError("demo map set missing");
        return;
    }
    for (auto _ : state) {
        s.tick();
        s.paint();
        benchmark::DoNotOptimize(s.picture.constBits());
    }
    state.counters["ticks/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NavigationTickWithRepaint)->Unit(benchmark::kMillisecond);

// The reference: the same map window copied into the same picture, nothing else.
void BM_BareMapWindow(benchmark::State& state) {
    Scene s;
    if (!s.open()) {
        state.SkipWithError("demo map set missing");
        return;
    }
    const MapSet& maps = s.doc.maps();
    const ClientRect r = s.view->viewRect();
    for (auto _ : state) {
        QtCanvas canvas(s.picture);
        canvas.blitImage(maps.window(), maps.originX(), maps.originY(), r.left, r.top, r.right, r.bottom);
        benchmark::DoNotOptimize(s.picture.constBits());
    }
}
BENCHMARK(BM_BareMapWindow)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
