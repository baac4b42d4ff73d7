// korvance-cli convert and info, run in-process on real files.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <sstream>

#include <unistd.h>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "files/FileFormats.h"
#include "files/SampleDocument.h"
#include "files/TempDir.h"
#include "platform/testing/ScriptedPrompt.h"
#include "support/RunCommand.h"

using namespace korvance;
using namespace korvance::files;
using korvance::testing::TempDir;
using korvance::testing::writeText;

namespace {

using CliRun = korvance::testing::ProgramResult;

CliRun run(int (*sub)(cli::Args&, std::ostream&, std::ostream&), std::vector<std::string> words) {
    cli::Args args(std::move(words));
    std::ostringstream out, err;
    int code = sub(args, out, err);
    return {code, out.str(), err.str()};
}

// The sample document as a file of `dir`.
std::string writeSample(const TempDir& dir) {
    const std::string path = dir.file("sample.kvn");
    ScriptedPrompt prompt;
    EXPECT_TRUE(writeAnyFile(path, korvance::testing::SampleDocument().source(), FileOptions{}, prompt).ok);
    return path;
}

TEST(FilesCli, ConvertGpxAndTextThenInfo) {
    TempDir dir;
    const std::string kvn = writeSample(dir);
    const std::string gpx = dir.file("s.gpx"), back = dir.file("back.kvn"), txt = dir.file("w.txt");

    CliRun toGpx = run(cli::runConvert, {kvn, gpx, "--datum", "Tokyo"});
    ASSERT_EQ(toGpx.code, cli::kOk) << toGpx.err;
    EXPECT_EQ(toGpx.out, "wrote " + gpx + ": 3 track points in 2 segments, 2 waypoints, 1 route\n");
    CliRun fromGpx = run(cli::runConvert, {gpx, back, "--datum", "Tokyo"});
    ASSERT_EQ(fromGpx.code, cli::kOk) << fromGpx.err;

    CliRun toText = run(cli::runConvert, {kvn, txt});
    ASSERT_EQ(toText.code, cli::kOk);
    EXPECT_NE(toText.err.find("3 track points left out"), std::string::npos) << toText.err;
    EXPECT_NE(toText.err.find("1 route left out"), std::string::npos) << toText.err;

    CliRun info = run(cli::runInfo, {back, "--json"});
    ASSERT_EQ(info.code, cli::kOk) << info.err;
    nlohmann::json j = nlohmann::json::parse(info.out);
    EXPECT_EQ(j["kind"], "document");
    EXPECT_EQ(j["version"], 5);
    EXPECT_EQ(j["track"]["points"], 3);
    EXPECT_EQ(j["track"]["segments"], 2);
    EXPECT_EQ(j["waypoints"], 2);
    ASSERT_EQ(j["routes"].size(), 1u);
    EXPECT_EQ(j["routes"][0]["name"], "TO WORK");
    EXPECT_EQ(j["routes"][0]["waypoints"], 4);
    EXPECT_EQ(j["damaged"], false);

    // A GPX file names the version it declares.
    for (const char* version : {"1.0", "1.1"}) {
        const std::string declared = dir.file(std::string("v") + version + ".gpx");
        korvance::testing::writeText(declared, std::string("<gpx version=\"") + version + "\"><wpt lat=\"1\" lon=\"2\"/></gpx>");
        CliRun g = run(cli::runInfo, {declared});
        EXPECT_NE(g.out.find(std::string("version: ") + version + "\n"), std::string::npos) << g.out;
        CliRun gj = run(cli::runInfo, {declared, "--json"});
        EXPECT_EQ(nlohmann::json::parse(gj.out)["version"], version);
    }

    CliRun plain = run(cli::runInfo, {kvn});
    ASSERT_EQ(plain.code, cli::kOk);
    EXPECT_NE(plain.out.find("time-zone bias: -32400 s\n"), std::string::npos) << plain.out;
    EXPECT_NE(plain.out.find("  TO WORK: 4 waypoints\n"), std::string::npos) << plain.out;
}

// Failures on the command line name the file or device and give the
// system's reason in words, through the program itself: a full disk
// (/dev/full), a file-size limit, a folder that cannot be written, a device
// or file that does not exist (what the readers say of a file that is not what
// its name says is the document commands' and readers' tests); a command line
// the program cannot take exits with 2 and says why, or how it is used.
TEST(FilesCliProgram, FailuresSayWhichFileAndWhy) {
    TempDir dir;
    const std::string kvn = writeSample(dir);
    const std::string program = std::string(KORVANCE_BINARY_DIR) + "/src/cli/korvance-cli";
    writeText(dir.file("in.nme"), "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n");
    writeText(dir.file("README.txt"), "korvance, a moving map for GPS receivers and their data\n\n"
                                      "Build it with cmake, then run the tests, and read the docs\n");
    std::filesystem::create_directory(dir.file("ro"));
    std::filesystem::permissions(dir.file("ro"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    struct Row {
        std::string arguments;
        int code;
        std::string err;  // a line stderr must hold
        bool asRootToo = true;
    } rows[] = {
        {"nmea --file " + dir.file("in.nme") + " --log /dev/full", 0,
         "korvance-cli nmea: /dev/full: file write error: No space left on device; logging stopped"},
        {"convert " + kvn + " " + dir.file("big.gpx"), 1,
         "korvance-cli: " + dir.file("big.gpx") + ": File too large"},
        {"convert " + kvn + " " + dir.file("ro/out.gpx"), 1,
         "korvance-cli: " + dir.file("ro/out.gpx") + ": Permission denied", false},
        {"receiver info --port " + dir.file("no-such-tty"), 1,
         "korvance-cli receiver: " + dir.file("no-such-tty") + ": No such file or directory"},
        {"info " + dir.file("none.kvn"), 1,
         "korvance-cli info: " + dir.file("none.kvn") + ": cannot be read: No such file or directory"},
        {"info " + dir.file("x.kml"), 1,
         "korvance-cli info: " + dir.file("x.kml") + ": unknown file kind (use .kvn, .kv2, .pot, .txt or .gpx)"},
        {"convert " + kvn + " " + dir.file("x.kml"), 2,
         "korvance-cli convert: " + dir.file("x.kml") + ": unknown file kind (use .kvn, .kv2, .pot, .txt or .gpx)"},
        {"convert " + kvn + " " + dir.file("x.gpx") + " --datum 'Nowhere 99'", 2, "  (korvance-cli datums lists them all)"},
        {"convert " + kvn + " " + dir.file("x.pot") + " --pot all", 2,
         "korvance-cli convert: --pot takes track, waypoints or routes"},
        {"convert " + kvn + " " + dir.file("no/x.gpx"), 1, "korvance-cli: " + dir.file("no/x.gpx") + ": No such file or directory"},
        {"convert " + kvn, 2, "usage: korvance-cli convert IN OUT [--datum NAME] [--utm] [--pot track|waypoints|routes]"},
        {"info " + kvn + " --xml", 2, "usage: korvance-cli info FILE [--json] [--code-page NAME]"},
        {"convert " + dir.file("README.txt") + " " + dir.file("readme.gpx"), 0,
         "korvance-cli: " + dir.file("README.txt") + ": 2 lines without a readable position were skipped."},
    };
    for (const Row& r : rows) {
        if (!r.asRootToo && geteuid() == 0) continue;  // root writes into any folder
        // A shell that ignores SIGXFSZ and allows files of one 512-byte block: the
        // GPX file of the sample is larger, so its writing fails with EFBIG.
        const bool limited = r.arguments.find("big.gpx") != std::string::npos;
        const auto run = korvance::testing::RunProgram(
            "sh -c \"" + std::string(limited ? "trap '' XFSZ; ulimit -f 1; " : "") + "exec " + program + " " + r.arguments + "\"");
        ASSERT_NE(run.code, -1) << r.arguments;
        EXPECT_EQ(run.code, r.code) << r.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(r.err + "\n"), std::string::npos) << r.arguments << "\n" << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.gpx")));  // refused conversions write nothing
}

}  // namespace

// The program itself: a file name that is not UTF-8 still gives valid JSON
// (the bad byte becomes U+FFFD) and a normal exit.
TEST(FilesCli, InfoJsonOfAFileNameThatIsNotUtf8) {
    TempDir dir;
    const std::string path = dir.file("caf\xe9.kvn");
    std::filesystem::rename(writeSample(dir), path);
    const auto run = korvance::testing::RunCommand(std::string(KORVANCE_BINARY_DIR) + "/src/cli/korvance-cli info --json '" + path + "'");
    EXPECT_EQ(run.code, 0);
    const auto j = nlohmann::json::parse(run.out);  // throws on invalid UTF-8
    EXPECT_EQ(j["file"], dir.file("caf\xef\xbf\xbd.kvn"));
    EXPECT_EQ(j["waypoints"], 2);
}
