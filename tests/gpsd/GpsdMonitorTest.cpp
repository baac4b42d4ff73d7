// korvance-gpsd-monitor: gpsd's reports read as the monitor reads them, and
// the program itself against a real gpsd fed by gpsfake, posting to a real
// monitor link, across a restart of gpsd; then the servers it cannot use.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/TempDir.h"
#include "gpsd/GpsdReports.h"
#include "nmea/NmeaParser.h"
#include "sim/nmea/NmeaSource.h"
#include "support/RequireTool.h"
#include "view/CKorvanceView.h"
#include "view/MonitorLink.h"

extern char** environ;

using namespace korvance;
using korvance::testing::readText;
using korvance::testing::RuntimeDir;
using korvance::testing::TempDir;
using namespace std::chrono_literals;

namespace {

constexpr int32_t units(double degrees) { return static_cast<int32_t>(degrees / kMonitorDegreesPerUnit + (degrees < 0 ? -0.5 : 0.5)); }

TEST(GpsdReports, LinesOfTheDaemon) {
    using K = GpsdReport::Kind;
    const std::optional<int32_t> none;
    const int32_t jan8 = 1767875730;  // 2026-01-08 12:35:30 UTC
    struct Row {
        const char* line;
        K kind;
        GpsdFix fix;
    } rows[] = {
        // 3D: height above sea level (altMSL, or "alt" of older daemons), unknown keys ignored
        {R"({"class":"TPV","device":"/dev/pts/3","mode":3,"time":"2026-01-08T12:35:30.000Z","lat":48.117483333,)"
         R"("lon":11.516818333,"altHAE":598.9,"altMSL":552.4,"alt":552.4,"speed":9.98,"newkey":[1,{"x":2}]})",
         K::Fix, {units(48.117483333), units(11.516818333), 552, jan8}},
        {R"({"class":"TPV","mode":3,"time":"2026-01-08T12:35:30Z","lat":-33.5,"lon":-70.25,"alt":-3.6})", K::Fix,
         {units(-33.5), units(-70.25), -4, jan8}},
        // 2D: no height even when one is given; time as Unix seconds (early daemons)
        {R"({"class":"TPV","mode":2,"time":1767875730.9,"lat":1.0,"lon":2.0,"altMSL":99})", K::Fix,
         {921600, 1843200, none, jan8}},
        // no time, or a time that is not one
        {R"({"class":"TPV","mode":2,"lat":0,"lon":180})", K::Fix, {0, units(180), none, none}},
        {R"({"class":"TPV","mode":2,"time":"2026-01-08 12:35:30Z","lat":0,"lon":0})", K::Fix, {0, 0, none, none}},
        {R"({"class":"TPV","mode":2,"time":"2026-02-30T12:35:30.5Z","lat":0,"lon":0})", K::Fix, {0, 0, none, none}},
        {R"({"class":"TPV","mode":2,"time":"2026-01-08T12:35:30.Z","lat":0,"lon":0})", K::Fix, {0, 0, none, none}},
        // no fix, no position, a position out of range, a mode that is text
        {R"({"class":"TPV","mode":1,"lat":1,"lon":2})", K::Ignored, {}},
        {R"({"class":"TPV","device":"/dev/pts/3","mode":3,"epv":48.3,"eph":24.7})", K::Ignored, {}},
        {R"({"class":"TPV","mode":3,"lat":91,"lon":2})", K::Ignored, {}},
        {R"({"class":"TPV","mode":"3","lat":1,"lon":2})", K::Ignored, {}},
        {R"({"class":"TPV","mode":3,"lat":"1","lon":2})", K::Ignored, {}},
        // other classes; lines that are no reports
        {R"({"class":"SKY","satellites":[]})", K::Ignored, {}},
        {R"({"class":"NEWCLASS"})", K::Ignored, {}},
        {R"({"class":"TPV","mode":3)", K::Invalid, {}},
        {R"(["class","TPV"])", K::Invalid, {}},
        {R"({"mode":3,"lat":1,"lon":2})", K::Invalid, {}},
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A", K::Invalid, {}},
        {"", K::Invalid, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        const GpsdReport got = ParseGpsdReport(r.line);
        EXPECT_EQ(got.kind, r.kind);
        if (r.kind == K::Fix) {
            EXPECT_EQ(got.fix, r.fix);
        }
    }

    const GpsdReport v = ParseGpsdReport(R"({"class":"VERSION","release":"3.22","rev":"3.22","proto_major":3,"proto_minor":14})");
    EXPECT_EQ(v.kind, K::Version);
    EXPECT_EQ(v.protoMajor, 3);
    EXPECT_EQ(v.protoMinor, 14);
    EXPECT_EQ(v.text, "3.22");
    const GpsdReport e = ParseGpsdReport(R"({"class":"ERROR","message":"Unrecognized request 'WATCHX'"})");
    EXPECT_EQ(e.kind, K::Error);
    EXPECT_EQ(e.text, "Unrecognized request 'WATCHX'");

    struct Server {
        const char* text;
        bool ok;
        const char* host;
        int port;
    } servers[] = {
        {"localhost:2947", true, "localhost", 2947}, {"gps.lan", true, "gps.lan", 2947},
        {"10.0.0.2:3000", true, "10.0.0.2", 3000},   {":4000", true, "localhost", 4000},
        {"[::1]:2948", true, "::1", 2948},           {"[fe80::1]", true, "fe80::1", 2947},
        {"::1", true, "::1", 2947},                  {"host:", false, "", 0},
        {"host:0", false, "", 0},                    {"host:65536", false, "", 0},
        {"host:12x", false, "", 0},                  {"[::1", false, "", 0},
        {"[::1]2947", false, "", 0},                 {"gps:lan:2947", false, "", 0},
    };
    for (const Server& s : servers) {
        SCOPED_TRACE(s.text);
        std::string host;
        int port = 0;
        ASSERT_EQ(ParseGpsdServer(s.text, host, port), s.ok);
        if (s.ok) {
            EXPECT_EQ(host, s.host);
            EXPECT_EQ(port, s.port);
        }
    }
}

// ------------------------------------------------------------ the program

const char* const kMonitor = KORVANCE_BINARY_DIR "/src/gpsd/korvance-gpsd-monitor";

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// A program started with its output in a file; `group` puts it and its
// children (gpsfake's gpsd) into a process group of their own.
struct Child {
    pid_t pid = -1;
    bool group = false;

    Child(const std::vector<std::string>& args, const std::string& output, bool ownGroup = false,
          const std::vector<std::string>& moreEnvironment = {})
        : group(ownGroup) {
        std::vector<char*> argv, env;
        for (char** e = environ; *e; ++e) env.push_back(*e);
        for (const std::string& e : moreEnvironment) env.push_back(const_cast<char*>(e.c_str()));
        env.push_back(nullptr);
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&files, 1, output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_adddup2(&files, 1, 2);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, group ? POSIX_SPAWN_SETPGROUP : 0);
        if (::posix_spawnp(&pid, argv[0], &files, &attr, argv.data(), env.data()) != 0) pid = -1;
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&files);
    }
    ~Child() { kill(); }

