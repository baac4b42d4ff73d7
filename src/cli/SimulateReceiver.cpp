// korvance-cli simulate-receiver: a Garmin receiver on a fresh pseudo-terminal.

#include <poll.h>
#include <unistd.h>

#include <ostream>

#include <filesystem>

#include "cli/Cli.h"
#include "files/FileFormats.h"
#include "sim/garmin/ReceiverSimulator.h"

namespace korvance::cli {

namespace {

const char kSimulateHelp[] =
    "usage: korvance-cli simulate-receiver [--profile new|old|japanese] [--data FILE] [--faults SPEC]\n"
    "  Serves as a Garmin receiver on a new pseudo-terminal, whose path is the\n"
    "  first line of output, until killed or until its standard input closes.\n"
    "  --profile  new: protocol array (D108 waypoints, D201 routes with links, D301 track)\n"
    "             old: no protocol array, model GPS12XL (D103, D201, D300)\n"
    "             japanese: as old, model GPS12XLJ with the Japanese character set\n"
    "  --data     what to serve: receiver data (.rcv, as receiver download -o FILE.rcv\n"
    "             writes) or a document, POT, waypoint text or GPX file (WGS 84)\n"
    "  --faults   checksum=N (every n-th packet sent corrupt), dropack=N (every n-th\n"
    "             packet of the host lost), silent=N (silent after n packets),\n"
    "             garbage=N (line noise before every n-th frame while records travel)\n"
    "  --moving   each position request answers the next point of the track log\n";

// Reading a file of ours asks nothing; any message goes to stderr.
class QuietPrompt : public UserPrompt {
public:
    explicit QuietPrompt(std::ostream& err) : err_(err) {}
    void message(const std::string& text, const std::string&, Icon) override { err_ << "korvance-cli: " << text << "\n"; }
    Answer ask(const std::string&, const std::string&, Buttons, Icon) override { return Answer::Yes; }
    void beep(BeepKind) override {}
    void errorWindow(const std::string& text) override { err_ << "korvance-cli: " << text << "\n"; }
    void beginWait() override {}
    void endWait() override {}

private:
    std::ostream& err_;
};

}  // namespace

int runSimulateReceiver(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kSimulateHelp;
        return kOk;
    }
    auto profileName = args.option("--profile");
    auto dataFile = args.option("--data");
    auto faultSpec = args.option("--faults");
    const bool moving = args.flag("--moving");
    if (args.missingValue || !args.unknownOption().empty() || !args.rest().empty()) {
        err << kSimulateHelp;
        return kUsage;
    }
    SimProfile profile = SimProfile::New;
    if (profileName && !ParseSimProfile(*profileName, profile)) {
        err << "korvance-cli simulate-receiver: --profile takes new, old or japanese\n";
        return kUsage;
    }
    SimFaults faults;
    std::string error;
    if (faultSpec && !ParseSimFaults(*faultSpec, faults, error)) {
        err << "korvance-cli simulate-receiver: " << error << "\n";
        return kUsage;
    }
    ReceiverData data;
    if (dataFile) {
        std::string ext = std::filesystem::path(*dataFile).extension().string();
        for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == ".rcv" || files::fileKindOf(*dataFile) == files::FileKind::Unknown) {
            if (!ReadReceiverData(*dataFile, data, error)) {
                err << "korvance-cli simulate-receiver: " << error << "\n";
                return kFailed;
            }
        } else {
            files::DocumentContents c;
            files::FileOptions o;
            QuietPrompt quiet(err);
            auto r = files::readAnyFile(*dataFile, c, o, quiet);
            if (!r.ok) {
                err << "korvance-cli simulate-receiver: " << r.problem << "\n";
                return kFailed;
            }
            if (c.track) data.track = c.track->points;
            if (c.waypoints) data.waypoints = *c.waypoints;
            if (c.routes) data.routes = *c.routes;
        }
    }
    ShiftReceiverData(data, "WGS 84");
    ReceiverSimulator sim(profile, data);
    sim.setFaults(faults);
    sim.setMoving(moving);
    if (!sim.start()) {
        err << "korvance-cli simulate-receiver: cannot open a pseudo-terminal\n";
        return kFailed;
    }
    out << sim.devicePath() << std::endl;
    // Serve until the input closes (or the process is killed).
    char buf[256];
    for (;;) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (::poll(&p, 1, -1) < 0) continue;
        if (p.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
            ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0) break;
        }
    }
    sim.stop();
    for (const auto& u : sim.uploads())
        err << "korvance-cli simulate-receiver: upload " << (u.accepted ? "accepted" : "rejected: " + u.reason)
            << " (" << u.frames.size() << " packets)\n";
    return kOk;
}

}  // namespace korvance::cli
