// korvance-cli navigate: the navigation loop without a window. The view and
// its commands run as in the program, over a host whose timer is this loop,
// whose NMEA reception hands positions to this thread, and whose ticks are
// printed as JSON Lines.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <thread>

#include "app/CommandIds.h"
#include "cli/Cli.h"
#include "cli/FileIo.h"
#include "cli/Terminal.h"
#include "cli/ViewDocument.h"
#include "files/DocumentCommands.h"
#include "files/FileFormats.h"
#include "maps/MapCommands.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "view/CKorvanceView.h"
#include "view/NmeaFeed.h"

namespace korvance::cli {

namespace {

const char kNavigateHelp[] =
    "usage: korvance-cli navigate (--nmea-file F.nme | --nmea-port DEV [--baud B] | --port DEV)\n"
    "           [--data FILE]... [--goto ID | --route N [--invert]] [--reach M] [--alarm M]\n"
    "           [--unit metric|statute|nautical] [--map FILE] [--centering-always]\n"
    "           [--log-interval S] [--max-log N] [--track-out OUT] [--datum NAME]\n"
    "  Runs the navigation loop of the map view without a window and prints one JSON\n"
    "  object a line per tick: tick, time, lat, lon, height, points, speed, track,\n"
    "  target, distance, bearing, relative, ete, route_index, advanced, alarm_state,\n"
    "  sound, map.\n"
    "  --nmea-file   every fix of this NMEA log is one tick, as fast as it is read;\n"
    "                the run's clock follows the fixes' own times\n"
    "  --nmea-port   an NMEA receiver; runs until SIGINT or SIGTERM\n"
    "  --baud        its line speed (default 4800)\n"
    "  --port        a Garmin receiver, polled every log interval\n"
    "  --data        waypoints, routes and a track to continue (any file convert reads)\n"
    "  --goto        navigate to the waypoint of this identifier\n"
    "  --route       follow route N (counted from 0)\n"
    "  --invert      from its last waypoint backwards\n"
    "  --reach       ReachDistance, metres\n"
    "  --alarm       the waypoint alarm at this many metres\n"
    "  --unit        units of the speed and distance texts (default metric)\n"
    "  --map         a mapinfo.dat or map list; the map follows the position\n"
    "  --centering-always  centre the map on every position\n"
    "  --log-interval  seconds between Garmin polls (default 1; 1000 or more is 1)\n"
    "  --max-log     track log capacity\n"
    "  --track-out   write the track there (any format convert writes)\n"
    "  --datum       the display datum (a name of `korvance-cli datums`)\n"
    "  Exit 0 at the end of the file or on a signal; 1 when a receiver or file fails.\n";

// Garmin polling's timer: the loop below fires it once a period.
class LoopTimer : public NavigationTimer {
public:
    void start(uint32_t periodMs, std::function<void()> onTick) override {
        period_ = periodMs;
        onTick_ = std::move(onTick);
        active_ = true;
    }
    void stop() override { active_ = false; }
    bool active() const override { return active_; }
    uint32_t periodMs() const override { return period_; }
    void fire() {
        if (active_ && onTick_) onTick_();
    }

private:
    uint32_t period_ = 1000;
    std::function<void()> onTick_;
    bool active_ = false;
};

// No loudspeaker: the alarm is reported in each tick's line.
class QuietSound : public Sound {
public:
    bool play(const std::string&) override { return true; }
};

class NoFiles : public FileChooser {
public:
    std::optional<std::string> chooseOpen(const std::vector<FileFilter>&, const std::string&, const std::string&,
                                          const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseSave(const std::vector<FileFilter>&, const std::string&, const std::string&,
                                          const std::string&) override {
        return std::nullopt;
    }
};

class LoopHost : public ViewHost, public NavigationHost {
public:
    LoopHost(bool fromFile, std::ostream& err)
        : fromFile_(fromFile), feed_([this](NmeaFeed::Call c) { post(std::move(c)); }) {
        // Runs on this loop's thread, as every posted call does.
        feed_.onConnectionChanged = [&err](const std::string& problem) {
            err << "korvance-cli navigate: " << NmeaConnectionText(problem) << "\n" << std::flush;
        };
    }