    // The exit code once it has ended within `limit`; -1 when it has not
    // (or ended by a signal).
    int wait(std::chrono::milliseconds limit) {
        int status = 0;
        if (!waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, limit)) return -1;
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Killed with its whole group, and every member reaped: this process is
    // a subreaper, so the members orphaned by the leader's end come to it.
    void kill() {
        if (pid <= 0) return;
        ::kill(group ? -pid : pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        while (group && ::waitpid(-pid, &status, 0) > 0) {
        }
        pid = -1;
    }
};

// A socket listening on a free loopback port.
int listenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 1) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(a.sin_port);
    return fd;
}

int freePort() {
    int port = -1;
    if (const int fd = listenOnLoopback(port); fd >= 0) ::close(fd);
    return port;
}

// Whether something listens on the TCP port, seen in the kernel's table
// without connecting: the monitor is to be gpsd's only client.
bool listening(int port) {
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string slot, local, remote, state;
            words >> slot >> local >> remote >> state;
            const size_t colon = local.rfind(':');
            if (state == "0A" && colon != std::string::npos &&
                std::strtol(local.c_str() + colon + 1, nullptr, 16) == port)
                return true;
        }
    }
    return false;
}


// One committed position as the view keeps it; height and time only when
// they came with this position.
struct Seen {
    int32_t latitude = 0, longitude = 0;
    std::optional<int32_t> height, time;
    friend bool operator==(const Seen&, const Seen&) = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& s) {
    return os << "(" << s.latitude << ", " << s.longitude << ", h " << (s.height ? std::to_string(*s.height) : "-")
              << ", t " << (s.time ? std::to_string(*s.time) : "-") << ")";
}

// The view's end of the link: every commit with what came before it.
struct View {
    MonitorLink link;
    std::vector<Seen> seen;
    Seen current;

