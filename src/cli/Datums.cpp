#include <ostream>

#include "cli/Cli.h"
#include "geodesy/Datum.h"

namespace korvance::cli {

int runDatums(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << "usage: korvance-cli datums\n  Lists the datum table, one row name a line, in table order.\n";
        return kOk;
    }
    if (!args.rest().empty()) {
        err << "korvance-cli datums: takes no arguments ('" << args.rest().front() << "')\n";
        return kUsage;
    }
    for (const auto& row : DatumTable()) out << row.name << "\n";
    return kOk;
}

}  // namespace korvance::cli
