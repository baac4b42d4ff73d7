// korvance-cli render: what the view paints, into a PNG, without a display.

#include <QGuiApplication>
#include <QImage>

#include <filesystem>
#include <ostream>

#include "app/CKorvanceDoc.h"
#include "cli/Cli.h"
#include "cli/FileIo.h"
#include "cli/ViewDocument.h"
#include "data/TextUtil.h"
#include "files/FileFormats.h"
#include "geodesy/Coordinates.h"
#include "maps/MapCommands.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "qtplatform/QtCanvas.h"
#include "qtplatform/QtSettingsStore.h"
#include "settings/Settings.h"
#include "view/CKorvanceView.h"

namespace korvance::cli {

namespace {

const char kRenderHelp[] =
    "usage: korvance-cli render -o OUT.png [--size WxH] [--map FILE] [--data FILE]... [--centre LAT LON]\n"
    "                           [--navigation] [--goto ID | --route N] [--settings INI] [--datum NAME]\n"
    "  Draws what the map view shows into a PNG: the map window, the distance\n"
    "  labels, the track, the waypoints and the routes (and, with --navigation,\n"
    "  the newest points, the position cursor and the status line).\n"
    "  --size      picture size, default 800x600\n"
    "  --map       a mapinfo.dat, or a map list whose current entry is opened\n"
    "  --data      a document, GPX, POT or waypoint text file; several are combined\n"
    "  --centre    put this position (decimal degrees or degree text) in the middle\n"
    "  --settings  the program's settings file: pens, colours, units, coordinate form\n"
    "  --datum     the display datum (a name of `korvance-cli datums`)\n";

class PictureHost : public ViewHost {
public:
    PictureHost(int w, int h) : rect_{0, 0, w, h} {}
    ClientRect clientRect() const override { return rect_; }
    void redraw(bool) override {}

private:
    ClientRect rect_;
};

std::optional<double> degreesOf(const std::string& word) {
    if (auto v = parseNumber(word)) return v;
    if (word.find_first_of("0123456789") == std::string::npos) return std::nullopt;
    return DegreeValue::FromText(word).Degrees();
}

}  // namespace

int runRender(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kRenderHelp;
        return kOk;
    }
    auto usage = [&](const std::string& why) {
        if (!why.empty()) err << "korvance-cli render: " << why << "\n";
        err << kRenderHelp;
        return kUsage;
    };
    auto output = args.option("-o");
    if (!output) output = args.option("--output");
    const auto size = args.option("--size");
    const auto mapFile = args.option("--map");
    std::vector<std::string> dataFiles;
    while (auto d = args.option("--data")) dataFiles.push_back(*d);
    const bool navigation = args.flag("--navigation");
    const auto gotoId = args.option("--goto");
    const auto routeText = args.option("--route");
    const auto settingsFile = args.option("--settings");
    const auto datumName = args.option("--datum");
    std::optional<std::pair<double, double>> centre;
    std::vector<std::string> rest = args.rest();
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != "--centre") continue;
        if (i + 2 >= rest.size()) return usage("--centre needs LAT LON");
        const auto lat = degreesOf(rest[i + 1]), lon = degreesOf(rest[i + 2]);
        if (!lat || !lon || std::abs(*lat) > 90 || std::abs(*lon) > 180) return usage("bad --centre position");
        centre = std::pair{*lat, *lon};
        rest.erase(rest.begin() + static_cast<long>(i), rest.begin() + static_cast<long>(i) + 3);
        break;
    }
    if (args.missingValue) return usage("an option lacks its value");
    if (!rest.empty()) return usage("unexpected '" + rest[0] + "'");
    if (!output) return usage("-o OUT.png is required");
    if (gotoId && routeText) return usage("--goto and --route exclude each other");
    int width = 800, height = 600;
    if (size) {
        const auto x = size->find('x');
        const auto w = x == std::string::npos ? std::nullopt : parseInteger(size->substr(0, x));
        const auto h = x == std::string::npos ? std::nullopt : parseInteger(size->substr(x + 1));
        if (!w || !h || *w < 16 || *h < 16 || *w > 16384 || *h > 16384) return usage("bad --size '" + *size + "'");
        width = static_cast<int>(*w);
        height = static_cast<int>(*h);
    }
    std::optional<long> routeIndex;
    if (routeText) {
        routeIndex = parseInteger(*routeText);
        if (!routeIndex || *routeIndex < 0) return usage("bad --route '" + *routeText + "'");
    }
    if (datumName && FindDatumRow(*datumName) < 0) return usage("unknown datum '" + *datumName + "'");

    // Text needs a font database, which needs a Qt application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int qtArgc = 1;
    static char qtName[] = "korvance-cli";
    static char* qtArgv[] = {qtName, nullptr};
    std::unique_ptr<QGuiApplication> qtApp;
    if (!QGuiApplication::instance()) qtApp = std::make_unique<QGuiApplication>(qtArgc, qtArgv);

    StderrPrompt prompt(err);
    MemorySettingsStore store;  // the user's own settings file is never written
    if (settingsFile) {
        if (!std::filesystem::is_regular_file(*settingsFile)) {
            err << "korvance-cli render: cannot read settings file " << *settingsFile << "\n";
            return kFailed;
        }
        QtSettingsStore ini(*settingsFile);
        saveAppSettings(store, loadAppSettings(ini));
    }
    SystemClock clock;
    CKorvanceDoc doc(store, clock, prompt);
    if (datumName) doc.setDatum(*datumName);

    if (!LoadDataFiles(doc, dataFiles, "render", err)) return kFailed;

    MapSet& maps = doc.maps();
    if (mapFile) {
        const Changes opened = OpenMapOrList(maps, *mapFile, doc.codePage(), doc.settings().MapPath, prompt);
        if (!opened.has(Changes::MapOpened)) {
            err << "korvance-cli render: cannot open map " << *mapFile << "\n";
            return kFailed;
        }
        doc.apply(opened);
    }

    PictureHost host(width, height);
    NoDialogs dialogs;
    CKorvanceView view(doc, host, dialogs, dialogs);
    view.takeOrientation();
    view.clientResized();
    if (navigation) {
        view.navigationActive = 1;
        view.showDataField = 1;
    }
    if (gotoId) {
        const auto index = doc.waypoints().find(uiToOem(&doc.codePage(), *gotoId));
        if (!index) {
            err << "korvance-cli render: no waypoint '" << *gotoId << "'\n";
            return kFailed;
        }
        view.navigation.gotoIndex = static_cast<int32_t>(*index);
    }
    if (routeIndex) {
        if (static_cast<uint32_t>(*routeIndex) >= doc.routes().routeCount()) {
            err << "korvance-cli render: no route " << *routeIndex << "\n";
            return kFailed;
        }
        const uint32_t route = static_cast<uint32_t>(*routeIndex);
        view.navigation.routeNavigator = std::make_unique<RouteNavigator>(doc.settings().ReachDistance);
        view.navigation.routeNavigator->begin(route, static_cast<int>(doc.routes().routeWaypointCount(route)));
    }

    const TrackField* track = doc.trackLog().track.get();
    const bool hasPoints = track && track->pointCount() > 0;
    doc.newData = false;
    doc.fitPending = false;
    if (!maps.hasMap()) view.fitDataToView(0);
    if (centre) {
        maps.CentreOn(view.viewRect(), centre->first, centre->second, -999, prompt);
    } else if (maps.hasMap()) {
        if (hasPoints)
            doc.newData = true;
        else if (doc.waypoints().count() > 0)
            maps.CentreOn(view.viewRect(), doc.waypoints().latitude(0), doc.waypoints().longitude(0), -999, prompt);
    }

    QImage picture(width, height, QImage::Format_RGB32);
    if (picture.isNull()) {
        err << "korvance-cli render: cannot make a picture of " << width << "x" << height << "\n";
        return kFailed;
    }
    picture.fill(Qt::white);
    {
        QtCanvas canvas(picture);
        view.paint(canvas);
    }
    if (!picture.save(QString::fromStdString(*output), "PNG")) {
        err << "korvance-cli render: cannot write " << *output << "\n";
        return kFailed;
    }
    return kOk;
}

}  // namespace korvance::cli