    void poll() {
        link.poll([this](int32_t item, int32_t value) {
            switch (item) {
                case kMonitorLatitude: current.latitude = value; break;
                case kMonitorLongitude: current.longitude = value; break;
                case kMonitorHeight: current.height = value; break;
                case kMonitorTime: current.time = value; break;
                case kMonitorCommit:
                    seen.push_back(current);
                    current.height.reset();
                    current.time.reset();
                    break;
                default: break;
            }
        });
    }
    bool until(const Seen& last, std::chrono::milliseconds limit) {
        return waitFor([&] {
            poll();
            return !seen.empty() && seen.back().latitude == last.latitude && seen.back().longitude == last.longitude;
        }, limit);
    }
};

// An NMEA log of `count` one-second epochs (GGA, GSA, GSV, RMC, VTG) from
// `utc` on, and the positions it holds, read back from its own text.
std::vector<Seen> writeLog(const std::string& path, int count, double latitude, double longitude, int64_t utc) {
    std::vector<NmeaTrackPoint> track = BuiltinNmeaTrack(count, latitude, longitude, 36.0);
    NmeaEpochWriter writer;
    std::ofstream out(path, std::ios::binary);
    std::vector<Seen> expected;
    NmeaFix fix;
    for (int i = 0; i < count; ++i) {
        track[i].utc = utc + i;
        const std::string text = writer.epoch(track[i], i).text;
        out << text;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (ParseSentence(fix, line) == kNmeaRmc)
                expected.push_back({units(fix.latitude), units(fix.longitude),
                                    static_cast<int32_t>(std::lround(fix.altitude)), static_cast<int32_t>(fix.utcTime)});
        }
    }
    return expected;
}

// `got` from `at` on: a run of `log` that ends with its last position, no
// position skipped, repeated or made up; heights and times, where they came,
// are the log's. Returns how many positions of `got` it took.
size_t expectTailOf(const std::vector<Seen>& got, size_t at, const std::vector<Seen>& log, const char* name) {
    EXPECT_LT(at, got.size()) << "no position of " << name << " arrived";
    if (at >= got.size()) return 0;
    size_t first = 0;
    while (first < log.size() && (log[first].latitude != got[at].latitude || log[first].longitude != got[at].longitude))
        ++first;
    EXPECT_LT(first, log.size()) << got[at] << " is not a position of " << name;
    if (first >= log.size()) return 0;
    // gpsd needs a few epochs to learn the receiver; the rest must all come.
    EXPECT_LE(first, log.size() / 2) << "too few positions of " << name << " arrived";
    size_t n = 0;
    for (size_t k = first; k < log.size(); ++k, ++n) {
        if (at + n >= got.size()) {
            ADD_FAILURE() << name << " ends before its last position";
            return n;
        }
        const Seen& g = got[at + n];
        EXPECT_EQ(g.latitude, log[k].latitude) << name << " epoch " << k;
        EXPECT_EQ(g.longitude, log[k].longitude) << name << " epoch " << k;
        if (g.height) {
            EXPECT_EQ(g.height, log[k].height) << name << " epoch " << k;
        }
        EXPECT_EQ(g.time, log[k].time) << name << " epoch " << k;
    }
    EXPECT_TRUE(got[at + n - 1].height.has_value()) << "the last position of " << name << " has no height";
    return n;
}

std::unique_ptr<Child> startGpsfake(const TempDir& dir, int port, const std::string& log) {
    // -1: the log once, then gpsd ends; -c: a pause after each sentence, so an
    // epoch of seven sentences takes over half a second.
    // TMPDIR: where gpsfake puts its control socket.
    return std::make_unique<Child>(std::vector<std::string>{"gpsfake", "-1", "-q", "-c", "0.08", "-P", std::to_string(port), log},
                                   dir.file("gpsfake.out"), true, std::vector<std::string>{"TMPDIR=" + dir.path()});
}

