#include <csignal>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"

using namespace korvance::cli;

namespace {

// Add a row here for each subcommand; its function lives in a file of its own.
const Subcommand kSubcommands[] = {
    {"datums", "list the datum table, one name a line", runDatums},
    {"coord", "UTM, datum shift, distance and degree text", runCoord},
    {"convert", "convert between .kvn/.kv2, .pot, .txt and .gpx files", runConvert},
    {"info", "what a document, POT, waypoint text or GPX file holds", runInfo},
    {"receiver", "Garmin receiver: info, download, upload, position", runReceiver},
    {"simulate-receiver", "a Garmin receiver on a pseudo-terminal", runSimulateReceiver},
    {"nmea", "positions from an NMEA receiver or an .nme file", runNmea},
    {"simulate-nmea", "an NMEA receiver on a pseudo-terminal", runSimulateNmea},
    {"render", "draw the map view with track, waypoints and routes into a PNG", runRender},
    {"navigate", "the navigation loop without a window, one JSON line a tick", runNavigate},
    {"map", "raster maps: make, info, choose, calibrate", runMap},
};

void usage(std::ostream& os) {
    os << "usage: korvance-cli SUBCOMMAND [ARGS...]   (korvance-cli SUBCOMMAND --help)\n"
          "       korvance-cli --help | --version\n\nsubcommands:\n";
    for (const auto& s : kSubcommands) os << "  " << s.name << std::string(20 - std::string(s.name).size(), ' ') << s.summary << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    // Past a file size limit a write fails and is reported like a full disk,
    // instead of ending the program with the data not yet written.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2) {
        usage(std::cerr);
        return kUsage;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        usage(std::cout);
        return kOk;
    }
    if (name == "--version" || name == "-V" || name == "version") {
        std::cout << "korvance-cli " << KORVANCE_VERSION << "\n";
        return kOk;
    }
    for (const auto& s : kSubcommands) {
        if (name == s.name) {
            Args args(std::vector<std::string>(argv + 2, argv + argc));
            // Whatever a command meets, it ends with a message and a failure code, never an abort.
            try {
                return s.run(args, std::cout, std::cerr);
            } catch (const std::exception& e) {
                std::cout.flush();
                std::cerr << "korvance-cli " << name << ": " << e.what() << "\n";
            } catch (...) {
                std::cout.flush();
                std::cerr << "korvance-cli " << name << ": unexpected failure\n";
            }
            return kFailed;
        }
    }
    std::cerr << "korvance-cli: unknown subcommand '" << name << "'\n";
    usage(std::cerr);
    return kUsage;
}