    CKorvanceView* view = nullptr;
    LoopTimer timer;
    // The UTC time of the NMEA fix being ticked: the track keeps the
    // receiver's time as the program does, the output says the fix's own.
    std::optional<int64_t> fixUtc;
    void deliver(const NmeaPosition& p) {
        fixUtc = p.utcTime;
        view->nmeaPosition(p);
    }

    ClientRect clientRect() const override { return {0, 0, 800, 600}; }
    void redraw(bool) override {}
    NavigationHost* navigationHost() override { return this; }
    NavigationTimer& navigationTimer() override { return timer; }
    Sound& sound() override { return sound_; }
    bool startNmea(AppSettings& settings, UserPrompt& prompt) override {
        if (fromFile_) return true;  // the loop reads the file itself
        return feed_.start(settings, prompt, files_, [this](const NmeaPosition& p) { deliver(p); });
    }
    void stopNmea() override {
        if (!fromFile_) feed_.stop();
    }

    void post(NmeaFeed::Call call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
        posted_.notify_one();
    }
    // Runs the calls posted so far, waiting at most `ms` for the first.
    void runPosted(int ms) {
        std::deque<NmeaFeed::Call> calls;
        {
            std::unique_lock lock(mutex_);
            posted_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !calls_.empty(); });
            calls.swap(calls_);
        }
        for (auto& c : calls) c();
    }

private:
    bool fromFile_;
    QuietSound sound_;
    NoFiles files_;
    NmeaFeed feed_;
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<NmeaFeed::Call> calls_;
};

// Gives each fix of the file to the view, with the run's clock at the fix's time.
class FileTicks : public NmeaSessionSink {
public:
    FileTicks(LoopHost& host, FixedClock& clock) : host_(host), clock_(clock) {}
    bool deliver(const NmeaPosition& p) override {
        if (last_ && p.time > *last_) clock_.advanceMs(static_cast<uint32_t>((p.time - *last_) * 1000));
        last_ = p.time;
        clock_.setUnixTime(p.time);
        host_.deliver(p);
        return !InterruptScope::interrupted();
    }
    void logWriteFailed(int) override {}

private:
    LoopHost& host_;
    FixedClock& clock_;
    std::optional<int64_t> last_;
};

nlohmann::ordered_json LineOf(int tick, const TickResult& t, int64_t time, CKorvanceView& view, CKorvanceDoc& doc) {
    const NavigationFigures f = view.navigationFigures();
    const DataFieldTexts x = DataFieldTextsOf(f, doc.settings().Unit);
    const TrackField* track = doc.trackLog().track.get();
    auto textOrNull = [](const std::string& s) { return s.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(s); };
    nlohmann::ordered_json j;
    j["tick"] = tick;
    j["time"] = time;
    j["lat"] = t.fix.latitude;
    j["lon"] = t.fix.longitude;
    j["height"] = t.fix.height;
    j["points"] = track ? track->pointCount() : 0;
    j["speed"] = x.speed;
    j["track"] = x.track;
    j["target"] = f.hasTarget ? x.target : std::string(kNoTargetName);
    j["distance"] = textOrNull(x.distance);
    j["bearing"] = textOrNull(x.bearing);
    j["relative"] = f.hasDistance ? nlohmann::ordered_json(f.relative) : nlohmann::ordered_json();
    j["ete"] = textOrNull(x.ete);
    const RouteNavigator* nav = view.navigation.routeNavigator.get();
    j["route_index"] = nav ? nlohmann::ordered_json(nav->current()) : nlohmann::ordered_json();
    j["advanced"] = t.alarm.advanced;
    j["alarm_state"] = view.navigation.alarm.state();
    j["sound"] = t.sounded;
    MapSet& maps = doc.maps();
    j["map"] = maps.hasMap() ? nlohmann::ordered_json(maps.mapInfoPath()) : nlohmann::ordered_json();
    return j;
}

std::optional<uint32_t> metresOf(const std::optional<std::string>& word) {
    if (!word) return std::nullopt;
    const auto v = parseInteger(*word);
    if (!v || *v < 0 || *v > 100000000) return std::nullopt;
    return static_cast<uint32_t>(*v);
}

}  // namespace