TEST(GpsdMonitor, TheViewGetsTheLogsPositionsAcrossARestartOfGpsd) {
    KORVANCE_REQUIRE_TOOL("gpsfake");
    // gpsd outlives a killed gpsfake for a moment; this process reaps it.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    RuntimeDir runtime;
    TempDir dir;
    View view;
    std::string problem;
    ASSERT_TRUE(view.link.open(0x6a5d, problem)) << problem;

    const std::vector<Seen> first = writeLog(dir.file("first.nme"), 14, 48.1173, 11.5166, 1767873600);  // 2026-01-08 12:00
    const std::vector<Seen> second = writeLog(dir.file("second.nme"), 14, -33.45, -70.66, 1767877200);
    ASSERT_EQ(first.size(), 14u);
    ASSERT_EQ(second.size(), 14u);

    const int port = freePort();
    ASSERT_GT(port, 0);
    auto gpsd = startGpsfake(dir, port, dir.file("first.nme"));
    ASSERT_GT(gpsd->pid, 0);
    ASSERT_TRUE(waitFor([&] { return listening(port); }, 15s)) << readText(dir.file("gpsfake.out"));
    const std::string server = "127.0.0.1:" + std::to_string(port);
    Child monitor({kMonitor, "KorvanCE", "6a5d", server}, dir.file("monitor.err"));
    ASSERT_GT(monitor.pid, 0);
    EXPECT_TRUE(view.until(first.back(), 30s)) << readText(dir.file("monitor.err")) << readText(dir.file("gpsfake.out"));

    // gpsd goes away (at the end of its log, or now) and comes back on the same port.
    gpsd->kill();
    ASSERT_FALSE(listening(port));
    gpsd = startGpsfake(dir, port, dir.file("second.nme"));
    EXPECT_TRUE(view.until(second.back(), 40s)) << readText(dir.file("monitor.err")) << readText(dir.file("gpsfake.out"));
    gpsd->kill();

    std::ostringstream all;
    for (const Seen& s : view.seen) all << s << "\n";
    SCOPED_TRACE("positions that arrived:\n" + all.str());
    const size_t took = expectTailOf(view.seen, 0, first, "the first log");
    EXPECT_EQ(took + expectTailOf(view.seen, took, second, "the second log"), view.seen.size()) << "positions made up";
    const std::string err = readText(dir.file("monitor.err"));
    EXPECT_NE(err.find("connected to gpsd 3."), std::string::npos) << err;
    EXPECT_NE(err.find(server + ": gpsd closed the connection; trying again in 1 s"), std::string::npos) << err;

    // The view closes the link: the monitor ends at once, content.
    view.link.close();
    EXPECT_EQ(monitor.wait(5s), 0) << readText(dir.file("monitor.err"));
}

TEST(GpsdMonitor, SaysWhyAServerCannotBeUsed) {
    RuntimeDir runtime;
    TempDir dir;
    View view;
    std::string problem;
    ASSERT_TRUE(view.link.open(0x77, problem)) << problem;

    // Nobody listens at the server of the settings file: each attempt names
    // it and the system's reason; SIGTERM ends the monitor.
    const int port = freePort();
    const std::string server = "127.0.0.1:" + std::to_string(port);
    std::ofstream(dir.file("korvance.ini")) << "[SOFTWARE/Ostrel/Korvance]\nGpsdServer=" << server << "\n";
    Child refused({kMonitor, "KorvanCE", "77"}, dir.file("refused.err"), false,
                  {"KORVANCE_SETTINGS_FILE=" + dir.file("korvance.ini")});
    EXPECT_TRUE(waitFor([&] { return readText(dir.file("refused.err")).find("trying again in 2 s") != std::string::npos; }, 10s));
    EXPECT_NE(readText(dir.file("refused.err")).find(server + ": Connection refused; trying again in 1 s"), std::string::npos)
        << readText(dir.file("refused.err"));
    ::kill(refused.pid, SIGTERM);
    EXPECT_EQ(refused.wait(3s), 0);

    // A server of another major protocol is refused with a failure.
    int otherPort = 0;
    const int listener = listenOnLoopback(otherPort);
    ASSERT_GE(listener, 0);
    const std::string other = "127.0.0.1:" + std::to_string(otherPort);
    Child monitor({kMonitor, "KorvanCE", "77", other}, dir.file("other.err"));
    pollfd p{listener, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 10000), 1);
    const int client = ::accept(listener, nullptr, nullptr);
    const std::string version = R"({"class":"VERSION","release":"9.1","proto_major":4,"proto_minor":2})" "\n";
    ASSERT_EQ(::write(client, version.data(), version.size()), static_cast<ssize_t>(version.size()));
    EXPECT_EQ(monitor.wait(5s), 1);
    EXPECT_NE(readText(dir.file("other.err")).find(other + " speaks gpsd protocol 4.2; this monitor knows protocol 3 only"),
              std::string::npos)
        << readText(dir.file("other.err"));
    ::close(client);
    ::close(listener);

    // Without korvance's link there is nothing to do.
    Child alone({kMonitor, "KorvanCE", "78"}, dir.file("alone.err"));
    EXPECT_EQ(alone.wait(5s), 1);
    EXPECT_NE(readText(dir.file("alone.err")).find("nobody listens for token 78"), std::string::npos);
}

}  // namespace
