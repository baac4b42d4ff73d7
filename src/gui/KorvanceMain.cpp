// The korvance program: a main window around the map view with the map
// commands, and `--demo`, which starts the receiver simulator for this run and
// opens the demo map set.

#include <QApplication>
#include <QCommandLineParser>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>

#include <cstdio>

#include "data/DocumentData.h"
#include "garmin/GpsCommands.h"
#include "geodesy/Datum.h"
#include "gui/DemoSession.h"
#include "gui/MapView.h"
#include "platform/CodePage.h"

using namespace korvance;

namespace {

class DialogPrompt : public UserPrompt {
public:
    void message(const std::string& text, const std::string& caption, Icon icon) override {
        QMessageBox box(icon == Icon::Stop ? QMessageBox::Critical
                        : icon == Icon::Warning ? QMessageBox::Warning
                                                : QMessageBox::Information,
                        QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
        box.exec();
    }
    Answer ask(const std::string& text, const std::string& caption, Buttons, Icon) override {
        return QMessageBox::question(nullptr, QString::fromStdString(caption), QString::fromStdString(text)) ==
                       QMessageBox::Yes
                   ? Answer::Yes
                   : Answer::No;
    }
    void beep(BeepKind) override { QApplication::beep(); }
    void errorWindow(const std::string& text) override { message(text, "Error", Icon::Warning); }
    void beginWait() override {
        if (depth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    void endWait() override {
        if (--depth_ == 0) QApplication::restoreOverrideCursor();
    }

private:
    int depth_ = 0;
};

class DialogChooser : public FileChooser {
public:
    std::optional<std::string> chooseOpen(const std::vector<FileFilter>& filters, const std::string& start,
                                          const std::string&) override {
        QStringList f;
        for (const FileFilter& x : filters)
            f << QString::fromStdString(x.name + " (" + x.pattern + ")").replace(';', ' ');
        const QString p = QFileDialog::getOpenFileName(nullptr, QString(), QString::fromStdString(start), f.join(";;"));
        if (p.isEmpty()) return std::nullopt;
        return p.toStdString();
    }
    std::optional<std::string> chooseSave(const std::vector<FileFilter>& filters, const std::string& start,
                                          const std::string& ext) override {
        return chooseOpen(filters, start, ext);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("korvance");
    QCommandLineParser parser;
    parser.setApplicationDescription("korvance: moving map and GPS data manager");
    parser.addHelpOption();
    QCommandLineOption demo("demo", "Start the receiver simulator for this run and open the demo maps.");
    parser.addOption(demo);
    parser.addPositionalArgument("map", "A mapinfo.dat or map list (.lst) to open.", "[map]");
    parser.process(app);

    MapSet maps;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        maps.setScreenSize(screen->size().width(), screen->size().height());
    DialogPrompt prompt;
    DialogChooser chooser;
    CodePage codePage;
    // Stand-ins for the document's MapPath setting and flags.
    std::string mapPath;
    bool newData = false, fitPending = false;
    MapCommandState state{mapPath, newData, fitPending};

    QMainWindow window;
    window.setWindowTitle("korvance");
    auto* view = new MapView(maps, prompt);
    window.setCentralWidget(view);
    QMenu* file = window.menuBar()->addMenu("&File");
    file->addAction("Load &Map...", [&] {
        OnLoadMap(maps, chooser, codePage, state, prompt);
        view->update();
    });
    file->addAction("&Discard Map", [&] {
        OnDiscardMap(maps, state);
        view->update();
    });
    file->addSeparator();
    file->addAction("E&xit", &window, &QWidget::close);
    window.resize(800, 600);

    // Settings of this run only: nothing here is read from or saved to the user's store.
    AppSettings settings;
    SystemClock clock;
    DocumentData data(settings.MaxWaypointCount, settings.MaxRouteCount, settings.MaxRouteWaypointCount,
                      settings.CodePage, clock);
    const Datum datum(settings.DatumName);
    bool modified = false;
    GpsDocumentAccess gps;
    gps.track = &data.trackLog.track;
    gps.waypoints = &data.waypoints;
    gps.routes = &data.routes;
    gps.timeZoneBias = &data.trackLog.timeZoneBias;
    gps.modified = &modified;
    gps.newData = &newData;
    gps.fitPending = &fitPending;
    gps.settings = &settings;
    gps.datum = &datum;
    gps.codePage = &data.codePage;
    gps.clock = &clock;
    gps.mapLoaded = [&] { return maps.hasMap(); };
    gps.resetScrollOrigin = [&] { maps.ResetScrollOrigin(); };
    gps.redrawAll = [&] { view->update(); };
    QMenu* gpsMenu = window.menuBar()->addMenu("&GPS");
    for (const GpsMenuCommand& c : kGpsMenuCommands) {
        gpsMenu->addAction(c.text, [&, run = c.run] {
            NullProgress progress;
            run(gps, prompt, progress);
            const uint32_t points = data.trackLog.track ? data.trackLog.track->pointCount() : 0;
            window.statusBar()->showMessage(QString("track %1 points, %2 waypoints, %3 routes")
                                                .arg(points)
                                                .arg(data.waypoints.count())
                                                .arg(data.routes.routeCount()));
        });
    }

    DemoSession session;
    if (parser.isSet(demo)) {
        if (session.startReceiver()) {
            settings.CommDevice = session.devicePath();
            window.statusBar()->showMessage(
                QString::fromStdString("Demo receiver on " + session.devicePath() + " (this run only)"));
            std::printf("korvance: demo receiver on %s\n", session.devicePath().c_str());
            std::fflush(stdout);
        } else {
            window.statusBar()->showMessage("The demo receiver could not be started (no pseudo-terminal).");
        }
        const std::string folder = FindDemoMaps(QCoreApplication::applicationFilePath().toStdString());
        if (!session.loadMaps(maps, folder, codePage, state, prompt))
            prompt.message("The demo map set was not found (demo-maps/demo.lst).", "korvance", Icon::Warning);
    } else if (!parser.positionalArguments().isEmpty()) {
        const std::string path = parser.positionalArguments().first().toStdString();
        if (DetectMapFile(path) == 2 && maps.LoadMapList(path, codePage) && maps.list().count() > 0)
            OpenMap(maps, *maps.list().path(0), state, prompt);
        else
            OpenMap(maps, path, state, prompt);
    }
    window.show();
    if (parser.isSet(demo) && maps.hasMap()) {
        double lat, lon;
        session.receiverPosition(lat, lon);
        view->centreOn(lat, lon);
    }
    const int rc = app.exec();
    session.stop();
    return rc;
}
