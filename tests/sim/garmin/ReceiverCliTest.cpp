// korvance-cli receiver, run as a program against the receiver simulator (the
// simulator as a program, serving until its input closes, is the navigate test's).

#include <gtest/gtest.h>
#include <locale.h>
#include <string.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <atomic>
#include <thread>

#include "files/TempDir.h"
#include "platform/PseudoTerminal.h"
#include "sim/garmin/ReceiverData.h"
#include "sim/garmin/ReceiverSimulator.h"
#include "support/RunCommand.h"
#include "support/TrackPoints.h"

using namespace korvance;

namespace {

const std::string kCli = std::string(KORVANCE_BINARY_DIR) + "/src/cli/korvance-cli";
// A track whose GPX outgrows the file size limit while its receiver data fits.
constexpr uint32_t kKeptTrackPoints = 1500;
constexpr int kKeptFileLimitBlocks = 250;  // of 512 bytes

const korvance::testing::TempDir kScratch;

// Runs the program with `args`; `shellSetup` runs first in the same shell.
korvance::testing::ProgramResult cli(const std::string& args, const std::string& shellSetup = "") {
    return korvance::testing::RunProgram((shellSetup.empty() ? "" : shellSetup + " ") + "timeout 120 " + kCli + " " +
                                         args + " --write-wait 0 < /dev/null");
}

}  // namespace

TEST(ReceiverCli, InfoNamesTheProtocol) {
    ReceiverSimulator sim(SimProfile::New);
    ASSERT_TRUE(sim.start());
    auto r = cli("receiver info --port " + sim.devicePath());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("product 130 version 3.70"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("protocol array: yes"), std::string::npos);
    EXPECT_NE(r.out.find("track points D301"), std::string::npos) << r.out;
}

// What the program makes of the identification's question (its outcomes are
// Identification.Outcomes').
TEST(ReceiverCli, IdentificationAnswers) {
    struct Row {
        const char* what;
        const char* options;
        int code;
        const char* says;
    };
    const Row rows[] = {
        {"other model, no answer", "--model GPS12", 1, "--yes"},
        {"other model, --no", "--model GPS12 --no", 1, "Mismatch GPS Type."},
        {"other model, --yes", "--model GPS12 --yes", 0, "Mismatch GPS Type."},
    };
    for (const auto& row : rows) {
        ReceiverSimulator sim(SimProfile::Old);
        ASSERT_TRUE(sim.start());
        const auto out = kScratch.file("w.gpx");
        auto r = cli("receiver download waypoints --port " + sim.devicePath() + " " + row.options + " -o " + out);
        EXPECT_EQ(r.code, row.code) << row.what << ": " << r.err;
        EXPECT_NE(r.err.find(row.says), std::string::npos) << row.what << ": " << r.err;
    }
}

TEST(ReceiverCli, DownloadThenUploadElsewhere) {
    ReceiverSimulator from(SimProfile::New), to(SimProfile::New);
    ASSERT_TRUE(from.start());
    ASSERT_TRUE(to.start());
    for (const char* what : {"track", "waypoints", "routes"}) {
        const std::string file = kScratch.file(std::string(what) + ".kvn");
        auto d = cli("receiver download " + std::string(what) + " --limit 9600 --port " + from.devicePath() + " -o " + file);
        ASSERT_EQ(d.code, 0) << what << ": " << d.err;
        auto u = cli("receiver upload " + std::string(what) + " --limit 9600 --port " + to.devicePath() + " -i " + file);
        ASSERT_EQ(u.code, 0) << what << ": " << u.err;
    }
    const auto ups = to.uploads();
    ASSERT_EQ(ups.size(), 4u);  // two routes travel in two exchanges
    for (const auto& u : ups) EXPECT_TRUE(u.accepted) << u.reason;
    const ReceiverData a = from.data(), b = to.data();
    ASSERT_EQ(b.track.size(), a.track.size());
    EXPECT_NEAR(b.track[23].latitude, a.track[23].latitude, 1e-6);
    EXPECT_EQ(b.track[23].segment, 2);
    EXPECT_EQ(b.routes[1].waypoints.size(), a.routes[1].waypoints.size());
}

