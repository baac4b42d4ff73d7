#include <ostream>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace korvance::cli {

namespace {

// Add a row here for each map action; its function lives in a file of its own.
const Subcommand kMapActions[] = {
    {"make", "tiles and a mapinfo.dat from a georeferenced raster or a scan", runMapMake},
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
