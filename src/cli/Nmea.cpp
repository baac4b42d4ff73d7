// korvance-cli nmea: positions from an NMEA receiver (or an .nme file), one
// line per delivered fix; and simulate-nmea: the simulator's NMEA source on a
// fresh pseudo-terminal.

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "cli/Cli.h"
#include "cli/Terminal.h"
#include "nmea/NmeaReceiver.h"
#include "settings/AppSettings.h"
#include "sim/nmea/NmeaSource.h"

namespace korvance::cli {

namespace {

const char kNmeaHelp[] =
    "usage: korvance-cli nmea (--port DEV [--baud B] | --file F.nme) [--log OUT.nme]\n"
    "                         [--sentences LIST] [--save-invalid] [--count N] [--seconds S]\n"
    "  Reads NMEA 0183 sentences and prints one line per delivered fix (after both an\n"
    "  RMC with status A and a GGA arrived):  UNIXTIME LAT LON ALT SPEEDKMH COURSE\n"
    "  (UNIXTIME from the sentence's UTC fields; LAT/LON degrees, north/east positive;\n"
    "  ALT metres, -99999.0 when the GGA had none).\n"
    "  --port       serial device (a pseudo-terminal works too); reads until killed,\n"
    "               --count fixes or --seconds passed\n"
    "  --count      stop after this many fixes\n"
    "  --seconds    stop after this many seconds\n"
    "  --baud       line speed (default 4800; outside 4800..115200 it is 4800)\n"
    "  --file       an NMEA log to read instead of a port\n"
    "  --log        write the accepted sentences to this log\n"
    "  --sentences  types to log, separated by ';' (default RMC; \"\" logs every one)\n"
    "  --save-invalid  log sentences also while the receiver has no fix\n";

const char kSimulateHelp[] =
    "usage: korvance-cli simulate-nmea [--rate HZ] [--faults LIST] [--lat D] [--lon D]\n"
    "                                  [--speed KMH] [--points N] [--once] [--seconds S]\n"
    "  Streams RMC, GGA, GSA, GSV and VTG sentences along a track on a new\n"
    "  pseudo-terminal, whose path is the first line of output, until killed.\n"
    "  --rate    epochs a second (default 1); each epoch is one second of track time\n"
    "  --lat/--lon/--speed  start of the track and its speed (default 48.1173 11.5166, 36 km/h)\n"
    "  --points  length of the track (default 3600), repeated unless --once\n"
    "  --once    end after the track instead of repeating it\n"
    "  --seconds end after this many seconds\n"
    "  --faults  checksum=N (every n-th sentence), cut=N (every n-th sentence cut off),\n"
    "            long=N, burst=N (line noise), invalid=N (no fix), each every n-th epoch\n";

std::string fixLine(const NmeaPosition& p) {
    return std::to_string(p.utcTime) + " " + FormatFixed(p.latitude, 7) + " " + FormatFixed(p.longitude, 7) + " " +
           FormatFixed(p.altitude, 1) + " " + FormatFixed(p.speedKmh, 2) + " " + std::to_string(p.course) + "\n";
}

// Prints each position as it is taken, on whichever thread delivers it.
class Printer : public NmeaConsumer, public NmeaSessionSink {
public:
    Printer(std::ostream& out, std::ostream& err, long limit, std::string logPath)
        : out_(out), err_(err), limit_(limit), logPath_(std::move(logPath)) {}

    void positionReady(NmeaReceiver& receiver) override {
        NmeaPosition p;
        if (receiver.takePosition(&p)) deliver(p);
    }
    void logWriteFailed(const std::string& text, const std::string&) override {
        std::lock_guard lock(mutex_);
        err_ << "korvance-cli nmea: " << logPath_ << ": " << oneLine(text) << "; logging stopped\n";
    }
    void connectionChanged(NmeaReceiver& receiver) override {
        std::lock_guard lock(mutex_);
        err_ << "korvance-cli nmea: " << NmeaConnectionText(receiver.problem()) << "\n" << std::flush;
    }
    bool deliver(const NmeaPosition& p) override {
        std::lock_guard lock(mutex_);
        if (limit_ > 0 && count_ >= limit_) return false;
        out_ << fixLine(p) << std::flush;
        ++count_;
        return limit_ <= 0 || count_ < limit_;
    }
    void logWriteFailed(int code) override {
        logWriteFailed(LogWriteFailureText(code), "");
    }
    bool done() {
        std::lock_guard lock(mutex_);
        return limit_ > 0 && count_ >= limit_;
    }

private:
    std::ostream& out_;
    std::ostream& err_;
    long limit_;
    long count_ = 0;
    std::string logPath_;
    std::mutex mutex_;
};

int readFile(const std::string& path, NmeaSession& session, Printer& printer, std::ostream& err) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        err << "korvance-cli nmea: " << path << ": cannot open\n";
        return kFailed;
    }
    std::vector<char> chunk(NmeaLineBuffer::kCapacity);
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(session.room()));
        auto n = static_cast<size_t>(in.gcount());
        if (n == 0) break;
        if (!session.feed(reinterpret_cast<const uint8_t*>(chunk.data()), n, printer)) break;
    }
    if (in.bad()) {
        err << "korvance-cli nmea: " << path << ": read error\n";
        return kFailed;
    }
    return kOk;
}

}  // namespace

