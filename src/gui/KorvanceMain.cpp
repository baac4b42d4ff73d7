// The korvance program: one instance a user, the document over the user's
// settings file, the main window with the whole menu. `--demo` shows the
// program at work on simulated receivers with every setting of the run kept
// in memory, so the user's settings file stays untouched.

#include <QApplication>

#include <cstdio>
#include <string_view>

#include "gui/KorvanceProgram.h"
#include "gui/SingleInstance.h"
#include "qtplatform/QtFileChooser.h"
#include "qtplatform/QtSound.h"
#include "qtplatform/QtUserPrompt.h"

using namespace korvance;

namespace {

// --help and --version only print: they need no display.
bool onlyPrints(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "-h" || a == "--help" || a == "-?" || a == "--help-all" || a == "-v" || a == "--version") return true;
    }
    return false;
}

bool parse(const QStringList& arguments, ProgramOptions& options) {
    std::string error;
    if (ParseProgramOptions(arguments, options, error)) return true;
    std::fprintf(stderr, "korvance: %s\n", error.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName("korvance");
    QCoreApplication::setApplicationVersion(KORVANCE_VERSION);
    ProgramOptions options;
    if (onlyPrints(argc, argv)) {
        QCoreApplication core(argc, argv);
        return parse(core.arguments(), options) ? 0 : 2;
    }
    QApplication app(argc, argv);
    if (!parse(app.arguments(), options)) return 2;

    SingleInstance instance;
    if (!instance.acquire()) {
        std::fprintf(stderr, "korvance is already running; its window was brought to the front.\n");
        return 0;
    }

    QtUserPrompt prompt;
    QtProgress progress;
    QtFileChooser chooser;
    QtSound sound;
    KorvanceProgram program(options, QCoreApplication::applicationFilePath().toStdString(), prompt, chooser, progress,
                            sound);
    MainFrame& frame = program.frame();
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
    program.start();
    if (options.demo) {
        std::printf("korvance: demo receivers: Garmin on %s, NMEA on %s\n", program.demo().garminDevice().c_str(),
                    program.demo().nmeaDevice().c_str());
        std::fflush(stdout);
    }
    return app.exec();
}
