// korvance-gpsd-monitor: positions from gpsd for korvance's map view.
//
//   korvance-gpsd-monitor KorvanCE <token> [HOST:PORT]
//
// korvance starts a registered monitor with just "KorvanCE <token>"; the
// server then comes from the GpsdServer setting, else localhost:2947.

#include <charconv>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

#include "gpsd/GpsdMonitor.h"
#include "gpsd/GpsdReports.h"
#include "qtplatform/QtSettingsStore.h"
#include "settings/AppSettings.h"
#include "view/MonitorLink.h"

using namespace korvance;

namespace {

constexpr const char* kHelp =
    "usage: korvance-gpsd-monitor KorvanCE TOKEN [HOST:PORT]\n"
    "       korvance-gpsd-monitor --help | --version\n"
    "\n"
    "Feeds the positions of gpsd to korvance's map view. Register this program\n"
    "with \"Register NMEA Monitor...\" in korvance and start it with \"Run NMEA\n"
    "Monitor\"; korvance gives it KorvanCE and the token of its window.\n"
    "\n"
    "  HOST:PORT  where gpsd listens (\"[::1]:2947\" for an IPv6 address; the port\n"
    "             is 2947 when left out). Without it, the GpsdServer value of\n"
    "             korvance's settings file, else localhost:2947.\n"
    "\n"
    "It posts every 2D or 3D fix, at most four a second (always the newest),\n"
    "reconnects when gpsd goes away, and ends when korvance ends the link or on\n"
    "SIGTERM or SIGINT. Exit status: 0 when ended so, 1 when korvance's link is not\n"
    "there or gpsd speaks an unknown protocol, 2 for a usage error.\n";

volatile sig_atomic_t gStop = 0;

void onStop(int) { gStop = 1; }

int usage(const char* problem) {
    std::cerr << "korvance-gpsd-monitor: " << problem << "\n"
              << "usage: korvance-gpsd-monitor KorvanCE TOKEN [HOST:PORT]   (--help for more)\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    for (const std::string& w : words) {
        if (w == "--help" || w == "-h") {
            std::cout << kHelp;
            return 0;
        }
        if (w == "--version" || w == "-V") {
            std::cout << "korvance-gpsd-monitor " << KORVANCE_VERSION << "\n";
            return 0;
        }
    }
    // korvance's command line ends in blanks, which a shell split drops.
    if (words.size() < 2 || words.size() > 3 || words[0] != "KorvanCE") return usage("KorvanCE TOKEN expected");
    uint32_t token = 0;
    const std::string& t = words[1];
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), token, 16);
    if (ec != std::errc() || end != t.data() + t.size() || token == 0) return usage("the token is a non-zero hexadecimal number");

    std::string server = words.size() == 3 ? words[2] : std::string();
    std::string from = "argument";
    if (server.empty()) {
        QtSettingsStore settings;
        if (auto v = settings.readString(kSettingsKey, "GpsdServer"); v && !v->empty()) {
            server = *v;
            from = "GpsdServer setting in " + settings.path();
        }
    }
    GpsdMonitorOptions options;
    options.host = kGpsdDefaultHost;
    options.port = kGpsdDefaultPort;
    if (!server.empty() && !ParseGpsdServer(server, options.host, options.port))
        return usage(("the " + from + " \"" + server + "\" is not HOST:PORT").c_str());

    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction stop {};
    stop.sa_handler = onStop;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGINT, &stop, nullptr);
    // Stop signals arrive only while the monitor waits, where they end the wait.
    sigset_t blocked, waitMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);

    options.viewFd = ConnectMonitor(token);
    if (options.viewFd < 0) {
        if (MonitorSocketPath(token).empty())
            std::cerr << "korvance-gpsd-monitor: no monitor link: XDG_RUNTIME_DIR is not set\n";
        else
            std::cerr << "korvance-gpsd-monitor: nobody listens for token " << t << " at " << MonitorSocketPath(token)
                      << "\n";
        return 1;
    }
    options.waitMask = &waitMask;
    options.stop = &gStop;
    const GpsdMonitorEnd why = RunGpsdMonitor(options, std::cerr);
    ::close(options.viewFd);
    return why == GpsdMonitorEnd::UnknownProtocol ? 1 : 0;
}