int runNmea(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kNmeaHelp;
        return kOk;
    }
    auto port = args.option("--port");
    auto baudText = args.option("--baud");
    auto file = args.option("--file");
    auto logPath = args.option("--log");
    auto sentences = args.option("--sentences");
    auto countText = args.option("--count");
    auto secondsText = args.option("--seconds");
    bool saveInvalid = args.flag("--save-invalid");
    if (args.missingValue || !args.unknownOption().empty() || !args.rest().empty() || port.has_value() == file.has_value() ||
        (baudText && !port)) {
        err << kNmeaHelp;
        return kUsage;
    }
    long count = 0;
    double seconds = 0;
    if (countText) {
        auto v = parseInteger(*countText);
        if (!v || *v < 1) {
            err << "korvance-cli nmea: --count takes a positive number\n";
            return kUsage;
        }
        count = *v;
    }
    if (secondsText) {
        auto v = parseNumber(*secondsText);
        if (!v || *v <= 0) {
            err << "korvance-cli nmea: --seconds takes a positive number\n";
            return kUsage;
        }
        seconds = *v;
    }
    AppSettings settings;
    if (baudText) {
        auto v = parseInteger(*baudText);
        if (!v || *v < 0 || *v > 0xFFFFFFFFL) {
            err << "korvance-cli nmea: --baud takes a number\n";
            return kUsage;
        }
        settings.NMEABaudrate = static_cast<uint32_t>(*v);
    }
    std::string filter = sentences ? *sentences : settings.NMEASentence;
    Printer printer(out, err, count, logPath.value_or(""));

    if (file) {
        NmeaSession session;
        session.setFilter(filter);
        session.setSaveOnlyValid(!saveInvalid);
        if (logPath && !session.log().open(*logPath)) {
                err << "korvance-cli nmea: " << *logPath << ": cannot create: " << systemErrorText(session.log().error()) << "\n";
            return kFailed;
        }
        return readFile(*file, session, printer, err);
    }

    NmeaReceiver receiver;
    uint32_t baud = CorrectNmeaBaudrate(settings);
    if (!receiver.openPort(*port, baud)) {
        err << "korvance-cli nmea: " << receiver.portError() << "\n";
        return kFailed;
    }
    if (logPath && !receiver.openLog(*logPath)) {
        err << "korvance-cli nmea: " << *logPath << ": cannot create: " << systemErrorText(receiver.logError()) << "\n";
        return kFailed;
    }
    receiver.setFilter(filter);
    receiver.setSaveOnlyValid(!saveInvalid);
    InterruptScope signals;
    if (!receiver.start(printer)) {
        err << "korvance-cli nmea: cannot start the reader\n";
        return kFailed;
    }
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!InterruptScope::interrupted() && !printer.done() && (seconds <= 0 || std::chrono::steady_clock::now() < end))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    StopNmea(receiver);
    return kOk;
}

int runSimulateNmea(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kSimulateHelp;
        return kOk;
    }
    auto rateText = args.option("--rate");
    auto faultSpec = args.option("--faults");
    auto latText = args.option("--lat");
    auto lonText = args.option("--lon");
    auto speedText = args.option("--speed");
    auto pointsText = args.option("--points");
    auto secondsText = args.option("--seconds");
    bool once = args.flag("--once");
    if (args.missingValue || !args.unknownOption().empty() || !args.rest().empty()) {
        err << kSimulateHelp;
        return kUsage;
    }
    auto number = [&](const std::optional<std::string>& text, const char* name, double fallback, double low,
                      double high, bool& ok) {
        if (!text) return fallback;
        auto v = parseNumber(*text);
        if (!v || *v < low || *v > high) {
            err << "korvance-cli simulate-nmea: " << name << " takes a number from " << low << " to " << high << "\n";
            ok = false;
            return fallback;
        }
        return *v;
    };
    bool ok = true;
    double rate = number(rateText, "--rate", 1.0, 0.01, 10000, ok);
    double lat = number(latText, "--lat", 48.1173, -89, 89, ok);
    double lon = number(lonText, "--lon", 11.5166, -180, 180, ok);
    double speed = number(speedText, "--speed", 36.0, 0, 2000, ok);
    double points = number(pointsText, "--points", 3600, 1, 1000000, ok);
    double seconds = number(secondsText, "--seconds", 0, 0, 1e9, ok);
    NmeaFaults faults;
    std::string error;
    if (faultSpec && !ParseNmeaFaults(*faultSpec, faults, error)) {
        err << "korvance-cli simulate-nmea: " << error << "\n";
        ok = false;
    }
    if (!ok) return kUsage;
    NmeaSource source(BuiltinNmeaTrack(static_cast<int>(points), lat, lon, speed), rate, faults, !once);
    InterruptScope signals;
    if (!source.start()) {
        err << "korvance-cli simulate-nmea: cannot open a pseudo-terminal\n";
        return kFailed;
    }
    out << source.devicePath() << std::endl;
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!InterruptScope::interrupted() && (seconds <= 0 || std::chrono::steady_clock::now() < end)) {
        if (once && source.waitFinished(0)) {
            // The last epoch still on its way through the line reaches the reader before the hang-up.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    source.stop();
    return kOk;
}

}  // namespace korvance::cli
