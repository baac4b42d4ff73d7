#pragma once
// korvance-cli coord: the geodesy of the system on the command line.

#include <iosfwd>
#include <optional>
#include <string>

#include "cli/Cli.h"

namespace korvance::cli {

// The coord subcommand with the datum used when no --datum is given (the
// DatumName setting in the program; tests pass their own).
int runCoordWithDefault(Args& args, std::ostream& out, std::ostream& err, const std::string& defaultDatum);

// A latitude (latitude true) or longitude word: a decimal number, or degree text such
// as 35^30'15.48" or 35°30'15" with N/S or E/W before or after (S and W negative).
// Nothing when the word is neither; the range is not checked.
std::optional<double> parseAngleWord(const std::string& word, bool latitude);

// Resolves a datum name given on the command line: true with the row's name, or
// false after writing the usage error with the nearest names to `err`.
bool resolveDatumOption(const std::string& name, std::ostream& err, const char* command);

}  // namespace korvance::cli
