// korvance-cli receiver: identification, the six transfers and the position
// of a Garmin receiver on a serial device (or a pseudo-terminal).

#include <cstdio>
#include <filesystem>
#include <ostream>

#include "cli/Cli.h"
#include "cli/Coord.h"
#include "cli/FileIo.h"
#include "files/FileFormats.h"
#include "garmin/GarminConvert.h"
#include "garmin/ReceiverSession.h"
#include "garmin/Transfers.h"
#include "geodesy/Datum.h"
#include "geodesy/TransverseMercator.h"
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
    void message(const std::string& text, const std::string&, Icon) override { err_ << "korvance-cli: " << oneLine(text) << "\n"; }
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
};

class QuietProgress : public ProgressSink {
public:
    explicit QuietProgress(std::ostream& err) : err_(err) {}
    void start(const std::string& caption, int maximum) override {
        err_ << "korvance-cli: line speed " << caption << ", " << maximum << " packets\n";
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

std::unique_ptr<GarminLink> identify(Options& o, UserPrompt& prompt, std::ostream& err, ProductInfo* info = nullptr) {
    std::string detail;
    // Told first: the log matters most when identification fails.
    if (o.settings.CommDebug)
        err << "korvance-cli receiver: traffic log " << defaultTrafficLogPath() << " (trace "
            << traceLogPath(defaultTrafficLogPath()) << ")\n";
    auto link = OpenIdentifiedLink(o.settings, prompt, nullptr, info, &detail);
    if (!link) reportLinkTrouble(err, detail, nullptr);
    return link;
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
        prompt.message(kMsgCommunicationError, kMessageCaption, Icon::Stop);
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

int runDownload(const std::string& what, Options& o, ReceiverPrompt& prompt, std::ostream& out, std::ostream& err) {
    if (!o.out) return fail(err, "download needs -o FILE");
    const bool rcv = isReceiverData(*o.out);
    if (!rcv && files::fileKindOf(*o.out) == files::FileKind::Unknown)
        return fail(err, *o.out + ": unknown file kind (use .kvn, .kv2, .pot, .txt, .gpx or .rcv)");
    const Datum datum(o.datum);
    auto link = identify(o, prompt, err);
    if (!link) return kFailed;
    QuietProgress progress(err);

    std::vector<TrackPoint> points;
    std::vector<WaypointRecord> waypoints;
    std::vector<Route> routes;
    if (what == "track") {
        std::vector<TrackSlot> slots;
        if (DownloadTrack(*link, slots, progress) < 0) {
            prompt.message("download track error.", kMessageCaption, Icon::Stop);
            return kFailed;
        }
        points = TrackPointsFromSlots(slots, datum);
    } else if (what == "waypoints") {
        std::vector<WaypointPacket> packets;
        if (DownloadWaypoints(*link, packets, progress) < 0) {
            prompt.message("download waypoint error.", kMessageCaption, Icon::Stop);
            return kFailed;
        }
        for (const auto& p : packets) waypoints.push_back(WaypointFromPacket(p, datum));
    } else {
        std::vector<RouteSlot> slots;
        if (DownloadRoutes(*link, slots, progress) <= 0) {
            prompt.message("no route data.", kMessageCaption, Icon::Stop);
            return kFailed;
        }
        size_t n = 0;
        for (const auto& s : slots) n = std::max<size_t>(n, size_t(s.number) + 1);
        routes.resize(std::max(n, slots.size()));
        for (const auto& s : slots) {
            Route& r = routes[s.number];
            r.name.set(s.name);
            for (const auto& w : s.waypoints) r.waypoints.push_back(RouteWaypointFromPacket(w, datum));
        }
    }
    link.reset();

    std::string problem;
    bool ok;
    if (rcv) {
        ReceiverData d;
        d.datum = datum.name();
        d.track = points;
        d.waypoints = waypoints;
        d.routes = routes;
        ok = WriteReceiverData(*o.out, d, problem);
    } else {
        files::DocumentSource s;
        s.hasTrack = what == "track";
        s.segmentCount = SegmentCountOf(points);
        s.points = points;
        s.waypoints = waypoints;
        s.routes = routes;
        TransverseMercator tm(datum);
        CodePage cp(o.settings.CodePage);
        files::FileOptions fo;
        fo.datum = &datum;
        fo.tm = &tm;
        fo.codePage = &cp;
        auto r = files::writeAnyFile(*o.out, s, fo, prompt);
        ok = r.ok;
        problem = r.problem;
    }
    if (!ok) return fail(err, problem);
    out << "wrote " << *o.out << ": " << points.size() << " track points, " << waypoints.size() << " waypoints, "
        << routes.size() << " routes\n";
    return kOk;
}

int runUpload(const std::string& what, Options& o, ReceiverPrompt& prompt, std::ostream& out, std::ostream& err) {
    if (!o.in) return fail(err, "upload needs -i FILE");
    const Datum datum(o.datum);
    std::vector<TrackPoint> points;
    std::vector<WaypointRecord> waypoints;
    std::vector<Route> routes;
    std::string problem;
    if (isReceiverData(*o.in)) {
        ReceiverData d;
        if (!ReadReceiverData(*o.in, d, problem)) return fail(err, problem);
        ShiftReceiverData(d, datum.name());
        points = d.track;
        waypoints = d.waypoints;
        routes = d.routes;
    } else {
        TransverseMercator tm(datum);
        CodePage cp(o.settings.CodePage);
        files::FileOptions fo;
        fo.datum = &datum;
        fo.tm = &tm;
        fo.codePage = &cp;
        files::DocumentContents c;
        auto r = files::readAnyFile(*o.in, c, fo, prompt);
        if (!r.ok) return fail(err, r.problem);
        if (c.track) points = c.track->points;
        if (c.waypoints) waypoints = *c.waypoints;
        if (c.routes) routes = *c.routes;
    }
    // Nothing to send is refused before the receiver is bothered.
    if (what == "track" && points.empty()) return fail(err, *o.in + ": no track points");
    if (what == "waypoints" && waypoints.empty()) return fail(err, *o.in + ": no waypoints");
    std::vector<std::pair<uint8_t, const Route*>> chosen;
    if (what == "routes") {
        for (size_t i = 0; i < routes.size() && i < 256; ++i)
            if (!routes[i].waypoints.empty()) chosen.emplace_back(static_cast<uint8_t>(i), &routes[i]);
        if (chosen.empty()) return fail(err, *o.in + ": no routes with waypoints");
        if (o.routeNumber) chosen.resize(1), chosen[0].first = static_cast<uint8_t>(*o.routeNumber);
    }

    auto link = identify(o, prompt, err);
    if (!link) return kFailed;
    QuietProgress progress(err);
    if (what == "track") {
        if (!UploadTrack(*link, SlotsFromTrackPoints(points, datum), progress)) {
            prompt.message("upload track error.", kMessageCaption, Icon::Stop);
            return kFailed;
        }
    } else if (what == "waypoints") {
        std::vector<WaypointPacket> packets;
        for (const auto& w : waypoints) packets.push_back(PacketFromWaypoint(w, link->waypointType, pid::Waypoint, datum));
        if (!UploadWaypoints(*link, packets, progress)) {
            prompt.message("upload waypoint error.", kMessageCaption, Icon::Stop);
            return kFailed;
        }
    } else {
        link->ClosePort();
        for (const auto& [number, route] : chosen) {
            auto one = ReopenLike(*link, o.settings);
            if (!UploadRoutes(*one, {RouteSlotFromRoute(*route, number, link->waypointType, datum)}, progress)) {
                prompt.message("upload route error.", kMessageCaption, Icon::Stop);
                return kFailed;
            }
        }
    }
    out << "uploaded " << (what == "track" ? points.size() : what == "waypoints" ? waypoints.size() : chosen.size())
        << " " << (what == "track" ? "track points" : what) << "\n";
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
