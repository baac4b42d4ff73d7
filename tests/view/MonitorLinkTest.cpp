// The monitor link over a real Unix socket: records in order, a flood taken a
// budget at a time, partial and foreign records, monitors that go away, and a
// socket folder that is not ours.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "files/TempDir.h"
#include "view/MonitorLink.h"

using namespace korvance;
using korvance::testing::RuntimeDir;

namespace {

void sendAll(int fd, const std::vector<std::pair<uint32_t, int32_t>>& records, size_t cut = 0) {
    std::vector<uint8_t> bytes;
    for (auto [item, value] : records) {
        uint8_t r[kMonitorRecordSize];
        EncodeMonitorRecord(r, item, value);
        bytes.insert(bytes.end(), r, r + sizeof r);
    }
    bytes.resize(bytes.size() - cut);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

using Got = std::vector<std::pair<int32_t, int32_t>>;

}  // namespace

TEST(MonitorLink, RecordsFloodPartialAndGoneMonitors) {
    RuntimeDir runtime;
    MonitorLink link;
    std::string problem;
    ASSERT_TRUE(link.open(0xbeef, problem)) << problem;
    struct stat st {};
    ASSERT_EQ(::stat(MonitorFolder().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(MonitorSocketPath(0xbeef), MonitorFolder() + "/beef");

    Got got;
    auto take = [&](int32_t i, int32_t v) { got.emplace_back(i, v); };
    const int a = ConnectMonitor(0xbeef);
    ASSERT_GE(a, 0);
    // Little-endian records, negative values, an item beyond the signed range dropped,
    // and half a record kept until its other half comes.
    sendAll(a, {{101, 921600}, {102, -1843200}, {0x80000001u, 5}, {1, 0}, {103, 77}}, 3);
    EXPECT_EQ(link.poll(take), 4u);
    EXPECT_EQ(got, (Got{{101, 921600}, {102, -1843200}, {1, 0}}));
    const uint8_t rest[3] = {0, 0, 0};
    ASSERT_EQ(::write(a, rest, 3), 3);
    got.clear();
    link.poll(take);
    EXPECT_EQ(got, (Got{{103, 77}}));

    // A flood: each call hands out one budget, the rest waits.
    std::vector<std::pair<uint32_t, int32_t>> flood(5000, {104, 1});
    sendAll(a, flood);
    got.clear();
    EXPECT_EQ(link.poll(take, 64), 64u);
    EXPECT_TRUE(link.pending() || got.size() == 64);
    size_t total = 64;
    for (int i = 0; i < 200 && total < 5000; ++i) total += link.poll(take, 64);
    EXPECT_EQ(total, 5000u);

    // A monitor that goes away mid-record leaves nothing behind; a new one is heard.
    sendAll(a, {{101, 1}}, 4);
    ::close(a);
    got.clear();
    link.poll(take);
    link.poll(take);
    EXPECT_TRUE(got.empty());
    const int b = ConnectMonitor(0xbeef);
    ASSERT_GE(b, 0);
    sendAll(b, {{1, 0}});
    link.poll(take);
    EXPECT_EQ(got, (Got{{1, 0}}));
    ::close(b);
    link.close();
    EXPECT_FALSE(std::filesystem::exists(MonitorSocketPath(0xbeef)));
    EXPECT_EQ(ConnectMonitor(0xbeef), -1);
}

TEST(MonitorLink, RefusesAFolderOrSocketThatIsNotOurs) {
    RuntimeDir runtime;
    const std::string folder = MonitorFolder();
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);  // readable by others
    MonitorLink link;
    std::string problem;
    EXPECT_FALSE(link.open(0x10, problem));
    EXPECT_NE(problem.find("not a private folder"), std::string::npos) << problem;
    ASSERT_EQ(::chmod(folder.c_str(), 0700), 0);
    // A plain file where the socket would go is left alone.
    { std::ofstream(folder + "/10") << "x"; }
    EXPECT_FALSE(link.open(0x10, problem));
    EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/10"));
    if (::geteuid() == 0) {  // a folder owned by another user
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
        EXPECT_FALSE(link.open(0x11, problem));
        EXPECT_FALSE(std::filesystem::exists(folder + "/11"));
    }
}
