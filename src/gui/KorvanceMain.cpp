// The korvance program: one instance a user, the document over the user's
// settings file, the main window with the whole menu. `--demo` starts the
// receiver simulator for this run, opens the demo map set and keeps every
// setting of the run in memory, so the user's settings file stays untouched.

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QScreen>

#include <cstdio>
#include <memory>
#include <string_view>

#include "gui/DemoSession.h"
#include "gui/MainFrame.h"
#include "gui/SingleInstance.h"
#include "maps/MapCommands.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "qtplatform/QtFileChooser.h"
#include "qtplatform/QtSettingsStore.h"
#include "qtplatform/QtSound.h"
#include "qtplatform/QtUserPrompt.h"

using namespace korvance;

namespace {

// The options of the program; --help and --version end the run after printing.
struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption demo{"demo", "Start the receiver simulator for this run and open the demo maps."};

    CommandLine() {
        parser.setApplicationDescription("korvance: moving map and GPS data manager");
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(demo);
        parser.addPositionalArgument("map", "A mapinfo.dat or map list (.lst) to open.", "[map]");
    }
};

// --help and --version only print: they need no display.
bool onlyPrints(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "-h" || a == "--help" || a == "-?" || a == "--help-all" || a == "-v" || a == "--version") return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName("korvance");
    QCoreApplication::setApplicationVersion(KORVANCE_VERSION);
    if (onlyPrints(argc, argv)) {
        QCoreApplication core(argc, argv);
        CommandLine line;
        line.parser.process(core);
        return 0;
    }
    QApplication app(argc, argv);
    CommandLine line;
    QCommandLineParser& parser = line.parser;
    const QCommandLineOption& demo = line.demo;
    parser.process(app);

    SingleInstance instance;
    if (!instance.acquire()) {
        std::fprintf(stderr, "korvance is already running; its window was brought to the front.\n");
        return 0;
    }

    QtUserPrompt prompt;
    QtProgress progress;
    QtFileChooser chooser;
    std::unique_ptr<SettingsStore> store;
    if (parser.isSet(demo))
        store = std::make_unique<MemorySettingsStore>();
    else
        store = std::make_unique<QtSettingsStore>();
    SystemClock clock;
    CKorvanceDoc doc(*store, clock, prompt);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        doc.maps().setScreenSize(screen->size().width(), screen->size().height());

    QtSound sound;
    MainFrame frame(doc, prompt, chooser, progress, sound);
    // Message boxes, the progress window and the file dialogs open over the
    // main window and keep it from being used meanwhile.
    prompt.setParentWidget(&frame);
    progress.setParentWidget(&frame);
    chooser.setParentWidget(&frame);
    instance.onRaiseRequest([&frame] {
        frame.showNormal();
        frame.raise();
        frame.activateWindow();
    });

    DemoSession session;
    if (parser.isSet(demo)) {
        if (session.startReceiver()) {
            doc.settings().CommDevice = session.devicePath();
            std::printf("korvance: demo receiver on %s\n", session.devicePath().c_str());
            std::fflush(stdout);
        } else {
            prompt.message("The demo receiver could not be started (no pseudo-terminal).", "korvance",
                           Icon::Warning);
        }
        const std::string folder = FindDemoMaps(QCoreApplication::applicationFilePath().toStdString());
        const Changes opened =
            folder.empty() ? Changes{}
                           : OpenMapOrList(doc.maps(), folder + "/demo.lst", doc.codePage(), doc.settings().MapPath, prompt);
        doc.apply(opened);
        if (!opened.has(Changes::MapOpened))
            prompt.message("The demo map set was not found (demo-maps/demo.lst).", "korvance", Icon::Warning);
    } else if (!parser.positionalArguments().isEmpty()) {
        doc.apply(OpenMapOrList(doc.maps(), parser.positionalArguments().first().toStdString(), doc.codePage(),
                                doc.settings().MapPath, prompt));
    }
    frame.showDocumentStatus();
    frame.show();
    if (parser.isSet(demo) && doc.maps().hasMap() && frame.view()) {
        double lat, lon;
        session.receiverPosition(lat, lon);
        frame.view()->centreOn(lat, lon);
    }
    const int rc = app.exec();
    session.stop();
    doc.closeDocument();
    return rc;
}
