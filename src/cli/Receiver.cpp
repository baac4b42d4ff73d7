// korvance-cli receiver: identification, the six transfers and the position
// of a Garmin receiver on a serial device (or a pseudo-terminal).

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "cli/Cli.h"
#include "cli/Coord.h"
#include "cli/FileIo.h"
#include "data/DocumentData.h"
#include "files/DocumentCommands.h"
#include "files/FileFormats.h"
#include "garmin/GarminConvert.h"
#include "garmin/GpsCommands.h"
#include "garmin/ReceiverSession.h"
#include "garmin/Transfers.h"
#include "geodesy/Datum.h"
#include "geodesy/TransverseMercator.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "settings/AppSettings.h"
#include "sim/garmin/ReceiverData.h"

namespace korvance::cli {

namespace {

const char kReceiverHelp[] =
    "usage: korvance-cli receiver info --port DEV [--model NAME]\n"
    "       korvance-cli receiver download track|waypoints|routes --port DEV -o FILE\n"
    "       korvance-cli receiver upload track|waypoints|routes --port DEV -i FILE [--route-number K]\n"
    "       korvance-cli receiver position --port DEV\n"
    "  --port DEV       serial device or pseudo-terminal (default: the first serial port)\n"
    "  -o FILE          file a download writes\n"
    "  -i FILE          file an upload reads\n"
    "  --route-number K upload only the first route of FILE, as the receiver's route K (0-255)\n"
    "  --model NAME     receiver model for receivers without a protocol array\n"
    "                   (default \"Other Garmin\"; --model list shows the names)\n"
    "  --datum NAME     datum of the positions in FILE (default \"WGS 84\"; GPX is always WGS 84)\n"
    "  --yes / --no     answer to \"Mismatch GPS Type\" (default: refuse and explain)\n"
    "  --limit BAUD     highest line speed (CommLimitBaudrate, default 115200)\n"
    "  --write-wait MS  pause before each request (Comm_WriteFile_Wait, default 100)\n"
    "  --debug          write the traffic log and its decoded trace; their paths go to stderr\n"
    "  FILE is a document (.kvn .kv2), POT (.pot), waypoint text (.txt), GPX (.gpx)\n"
    "  or receiver data (.rcv, the simulator's --data format), by its extension.\n"
    "  position prints LAT LON UNIXTIME (WGS 84 degrees, seconds since 1970).\n";

class ReceiverPrompt : public UserPrompt {
public:
    ReceiverPrompt(std::ostream& err, std::optional<Answer> answer) : err_(err), answer_(answer) {}
    void message(const std::string& text, const std::string&, Icon) override {
        err_ << "korvance-cli: " << oneLine(text) << "\n";
        said_ += text + "\n";
    }
    // Whether a message already told `text` (so that it is not printed twice).
    bool said(const std::string& text) const { return !text.empty() && said_.find(text) != std::string::npos; }
    void systemFailure(const std::string&, const std::string&, Icon, const std::string& subject,
                       int systemError) override {
        printSystemFailure(err_, subject, systemError);
    }
    Answer ask(const std::string& text, const std::string&, Buttons, Icon) override {
        if (answer_) {
            err_ << "korvance-cli: " << oneLine(text) << " " << (*answer_ == Answer::No ? "no" : "yes") << "\n";
            return *answer_;
        }
        err_ << "korvance-cli: " << oneLine(text) << " refused: the receiver is not the model chosen; "
             << "give --model with its model, or --yes to go on\n";
        return Answer::No;
    }
    void beep(BeepKind) override {}
    void errorWindow(const std::string& text) override { err_ << "korvance-cli: " << text << "\n"; }
    void beginWait() override {}
    void endWait() override {}

private:
    std::ostream& err_;
    std::optional<Answer> answer_;
    std::string said_;
};

class QuietProgress : public ProgressSink {
public:
    explicit QuietProgress(std::ostream& err) : err_(err) {}
    void start(const std::string& caption, int maximum) override {
        err_ << "korvance-cli: " << caption << (maximum > 0 ? ", " + std::to_string(maximum) + " packets" : std::string()) << "\n";
    }
    void setPosition(int) override {}
    void finish() override {}

private:
    std::ostream& err_;
};

bool isReceiverData(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".rcv";
}

std::string typeName(int32_t t) { return t < 0 ? "none" : "D" + std::to_string(t - 4000); }

struct Options {
    AppSettings settings;
    std::string datum = "WGS 84";
    std::optional<std::string> in, out;
    std::optional<long> routeNumber;
    std::optional<Answer> answer;
};

int fail(std::ostream& err, const std::string& what) {
    err << "korvance-cli receiver: " << what << "\n";
    return kFailed;
}

void reportTrafficLog(std::ostream& err, const GarminLink& link) {
    if (!link.trafficLogPath().empty())
        err << "korvance-cli receiver: traffic log " << link.trafficLogPath() << " (trace "
            << traceLogPath(link.trafficLogPath()) << ")\n";
}

void reportLinkTrouble(std::ostream& err, const std::string& detail, const GarminLink* link) {
    if (!detail.empty()) err << "korvance-cli receiver: " << detail << "\n";
    if (link && !link->diagnosis().empty() && link->diagnosis() != detail)
        err << "korvance-cli receiver: " << link->diagnosis() << "\n";
}

int receiverInfo(Options& o, ReceiverPrompt& prompt, std::ostream& out, std::ostream& err) {
    GarminLink link(LinkOptions::fromSettings(o.settings));
    if (!link.OpenPort(resolveSerialDevice(o.settings.CommDevice, static_cast<int>(o.settings.CommPort)))) {
        return fail(err, link.lastError());
    }
    reportTrafficLog(err, link);
    SeedLink(link, o.settings.GPSModelID, ModelWaypointType(o.settings.GPSModelID), 0, o.settings.GPSCharSet == 2);
    ProductInfo info;
    const int r = RequestProduct(link, info);
    if (r == -1) {
        prompt.message(CommunicationErrorText(link), kMessageCaption, Icon::Stop);
        reportLinkTrouble(err, "", &link);
        return kFailed;
    }
    char version[32];
    std::snprintf(version, sizeof version, "%d.%02d", info.version / 100, std::abs(info.version % 100));
    out << "product " << info.productId << " version " << version << " \"" << info.description << "\"\n";
    out << "protocol array: " << (info.protocolArray ? "yes" : "no") << "\n";
    out << "waypoints " << typeName(link.waypointType) << ", route headers " << typeName(link.routeHeaderType)
        << ", route links " << (link.routeLinks ? "yes" : "no") << ", track points " << typeName(link.trackPointType)
        << ", track headers " << typeName(link.trackHeaderType) << "\n";
    if (!CheckIdentification(r, info.productId, link, o.settings.GPSModelID, prompt)) return kFailed;
    return kOk;
}

// The document the receiver commands work on: the command line's limits are
// wide enough for any receiver, so nothing downloaded is dropped.
struct ReceiverDocument {
    explicit ReceiverDocument(Options& o)
        : datum(o.datum),
          data(kMaxWaypoints, kMaxRoutes, kMaxRouteWaypoints, o.settings.CodePage, clock),
          parts{data, o.settings, datum, clock, 200, &linkTrouble} {
        o.settings.MaxWaypointCount = kMaxWaypoints;
        o.settings.MaxRouteCount = kMaxRoutes;
        o.settings.MaxRouteWaypointCount = kMaxRouteWaypoints;
    }
    static constexpr uint32_t kMaxWaypoints = 65535, kMaxRoutes = 256, kMaxRouteWaypoints = 65535;
    SystemClock clock;
    Datum datum;
    DocumentData data;
    std::string linkTrouble;
    GpsCommandDoc parts;
};

// Says where the traffic log goes before the link opens: it matters most when
// the identification fails.
void announceTrafficLog(const Options& o, std::ostream& err) {
    if (o.settings.CommDebug)
        err << "korvance-cli receiver: traffic log " << defaultTrafficLogPath() << " (trace "
            << traceLogPath(defaultTrafficLogPath()) << ")\n";
}

// What a download of `what` brought, as the writers take it.
files::DocumentSource downloaded(const std::string& what, const DocumentData& data) {
    files::DocumentSource s;
    if (what == "track") {
        const TrackField* track = data.trackLog.track.get();
        s.hasTrack = true;
        if (track) {
            s.points = track->points();
            s.segmentCount = track->segmentCount();
        }
    } else if (what == "waypoints") {
        s.waypoints = data.waypoints.records();
    } else {
        s.routes = data.routes.routes();
    }
    return s;
}

// Writes `source` to `path` as its extension says; problem set when it failed.
bool writeOutput(const std::string& path, const files::DocumentSource& source, const Options& o, UserPrompt& prompt,
                 std::string& problem) {
    const Datum datum(o.datum);
    if (isReceiverData(path)) {
        ReceiverData d;
        d.datum = datum.name();
        d.track.assign(source.points.begin(), source.points.end());
        d.waypoints.assign(source.waypoints.begin(), source.waypoints.end());
        d.routes.assign(source.routes.begin(), source.routes.end());
        return WriteReceiverData(path, d, problem);
    }
    TransverseMercator tm(datum);
    CodePage cp(o.settings.CodePage);
    files::FileOptions fo;
    fo.datum = &datum;
    fo.tm = &tm;
    fo.codePage = &cp;
    const files::FileResult r = files::writeAnyFile(path, source, fo, prompt);
    problem = r.problem;
    return r.ok;
}

// A download is never thrown away for want of a place to write it: when the
// file asked for cannot be written, the same kind goes beside it or into the
// temporary folder, and as a last resort the compact receiver data (.rcv).
std::optional<std::string> keepDownload(const std::string& out, const files::DocumentSource& source,
                                        const Options& o, UserPrompt& prompt) {
    namespace fs = std::filesystem;
    const fs::path target(out);
    const std::string tag = "-kept-" + std::to_string(::getpid());
    const char* tmp = std::getenv("TMPDIR");
    const fs::path tmpDir = tmp && *tmp ? fs::path(tmp) : fs::path("/tmp");
    const std::string ext = target.extension().string();
    const std::string name = target.stem().string() + tag;
    const std::vector<fs::path> candidates = {target.parent_path() / (name + ext), tmpDir / (name + ext),
                                              tmpDir / (name + ".rcv")};
    for (const fs::path& c : candidates) {
        std::string ignored;
        if (writeOutput(c.string(), source, o, prompt, ignored)) return c.string();
    }
    return std::nullopt;
}

// The output must be creatable before the receiver is asked for anything.
std::optional<std::string> outputProblem(const std::string& out) {
    std::error_code ec;
    if (std::filesystem::is_directory(out, ec)) return out + ": is a folder";
    AtomicFile probe(out);
    if (!probe.open()) return out + ": cannot be created: " + std::strerror(probe.error());
    probe.discard();
    return std::nullopt;
}

int runDownload(const std::string& what, Options& o, ReceiverPrompt& prompt, std::ostream& out, std::ostream& err) {
    if (!o.out) return fail(err, "download needs -o FILE");
    if (!isReceiverData(*o.out) && files::fileKindOf(*o.out) == files::FileKind::Unknown)
        return fail(err, *o.out + ": unknown file kind (use .kvn, .kv2, .pot, .txt, .gpx or .rcv)");
    if (auto problem = outputProblem(*o.out)) return fail(err, *problem);

    ReceiverDocument doc(o);
    QuietProgress progress(err);
    announceTrafficLog(o, err);
    GpsResult r = what == "track"       ? onDownloadTrack(doc.parts, prompt, progress)
                  : what == "waypoints" ? onDownloadWaypoint(doc.parts, prompt, progress)
                                        : onDownloadRoute(doc.parts, prompt, progress);
    if (!r) {
        if (!prompt.said(doc.linkTrouble)) reportLinkTrouble(err, doc.linkTrouble, nullptr);
        return kFailed;
    }

    const files::DocumentSource source = downloaded(what, doc.data);
    std::string problem;
    if (!writeOutput(*o.out, source, o, prompt, problem)) {
        fail(err, problem);
        if (auto kept = keepDownload(*o.out, source, o, prompt))
            err << "korvance-cli receiver: the download was kept in " << *kept << "\n";
        else
            err << "korvance-cli receiver: the download could not be kept anywhere\n";
        return kFailed;
    }
    out << "wrote " << *o.out << ": " << counted(source.points.size(), "track point") << ", "
        << counted(source.waypoints.size(), "waypoint") << ", " << counted(source.routes.size(), "route") << "\n";
    return kOk;
}

int runUpload(const std::string& what, Options& o, ReceiverPrompt& prompt, std::ostream& out, std::ostream& err) {
    if (!o.in) return fail(err, "upload needs -i FILE");
    ReceiverDocument doc(o);
    std::vector<TrackPoint> points;
    std::string problem;
    if (isReceiverData(*o.in)) {
        ReceiverData d;
        if (!ReadReceiverData(*o.in, d, problem)) return fail(err, problem);
        ShiftReceiverData(d, doc.datum.name());
        points = std::move(d.track);
        doc.data.waypoints.assign(std::move(d.waypoints));
        doc.data.routes.assign(std::move(d.routes));
    } else {
        TransverseMercator tm(doc.datum);
        files::FileOptions fo;
        fo.datum = &doc.datum;
        fo.tm = &tm;
        fo.codePage = &doc.data.codePage;
        files::DocumentContents c;
        auto r = files::readAnyFile(*o.in, c, fo, prompt);
        if (!r.ok) return fail(err, r.problem);
        if (c.track) points = std::move(c.track->points);
        doc.data.waypoints.assign(c.waypoints ? std::move(*c.waypoints) : std::vector<WaypointRecord>{});
        doc.data.routes.assign(c.routes ? std::move(*c.routes) : std::vector<Route>{});
    }
    if (!points.empty()) {
        files::TrackData track;
        track.segmentCount = SegmentCountOf(points);
        track.points = std::move(points);
        doc.data.trackLog.track = files::makeTrackField(track);
        if (!doc.data.trackLog.track) return fail(err, *o.in + ": not enough memory");
    }
    // Nothing to send is refused before the receiver is bothered.
    const TrackField* track = doc.data.trackLog.track.get();
    const auto& routes = doc.data.routes.routes();
    const auto firstRoute = std::find_if(routes.begin(), routes.end(), [](const Route& r) { return !r.waypoints.empty(); });
    if (what == "track" && !track) return fail(err, *o.in + ": no track points");
    if (what == "waypoints" && doc.data.waypoints.count() == 0) return fail(err, *o.in + ": no waypoints");
    if (what == "routes" && firstRoute == routes.end()) return fail(err, *o.in + ": no routes with waypoints");

    QuietProgress progress(err);
    announceTrafficLog(o, err);
    GpsResult r;
    size_t sent = 0;
    if (what == "track") {
        r = onUploadTrack(doc.parts, prompt, progress);
        sent = track->pointCount();
    } else if (what == "waypoints") {
        r = onUploadWaypoint(doc.parts, prompt, progress);
        sent = doc.data.waypoints.count();
    } else if (o.routeNumber) {
        r = uploadOneRoute(doc.parts, static_cast<uint32_t>(firstRoute - routes.begin()),
                           static_cast<uint8_t>(*o.routeNumber), prompt, progress);
        sent = 1;
    } else {
        r = onUploadRoute(doc.parts, prompt, progress);
        sent = static_cast<size_t>(std::count_if(routes.begin(), routes.begin() + std::min<size_t>(routes.size(), 256),
                                                 [](const Route& r) { return !r.waypoints.empty(); }));
    }
    if (!r) {
        if (!prompt.said(doc.linkTrouble)) reportLinkTrouble(err, doc.linkTrouble, nullptr);
        return kFailed;
    }
    out << "uploaded " << counted(sent, what == "track" ? "track point" : what.substr(0, what.size() - 1)) << "\n";
    return kOk;
}

int runPosition(Options& o, std::ostream& out, std::ostream& err) {
    GarminLink link(LinkOptions::fromSettings(o.settings));
    if (!link.OpenPort(resolveSerialDevice(o.settings.CommDevice, static_cast<int>(o.settings.CommPort))))
        return fail(err, link.lastError());
    reportTrafficLog(err, link);
    double lat, lon;
    int64_t t;
    if (!ReadPosition(link, lat, lon, t)) {
        reportLinkTrouble(err, "ReadPosition Error", &link);
        return kFailed;
    }
    out << FormatFixed(lat, 7) << " " << FormatFixed(lon, 7) << " " << t << "\n";
    return kOk;
}

}  // namespace

int runReceiver(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kReceiverHelp;
        return kOk;
    }
    Options o;
    auto port = args.option("--port");
    auto model = args.option("--model");
    auto datum = args.option("--datum");
    o.in = args.option("-i");
    o.out = args.option("-o");
    auto routeNumber = args.option("--route-number");
    auto limit = args.option("--limit");
    auto wait = args.option("--write-wait");
    const bool yes = args.flag("--yes"), no = args.flag("--no"), debug = args.flag("--debug");
    if (args.missingValue) {
        err << "korvance-cli receiver: an option lacks its value\n" << kReceiverHelp;
        return kUsage;
    }
    if (!args.unknownOption().empty()) {
        err << "korvance-cli receiver: unknown option " << args.unknownOption() << "\n";
        return kUsage;
    }
    if (model && *model == "list") {
        size_t n;
        const ReceiverModel* m = ReceiverModels(&n);
        for (size_t i = 0; i < n; ++i) out << m[i].name << "\n";
        return kOk;
    }
    const auto& rest = args.rest();
    const std::string action = rest.empty() ? "" : rest[0];
    const bool needsWhat = action == "download" || action == "upload";
    const std::string what = rest.size() > 1 ? rest[1] : "";
    if ((action != "info" && action != "position" && !needsWhat) || rest.size() != (needsWhat ? 2u : 1u) ||
        (needsWhat && what != "track" && what != "waypoints" && what != "routes")) {
        err << kReceiverHelp;
        return kUsage;
    }
    if (yes && no) {
        err << "korvance-cli receiver: --yes and --no together\n";
        return kUsage;
    }
    if (yes) o.answer = Answer::Yes;
    if (no) o.answer = Answer::No;
    if (port) o.settings.CommDevice = *port;
    o.settings.GPSModelID = -1;
    o.settings.GPSModel = "Other Garmin";
    if (model) {
        const ReceiverModel* m = FindReceiverModel(*model);
        if (!m) {
            err << "korvance-cli receiver: unknown model '" << *model << "' (--model list shows the names)\n";
            return kUsage;
        }
        o.settings.GPSModel = m->name;
        o.settings.GPSModelID = m->productId;
        o.settings.GPSCharSet = m->charSet;
        if (m->charSet == 2) o.settings.CodePage = "CP932";
    }
    if (datum) {
        if (!resolveDatumOption(*datum, err, "receiver")) return kUsage;
        o.datum = *datum;
    }
    if (limit) {
        auto v = parseInteger(*limit);
        if (!v || (*v != 9600 && *v != 14400 && *v != 19200 && *v != 38400 && *v != 57600 && *v != 115200)) {
            err << "korvance-cli receiver: --limit takes 9600, 14400, 19200, 38400, 57600 or 115200\n";
            return kUsage;
        }
        o.settings.CommLimitBaudrate = static_cast<uint32_t>(*v);
    }
    if (wait) {
        auto v = parseInteger(*wait);
        if (!v || *v < 0 || *v > 10000) {
            err << "korvance-cli receiver: --write-wait takes 0 to 10000 milliseconds\n";
            return kUsage;
        }
        o.settings.Comm_WriteFile_Wait = static_cast<uint32_t>(*v);
    }
    if (routeNumber) {
        auto v = parseInteger(*routeNumber);
        if (!v || *v < 0 || *v > 255) {
            err << "korvance-cli receiver: --route-number takes 0 to 255\n";
            return kUsage;
        }
        o.routeNumber = *v;
    }
    o.settings.CommDebug = debug ? 1 : 0;
    ReceiverPrompt prompt(err, o.answer);
    if (action == "info") return receiverInfo(o, prompt, out, err);
    if (action == "position") return runPosition(o, out, err);
    if (action == "download") return runDownload(what, o, prompt, out, err);
    return runUpload(what, o, prompt, out, err);
}

}  // namespace korvance::cli
