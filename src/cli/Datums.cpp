#include <ostream>

#include "cli/Cli.h"

namespace korvance::cli {

// Filled in with the datum table.
int runDatums(Args& args, std::ostream& out, std::ostream& err) {
    if (args.help()) {
        out << "usage: korvance-cli datums\n  Lists the datum table, one row name a line, in table order.\n";
        return kOk;
    }
    (void)err;
    return kOk;
}

}  // namespace korvance::cli
