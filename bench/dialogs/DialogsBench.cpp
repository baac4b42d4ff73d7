// "&Edit Waypoint..." on 10 000 waypoints (MaxWaypointCount raised): the
// editor opened and confirmed with OK back into the document, as the model
// alone and as the Qt dialog (offscreen), beside the copy of the same list
// through the list's own add in the core alone, which OK cannot avoid.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>

#include <string>

#include "app/CKorvanceDoc.h"
#include "dialogs/DialogCommands.h"
#include "dialogs/WaypointEditor.h"
#include "dialogs/testing/ScriptedDialogs.h"
#include "gui/dialogs/QtDialogHost.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/testing/ScriptedPrompt.h"
#include "settings/AppSettings.h"

using namespace korvance;

namespace {

constexpr int kWaypoints = 10000;

struct Document {
    Document() : doc(raised(store), clock, prompt) {
        for (int i = 0; i < kWaypoints; ++i) {
            const std::string id = "W" + std::to_string(100000 + i);
            doc.waypoints().add(prompt, id, 35.0 + i * 1e-4, 139.0 + i * 1e-4, "comment", 0, 0, 0, 0);
        }
    }
    static MemorySettingsStore& raised(MemorySettingsStore& s) {
        s.createKey(kSettingsKey);
        s.writeDword(kSettingsKey, "MaxWaypointCount", kWaypoints);
        return s;
    }
    MemorySettingsStore store;
    FixedClock clock;
    ScriptedPrompt prompt;
    CKorvanceDoc doc;
};

// The core alone: a new list of the same limit filled through add, record by record.
void BM_CopyListInCore(benchmark::State& state) {
    Document d;
    for (auto _ : state) {
        WaypointList copy(d.doc.waypoints().maximumCount(), d.doc.waypoints().codePage());
        for (const WaypointRecord& w : d.doc.waypoints().records()) copy.add(d.prompt, w);
        benchmark::DoNotOptimize(copy.count());
    }
}
BENCHMARK(BM_CopyListInCore)->Unit(benchmark::kMillisecond)->Iterations(3);

// The editor's model: rows built, OK through the list's add, the document takes the list.
void BM_WaypointEditorModel(benchmark::State& state) {
    Document d;
    ScriptedDialogs dialogs(d.prompt);
    for (auto _ : state) {
        dialogs.waypointEditors.push_back([](WaypointEditor&) { return kDialogOk; });
        benchmark::DoNotOptimize(onEditWaypoint(d.doc, dialogs, d.prompt));
    }
    if (d.doc.waypoints().count() != kWaypoints) state.SkipWithError("the list changed");
}
BENCHMARK(BM_WaypointEditorModel)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same through the Qt dialog: the table shown, then OK.
void BM_WaypointEditorDialog(benchmark::State& state) {
    Document d;
    ScriptedFileChooser chooser;
    QtDialogHost host(nullptr, d.prompt, chooser);
    for (auto _ : state) {
        QTimer::singleShot(0, [] {
            // OK as a person presses it: the rows go back through the list's add.
            auto* dialog = QApplication::activeModalWidget();
            auto* buttons = dialog ? dialog->findChild<QDialogButtonBox*>() : nullptr;
            if (buttons) buttons->button(QDialogButtonBox::Ok)->click();
        });
        benchmark::DoNotOptimize(onEditWaypoint(d.doc, host, d.prompt));
    }
    if (d.doc.waypoints().count() != kWaypoints) state.SkipWithError("the list changed");
}
BENCHMARK(BM_WaypointEditorDialog)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
