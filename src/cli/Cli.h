#pragma once
// korvance-cli: one function a subcommand, each in a file of its own.
// Exit codes: 0 success, 1 a reported failure (message on stderr), 2 a usage error.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "data/TextUtil.h"

namespace korvance::cli {

inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

// Arguments after the subcommand name, with simple option lookup.
class Args {
public:
    explicit Args(std::vector<std::string> words) : words_(std::move(words)) {}

    // Removes "--name VALUE" (or "--name=VALUE") and returns VALUE; nothing when absent.
    // A flag given without its value sets `missingValue`.
    std::optional<std::string> option(const std::string& name);
    // Removes a bare "--name" and tells whether it was there.
    bool flag(const std::string& name);
    // True when "--help" or "-h" is among the words (and removes it).
    bool help() { return flag("--help") || flag("-h"); }
    // The words left, in order (positional arguments).
    const std::vector<std::string>& rest() const { return words_; }
    // First word left that starts with "--" (an unknown option), or "".
    std::string unknownOption() const;
    bool missingValue = false;

private:
    std::vector<std::string> words_;
};

struct Subcommand {
    const char* name;
    const char* summary;
    int (*run)(Args& args, std::ostream& out, std::ostream& err);
};

// Number parsing for command-line words: the whole word must be a number
// (decimal numbers: parseNumber of data/TextUtil.h).
std::optional<long> parseInteger(const std::string& word);

// Each subcommand, defined in its own file.
int runDatums(Args& args, std::ostream& out, std::ostream& err);
int runConvert(Args& args, std::ostream& out, std::ostream& err);
int runInfo(Args& args, std::ostream& out, std::ostream& err);
int runCoord(Args& args, std::ostream& out, std::ostream& err);
int runReceiver(Args& args, std::ostream& out, std::ostream& err);
int runSimulateReceiver(Args& args, std::ostream& out, std::ostream& err);
int runNmea(Args& args, std::ostream& out, std::ostream& err);
int runSimulateNmea(Args& args, std::ostream& out, std::ostream& err);
int runMap(Args& args, std::ostream& out, std::ostream& err);
// The actions of `map`.
int runMapMake(Args& args, std::ostream& out, std::ostream& err);
int runMapInfo(Args& args, std::ostream& out, std::ostream& err);
int runMapChoose(Args& args, std::ostream& out, std::ostream& err);
int runMapCalibrate(Args& args, std::ostream& out, std::ostream& err);
int runRender(Args& args, std::ostream& out, std::ostream& err);
int runNavigate(Args& args, std::ostream& out, std::ostream& err);

}  // namespace korvance::cli
