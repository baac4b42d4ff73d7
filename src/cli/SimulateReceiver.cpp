// korvance-cli simulate-receiver: a Garmin receiver on a fresh pseudo-terminal.

#include <poll.h>
#include <unistd.h>

#include <ostream>

#include "cli/Cli.h"
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
    "  --data     receiver data file (.rcv, as written by receiver download -o FILE.rcv)\n"
    "  --faults   checksum=N (every n-th packet sent corrupt), dropack=N (every n-th\n"
    "             packet of the host lost), silent=N (silent after n packets)\n";

}  // namespace

int runSimulateReceiver(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kSimulateHelp;
        return kOk;
    }
    auto profileName = args.option("--profile");
    auto dataFile = args.option("--data");
    auto faultSpec = args.option("--faults");
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
    if (dataFile && !ReadReceiverData(*dataFile, data, error)) {
        err << "korvance-cli simulate-receiver: " << error << "\n";
        return kFailed;
    }
    ShiftReceiverData(data, "WGS 84");
    ReceiverSimulator sim(profile, data);
    sim.setFaults(faults);
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
