#pragma once
// korvance-cli coord: the geodesy of the system on the command line.

#include <iosfwd>
#include <string>

#include "cli/Cli.h"

namespace korvance::cli {

// The coord subcommand with the datum used when no --datum is given (the
// DatumName setting in the program; tests pass their own).
int runCoordWithDefault(Args& args, std::ostream& out, std::ostream& err, const std::string& defaultDatum);

// Resolves a datum name given on the command line: true with the row's name, or
// false after writing the usage error with the nearest names to `err`.
bool resolveDatumOption(const std::string& name, std::ostream& err, const char* command);

}  // namespace korvance::cli