int runNavigate(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kNavigateHelp;
        return kOk;
    }
    auto usage = [&](const std::string& why) {
        err << "korvance-cli navigate: " << why << "\n" << kNavigateHelp;
        return kUsage;
    };
    const auto nmeaFile = args.option("--nmea-file");
    const auto nmeaPort = args.option("--nmea-port");
    const auto garminPort = args.option("--port");
    const auto baudText = args.option("--baud");
    std::vector<std::string> dataFiles;
    while (auto d = args.option("--data")) dataFiles.push_back(*d);
    const auto gotoId = args.option("--goto");
    const auto routeText = args.option("--route");
    const bool invert = args.flag("--invert");
    const auto reachText = args.option("--reach");
    const auto alarmText = args.option("--alarm");
    const auto unitText = args.option("--unit");
    const auto mapFile = args.option("--map");
    const bool centeringAlways = args.flag("--centering-always");
    const auto intervalText = args.option("--log-interval");
    const auto maxLogText = args.option("--max-log");
    const auto trackOut = args.option("--track-out");
    const auto datumName = args.option("--datum");
    if (args.missingValue) return usage("an option lacks its value");
    if (!args.unknownOption().empty()) return usage("unknown option '" + args.unknownOption() + "'");
    if (!args.rest().empty()) return usage("unexpected '" + args.rest()[0] + "'");
    if (int(bool(nmeaFile)) + int(bool(nmeaPort)) + int(bool(garminPort)) != 1)
        return usage("give one source: --nmea-file, --nmea-port or --port");
    if (baudText && !nmeaPort) return usage("--baud goes with --nmea-port");
    if (gotoId && routeText) return usage("--goto and --route exclude each other");
    if (invert && !routeText) return usage("--invert goes with --route");
    const auto baud = baudText ? parseInteger(*baudText) : std::optional<long>(4800);
    if (!baud || *baud <= 0) return usage("bad --baud");
    const auto route = routeText ? parseInteger(*routeText) : std::optional<long>(0);
    if (!route || *route < 0) return usage("bad --route");
    const auto reach = reachText ? metresOf(reachText) : std::optional<uint32_t>(AppSettings{}.ReachDistance);
    if (!reach) return usage("bad --reach");
    const auto alarm = alarmText ? metresOf(alarmText) : std::optional<uint32_t>(0);
    if (!alarm) return usage("bad --alarm");
    uint32_t unit = 0;
    if (unitText) {
        if (*unitText == "metric") unit = 0;
        else if (*unitText == "statute") unit = 1;
        else if (*unitText == "nautical") unit = 2;
        else return usage("--unit takes metric, statute or nautical");
    }
    const auto interval = intervalText ? parseInteger(*intervalText) : std::optional<long>(1);
    if (!interval || *interval < 1 || *interval > 65535) return usage("bad --log-interval");
    const auto maxLog = maxLogText ? parseInteger(*maxLogText) : std::optional<long>(AppSettings{}.MaxLogCount);
    if (!maxLog || *maxLog < 1 || *maxLog > 10000000) return usage("bad --max-log");
    if (trackOut && files::fileKindOf(*trackOut) == files::FileKind::Unknown)
        return usage(*trackOut + ": unknown file kind (use .kvn, .kv2, .pot, .txt or .gpx)");
    if (datumName && FindDatumRow(*datumName) < 0) return usage("unknown datum '" + *datumName + "'");

    std::ifstream nme;
    if (nmeaFile) {
        nme.open(*nmeaFile, std::ios::binary);
        if (!nme) {
            err << "korvance-cli navigate: " << *nmeaFile << ": cannot open\n";
            return kFailed;
        }
    }

    // Questions get No: a track from --data is continued, a failed read ends the run.
    StderrPrompt prompt(err, Answer::No);
    MemorySettingsStore store;  // the user's own settings are never written
    SystemClock systemClock;
    FixedClock fileClock;
    Clock& clock = nmeaFile ? static_cast<Clock&>(fileClock) : static_cast<Clock&>(systemClock);
    CKorvanceDoc doc(store, clock, prompt);
    if (datumName) doc.setDatum(*datumName);
    AppSettings& s = doc.settings();
    s.ReachDistance = *reach;
    s.WaypointAlarm = *alarm > 0 ? 1 : 0;
    s.WaypointAlarmDistance = *alarm;
    s.Unit = unit;
    s.CenteringAlways = centeringAlways ? 1 : 0;
    s.MaxLogCount = static_cast<uint32_t>(*maxLog);
    s.AutoMapChange = 1;
    s.NMEABaudrate = static_cast<uint32_t>(*baud);
    s.CommDevice = nmeaPort ? *nmeaPort : garminPort ? *garminPort : "";
    doc.logInterval = static_cast<uint32_t>(*interval);
    if (!LoadDataFiles(doc, dataFiles, "navigate", err)) return kFailed;
    if (mapFile) {
        const Changes opened = OpenMapOrList(doc.maps(), *mapFile, doc.codePage(), s.MapPath, prompt);
        if (!opened.has(Changes::MapOpened)) {
            err << "korvance-cli navigate: cannot open map " << *mapFile << "\n";
            return kFailed;
        }
    }

    LoopHost host(nmeaFile.has_value(), err);
    NoDialogs dialogs;
    CKorvanceView view(doc, host, dialogs, dialogs);
    host.view = &view;
    view.takeOrientation();
    view.clientResized();
    doc.fitPending = doc.newData = false;
    if (gotoId) {
        const auto index = doc.waypoints().find(uiToOem(&doc.codePage(), *gotoId));
        if (!index) {
            err << "korvance-cli navigate: no waypoint '" << *gotoId << "'\n";
            return kFailed;
        }
        view.navigation.gotoIndex = static_cast<int32_t>(*index);
    }
    if (routeText) {
        // As "R&oute Navigation..." starts it, with its messages.
        view.navigation.routeNavigator = BeginRouteNavigation(doc.routes(), doc.currentRoute, prompt, *reach,
                                                              static_cast<uint32_t>(*route), invert);
        if (!view.navigation.routeNavigator) return kFailed;
    }

    int ticks = 0;
    view.ticked = [&](const TickResult& t) {
        if (!t.hadFix) return;
        out << LineOf(++ticks, t, host.fixUtc.value_or(t.fix.unixTime), view, doc).dump() << "\n" << std::flush;
    };

    InterruptScope signals;
    bool failed = false;
    if (garminPort) {
        view.onCommand(cmd::Navigation);
        if (!view.navigationActive) return kFailed;  // the port was refused, with its message
        auto next = std::chrono::steady_clock::now();
        while (view.navigationActive && !InterruptScope::interrupted()) {
            host.timer.fire();
            next += std::chrono::milliseconds(host.timer.periodMs());
            while (!InterruptScope::interrupted() && std::chrono::steady_clock::now() < next)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!view.navigationActive) {
            err << "korvance-cli navigate: the receiver on " << *garminPort << " stopped answering\n";
            failed = true;
        }
    } else {
        view.onCommand(cmd::NmeaNavigation);
        if (!view.nmeaNavigation) return kFailed;
        if (nmeaFile) {
            NmeaSession session;
            FileTicks sink(host, fileClock);
            std::vector<char> chunk(NmeaLineBuffer::kCapacity);
            while (nme && !InterruptScope::interrupted()) {
                nme.read(chunk.data(), static_cast<std::streamsize>(session.room()));
                const auto n = static_cast<size_t>(nme.gcount());
                if (n == 0 || !session.feed(reinterpret_cast<const uint8_t*>(chunk.data()), n, sink)) break;
            }
            if (nme.bad()) {
                err << "korvance-cli navigate: " << *nmeaFile << ": read error\n";
                failed = true;
            }
        } else {
            while (!InterruptScope::interrupted()) host.runPosted(100);
        }
    }
    view.closeNavigation();

    if (trackOut) {
        files::FileOptions o;
        o.datum = &doc.datum();
        o.tm = &doc.transverseMercator();
        o.codePage = &doc.codePage();
        const files::FileResult w = files::writeAnyFile(*trackOut, files::documentSource(doc.data()), o, prompt);
        if (!w.ok) {
            err << "korvance-cli navigate: " << w.problem << "\n";
            return kFailed;
        }
    }
    return failed ? kFailed : kOk;
}

}  // namespace korvance::cli
