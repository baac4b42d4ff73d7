// Every subcommand's --help, and both programs' --help and --version, run
// through the built binaries: each exits 0 and names each of its options at
// the start of a line of its own.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/RunCommand.h"

namespace {

korvance::testing::CommandResult run(const std::string& program, const std::string& args) {
    return korvance::testing::RunCommand("QT_QPA_PLATFORM=offscreen '" + program + "' " + args + " 2>/dev/null");
}

// True when some line starts (after blanks) with `option` followed by a blank,
// a comma or its end.
bool hasOptionLine(const std::string& text, const std::string& option) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos || line.compare(start, option.size(), option) != 0) continue;
        const size_t after = start + option.size();
        if (after == line.size() || line[after] == ' ' || line[after] == ',' || line[after] == '/') return true;
    }
    return false;
}

const std::string kCli = std::string(KORVANCE_BINARY_DIR) + "/src/cli/korvance-cli";

TEST(CliHelp, EachSubcommandListsEachOfItsOptions) {
    struct Row {
        const char* args;
        std::vector<std::string> options;
    };
    const Row rows[] = {
        {"--help", {"datums", "coord", "convert", "info", "receiver", "simulate-receiver", "nmea", "simulate-nmea", "map", "navigate"}},
        {"datums --help", {}},
        {"coord --help", {"--datum", "--from", "--to", "--parse"}},
        {"convert --help", {"--datum", "--utm", "--pot", "--code-page"}},
        {"info --help", {"--json", "--code-page"}},
        {"receiver --help",
         {"--port", "-o", "-i", "--route-number", "--model", "--datum", "--yes", "--limit", "--write-wait", "--debug"}},
        {"simulate-receiver --help", {"--profile", "--data", "--faults", "--moving"}},
        {"nmea --help", {"--port", "--baud", "--file", "--log", "--sentences", "--save-invalid", "--count", "--seconds"}},
        {"simulate-nmea --help", {"--rate", "--faults", "--lat", "--points", "--once", "--seconds"}},
        {"navigate --help",
         {"--nmea-file", "--nmea-port", "--baud", "--port", "--data", "--goto", "--route", "--invert", "--reach",
          "--alarm", "--unit", "--map", "--centering-always", "--log-interval", "--max-log", "--track-out",
          "--datum"}},
        {"map --help", {"make", "demo"}},
        {"map make --help", {"-o", "--tile", "--format", "--datum", "--list", "--priority", "--point"}},
        {"map demo --help", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        const korvance::testing::CommandResult r = run(kCli, row.args);
        EXPECT_EQ(r.code, 0);
        EXPECT_NE(r.out.find("usage: korvance-cli"), std::string::npos) << r.out;
        for (const std::string& option : row.options) EXPECT_TRUE(hasOptionLine(r.out, option)) << option << "\n" << r.out;
    }
}

TEST(CliHelp, VersionUnknownWordsAndDemoMaps) {
    const korvance::testing::CommandResult version = run(kCli, "--version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, std::string("korvance-cli ") + KORVANCE_VERSION + "\n");
    EXPECT_EQ(run(kCli, "frobnicate").code, 2);
    EXPECT_EQ(run(kCli, "map demo extra").code, 2);
    // map demo names the build tree's demo maps.
    const korvance::testing::CommandResult demo = run(kCli, "map demo");
    EXPECT_EQ(demo.code, 0);
    EXPECT_EQ(demo.out, std::string(KORVANCE_BINARY_DIR) + "/demo-maps\n");
}

#ifdef KORVANCE_HAS_GUI
TEST(CliHelp, ProgramHelpAndVersion) {
    const std::string program = std::string(KORVANCE_BINARY_DIR) + "/src/gui/korvance";
    const korvance::testing::CommandResult help = run(program, "--help");
    EXPECT_EQ(help.code, 0);
    for (const char* option : {"-h", "-v", "--demo"}) EXPECT_TRUE(hasOptionLine(help.out, option)) << option << "\n" << help.out;
    const korvance::testing::CommandResult version = run(program, "--version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, std::string("korvance ") + KORVANCE_VERSION + "\n");
}
#endif

}  // namespace
