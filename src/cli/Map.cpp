#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "maps/DemoMaps.h"

namespace korvance::cli {

namespace {

const char kMapDemoHelp[] =
    "usage: korvance-cli map demo\n"
    "  Prints the folder of the demo map set that `korvance --demo` opens: demo-maps\n"
    "  beside the program, ../share/korvance/demo-maps from it (an installed prefix),\n"
    "  or the build tree's; $KORVANCE_DEMO_MAPS names another folder.\n";

int runMapDemo(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << kMapDemoHelp;
        return kOk;
    }
    if (!args.rest().empty()) {
        err << "korvance-cli map demo: takes no arguments\n";
        return kUsage;
    }
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string folder = FindDemoMaps(program.string());
    if (folder.empty()) {
        err << "korvance-cli map demo: the demo map set was not found (demo-maps/demo.lst)\n";
        return kFailed;
    }
    out << folder << "\n";
    return kOk;
}

// Add a row here for each map action; its function lives in a file of its own.
const Subcommand kMapActions[] = {
    {"make", "tiles and a mapinfo.dat from a georeferenced raster or a scan", runMapMake},
    {"demo", "the folder of the demo map set", runMapDemo},
    {"info", "what a mapinfo.dat or a map list describes, and missing tiles", runMapInfo},
    {"choose", "the map the automatic choice takes at a position", runMapChoose},
    {"calibrate", "rewrite a mapinfo.dat from two map pixels and their positions", runMapCalibrate},
};

void mapUsage(std::ostream& os) {
    os << "usage: korvance-cli map ACTION [ARGS...]   (korvance-cli map ACTION --help)\n\nactions:\n";
    for (const auto& a : kMapActions) os << "  " << a.name << std::string(12 - std::string(a.name).size(), ' ') << a.summary << "\n";
}

}  // namespace

int runMap(Args& args, std::ostream& out, std::ostream& err) {
    if (args.rest().empty()) {
        mapUsage(err);
        return kUsage;
    }
    const std::string action = args.rest().front();
    if (action == "--help" || action == "-h" || action == "help") {
        mapUsage(out);
        return kOk;
    }
    for (const auto& a : kMapActions) {
        if (action == a.name) {
            Args rest(std::vector<std::string>(args.rest().begin() + 1, args.rest().end()));
            return a.run(rest, out, err);
        }
    }
    err << "korvance-cli map: unknown action '" << action << "'\n";
    mapUsage(err);
    return kUsage;
}

}  // namespace korvance::cli