TEST(ReceiverCli, PositionAndFailures) {
    ReceiverSimulator sim(SimProfile::New);
    sim.setPosition(12.5, -45.25, 1600000000);
    ASSERT_TRUE(sim.start());
    auto p = cli("receiver position --port " + sim.devicePath());
    EXPECT_EQ(p.code, 0) << p.err;
    EXPECT_EQ(p.out, "12.5000000 -45.2500000 1600000000\n");

    // A device that is no serial line: the reason once, for info and for a transfer alike.
    for (const std::string& args : {std::string("receiver info --port /dev/null"),
                                    "receiver download track --port /dev/null -o " + kScratch.file("t.gpx")}) {
        auto notSerial = cli(args);
        EXPECT_EQ(notSerial.code, 1);
        const size_t first = notSerial.err.find("not a serial device");
        ASSERT_NE(first, std::string::npos) << notSerial.err;
        EXPECT_EQ(notSerial.err.find("not a serial device", first + 1), std::string::npos) << notSerial.err;
    }

    auto usage = cli("receiver download nothing --port x");
    EXPECT_EQ(usage.code, 2);
}

// A long download is not thrown away when its file cannot be written at the
// end: under a file size limit the GPX fails with the system's reason (also
// beside it and in the temporary folder), and the smaller receiver data
// keeps the track, in a file the program names.
TEST(ReceiverCli, DownloadIsKeptWhenItsFileCannotBeWritten) {
    ReceiverData data = BuiltinReceiverData(SimProfile::New);
    data.track = korvance::testing::pointsAlong(kKeptTrackPoints, 47.123456789, 8.987654321, 1e-5, -1e-5, 900000000u, 1, 412.5f);
    ReceiverSimulator sim(SimProfile::New, data);
    ASSERT_TRUE(sim.start());
    const std::filesystem::path dir = kScratch.file("kept");
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    // The signal of an oversized write is ignored, so the write fails with EFBIG.
    auto r = cli("receiver download track --port " + sim.devicePath() + " -o " + (dir / "t.gpx").string(),
                   "trap '' XFSZ; ulimit -f " + std::to_string(kKeptFileLimitBlocks) + "; TMPDIR=" + dir.string());
    EXPECT_EQ(r.code, 1) << r.err;
    // The command line speaks the C library's untranslated texts whatever the test's locale.
    const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    EXPECT_NE(r.err.find((dir / "t.gpx").string() + ": " + strerror_l(EFBIG, c)), std::string::npos) << r.err;
    freelocale(c);
    const std::string kept = (dir / ("t-kept-")).string();
    const std::string says = "korvance-cli receiver: the download was kept in ";
    const size_t at = r.err.find(says);
    ASSERT_NE(at, std::string::npos) << r.err;
    const std::string path = r.err.substr(at + says.size(), r.err.find('\n', at) - at - says.size());
    EXPECT_EQ(path.rfind(kept, 0), 0u) << path;
    EXPECT_EQ(std::filesystem::path(path).extension(), ".rcv");
    ReceiverData back;
    std::string problem;
    ASSERT_TRUE(ReadReceiverData(path, back, problem)) << problem;
    ASSERT_EQ(back.track.size(), data.track.size());
    EXPECT_NEAR(back.track.back().latitude, data.track.back().latitude, 1e-6);  // the link carries semicircles
    EXPECT_EQ(back.track.back().time, data.track.back().time);
    for (const auto& e : std::filesystem::directory_iterator(dir))
        EXPECT_TRUE(e.path().string() == path) << "left behind: " << e.path();
    std::filesystem::remove_all(dir);
}

TEST(ReceiverCli, NmeaOnTheLineIsDiagnosed) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.ok());
    std::atomic<bool> done{false};
    std::thread talker([&] {
        const std::string s = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
        while (!done) {
            pty.writeAll(reinterpret_cast<const uint8_t*>(s.data()), s.size());
            uint8_t sink[256];
            pty.read(sink, sizeof sink, 50);
        }
    });
    auto r = cli("receiver download track --port " + pty.slavePath() + " -o " + kScratch.file("n.gpx"));
    done = true;
    talker.join();
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("communication error."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("the receiver seems to send NMEA: set its interface format to Garmin"), std::string::npos)
        << r.err;
}
