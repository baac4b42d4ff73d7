#include "gui/KorvanceProgram.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QScreen>

#include "maps/MapCommands.h"
#include "qtplatform/QtSettingsStore.h"

namespace korvance {

namespace {

std::unique_ptr<SettingsStore> storeFor(const ProgramOptions& options) {
    if (options.demo) return std::make_unique<MemorySettingsStore>();
    return std::make_unique<QtSettingsStore>();
}

}  // namespace

bool ParseProgramOptions(const QStringList& arguments, ProgramOptions& options, std::string& error) {
    QCommandLineParser parser;
    parser.setApplicationDescription("korvance: moving map and GPS data manager");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demo("demo",
                                  "Show the program at work: simulated receivers for this run, the demo maps, "
                                  "and a position driving a tour over them. The settings of the run stay in memory.");
    const QCommandLineOption demoRate(
        "demo-rate", "Positions a second of the demo's receiver (default 5; more plays the tour faster).",
        "positions");
    parser.addOption(demo);
    parser.addOption(demoRate);
    parser.addPositionalArgument("map", "A mapinfo.dat or map list (.lst) to open.", "[map]");
    parser.process(arguments);
    options.demo = parser.isSet(demo);
    if (parser.isSet(demoRate)) {
        bool ok = false;
        const double rate = parser.value(demoRate).toDouble(&ok);  // QString reads numbers the same in every locale
        if (!ok || !(rate >= 0.2 && rate <= 200)) {
            error = "--demo-rate wants between 0.2 and 200 positions a second";
            return false;
        }
        options.demoRate = rate;
    }
    if (!parser.positionalArguments().isEmpty()) options.map = parser.positionalArguments().first().toStdString();
    return true;
}

KorvanceProgram::KorvanceProgram(const ProgramOptions& options, std::string programPath, UserPrompt& prompt,
                                 FileChooser& chooser, ProgressSink& progress, Sound& sound)
    : options_(options), programPath_(std::move(programPath)), prompt_(prompt), store_(storeFor(options)),
      clock_(options.demo ? options.demoRate / kDemoPositionsPerSecond : 1.0), doc_(*store_, clock_, prompt), frame_(doc_, prompt, chooser, progress, sound) {}

KorvanceProgram::~KorvanceProgram() = default;

void KorvanceProgram::start() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        doc_.maps().setScreenSize(screen->size().width(), screen->size().height());
    if (options_.demo) {
        demo_.startReceivers(options_.demoRate, clock_.unixTime(), prompt_);
        demo_.load(doc_, programPath_);
    } else if (!options_.map.empty()) {
        doc_.apply(OpenMapOrList(doc_.maps(), options_.map, doc_.codePage(), doc_.settings().MapPath, prompt_));
    }
    frame_.showDocumentStatus();
    frame_.show();
    if (options_.demo) demo_.run(frame_);
}

}  // namespace korvance
