#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Coord.h"
#include "support/RunCommand.h"

namespace korvance::cli {
namespace {

using CliRun = korvance::testing::ProgramResult;

CliRun coord(std::vector<std::string> words, const std::string& defaultDatum = "WGS 84") {
    Args args(std::move(words));
    std::ostringstream out, err;
    int code = runCoordWithDefault(args, out, err, defaultDatum);
    return {code, out.str(), err.str()};
}

TEST(CoordCli, Conversions) {
    struct Case {
        std::vector<std::string> words;
        std::string out;
    };
    const Case cases[] = {
        {{"utm", "35", "139"}, "54S 317483.91 3874870.63\n"},
        {{"utm", "-33.9", "18.4"}, "34H 259583.22 6245888.05\n"},
        {{"utm", "35", "180"}, "1S 226201.90 3877156.69\n"},
        {{"utm", "35", "-180"}, "1S 226201.90 3877156.69\n"},
        {{"latlon", "54S", "317483.906", "3874870.635"}, "35.000000003 138.999999997\n"},
        {{"latlon", "34h", "259583.22", "6245888.05"}, "-33.899999959 18.399999986\n"},
        {{"shift", "--from", "WGS 84", "--to", "Tokyo", "35", "139"}, "34.996665536 139.003056691 -0.467\n"},
        {{"shift", "--to", "WGS 84", "--from", "WGS 84", "35", "139", "12.5"}, "35.000000000 139.000000000 12.500\n"},
        {{"distance", "0", "0", "0", "1"}, "111.319491\n"},
        {{"distance", "35", "139", "35", "139"}, "0.000000\n"},
        {{"distance", "0", "0", "0", "1", "--datum", "Tokyo"}, "111.306578\n"},
        {{"dms", "35.5043"}, "35^30'15.48\"\n"},
        {{"dms", "-139.7654321"}, "-139^45'55.56\"\n"},
        {{"dms", "--parse", "-0^30'00.00\""}, "-0.500000000\n"},
        {{"dms", "--parse", "N35.25"}, "35.250000000\n"},
        // Degree text and hemisphere letters on the command line.
        {{"distance", "35^30'15.48\"N", "139E", "35.5043", "139"}, "0.000000\n"},
        {{"utm", "33.9S", "18.4E"}, "34H 259583.22 6245888.05\n"},
        {{"utm", "S33^54'", "E18^24'"}, "34H 259583.22 6245888.05\n"},
        {{"utm", "35\xC2\xB0", "139\xC2\xB0"}, "54S 317483.91 3874870.63\n"},
    };
    for (const Case& c : cases) {
        CliRun r = coord(c.words);
        EXPECT_EQ(r.code, kOk) << c.words[0] << " " << r.err;
        EXPECT_EQ(r.out, c.out) << c.words[0] << " " << c.words[1];
    }
}

TEST(CoordCli, DefaultDatumIsTheSetting) {
    CliRun tokyo = coord({"utm", "35", "139"}, "Tokyo");
    CliRun wgs = coord({"utm", "35", "139", "--datum", "Tokyo"});
    EXPECT_EQ(tokyo.code, kOk);
    EXPECT_EQ(tokyo.out, wgs.out);
    EXPECT_NE(tokyo.out, coord({"utm", "35", "139"}).out);
}

TEST(CoordCli, UsageErrorsAndFailures) {
    struct Case {
        std::vector<std::string> words;
        int code;
        std::string errContains;
    };
    const Case cases[] = {
        {{}, kUsage, "usage"},
        {{"utm", "35"}, kUsage, "LAT LON"},
        {{"utm", "95", "10"}, kUsage, "latitude 95"},
        {{"utm", "x", "10"}, kUsage, "not a number"},
        {{"utm", "35abc", "10"}, kUsage, "not a number"},
        {{"utm", "35E", "10"}, kUsage, "not a number"},
        {{"utm", "-35S", "10"}, kUsage, "not a number"},
        {{"utm", "35", "10N"}, kUsage, "not a number"},
        {{"utm", "35", "139", "--datum", "wgs84"}, kUsage, "nearest names: \"WGS 84\""},
        {{"utm", "35", "139", "--datum"}, kUsage, "--datum needs"},
        {{"utm", "35", "139", "--bogus"}, kUsage, "unknown option --bogus"},
        {{"latlon", "61N", "500000", "0"}, kUsage, "zone and band"},
        {{"latlon", "31I", "500000", "0"}, kUsage, "zone and band"},
        {{"latlon", "31N", "1e12", "0"}, kFailed, "does not converge"},
        {{"shift", "--from", "Tokio", "35", "139"}, kUsage, "\"Tokyo\""},
        {{"shift", "--from", "Tokyo", "35"}, kUsage, "LAT LON"},
        {{"dms"}, kUsage, "one VALUE"},
        {{"dms", "1e300"}, kFailed, "no degrees-minutes-seconds"},
        {{"frobnicate"}, kUsage, "unknown action"},
    };
    for (const Case& c : cases) {
        CliRun r = coord(c.words);
        std::string joined;
        for (const auto& w : c.words) joined += w + " ";
        EXPECT_EQ(r.code, c.code) << joined;
        EXPECT_NE(r.err.find(c.errContains), std::string::npos) << joined << ": " << r.err;
        EXPECT_EQ(r.out, "") << joined;
    }
    CliRun help = coord({"utm", "--help"});
    EXPECT_EQ(help.code, kOk);
    EXPECT_NE(help.out.find("usage: korvance-cli coord"), std::string::npos);
}

TEST(DatumsCli, ListsTheTableInOrder) {
    Args args({});
    std::ostringstream out, err;
    EXPECT_EQ(runDatums(args, out, err), kOk);
    std::string text = out.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 124);
    EXPECT_EQ(text.substr(0, 8), "Adindan\n");
    EXPECT_NE(text.find("\nTokyo\n"), std::string::npos);
    Args extra({"x"});
    EXPECT_EQ(runDatums(extra, out, err), kUsage);
}

}  // namespace
}  // namespace korvance::cli
