#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "files/TempDir.h"
#include "platform/PseudoTerminal.h"
#include "platform/SerialPort.h"

using namespace korvance;
using korvance::testing::TempDir;

TEST(SerialPort, FlushAndQueueCount) {
    PseudoTerminal pty;
    PosixSerialPort port;
    ASSERT_TRUE(port.open(pty.slavePath(), 4800));
    const uint8_t junk[] = {'$', 'G', 'P', 'R', 'M', 'C'};
    pty.writeAll(junk, sizeof junk);
    for (int i = 0; i < 100 && port.bytesQueued() < sizeof junk; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(port.bytesQueued(), sizeof junk);
    port.flushInput();
    EXPECT_EQ(port.bytesQueued(), 0u);
    EXPECT_EQ(port.readByte(20), -1);
}

TEST(SerialPort, WaitEndsOnDataOrWake) {
    PseudoTerminal pty;
    PosixSerialPort port;
    ASSERT_TRUE(port.open(pty.slavePath(), 4800));
    EXPECT_FALSE(port.waitForData(30));  // silence: times out

    std::thread waker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        port.wake();
    });
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.waitForData(-1));  // woken, no data
    waker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));

    const uint8_t b = 'x';
    pty.writeAll(&b, 1);
    EXPECT_TRUE(port.waitForData(1000));
    EXPECT_EQ(port.readByte(0), 'x');
}

TEST(SerialPort, OpenFailuresNameTheDevice) {
    PosixSerialPort port;
    EXPECT_FALSE(port.open("/nonexistent/ttyUSB9", 9600));
    EXPECT_NE(port.lastError().find("/nonexistent/ttyUSB9"), std::string::npos);
    EXPECT_FALSE(port.open("/dev/null", 9600));  // not a terminal
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.readByte(0), -1);
    EXPECT_EQ(resolveSerialDevice("/dev/pts/7", 1), "/dev/pts/7");
    EXPECT_EQ(serialDeviceForPort(0), "");
    EXPECT_EQ(serialDeviceForPort(1000), "");
}

// A device the user may not open names the group that may, or the administrator.
TEST(SerialPort, PermissionRemedyNamesTheOwningGroup) {
    TempDir dir;
    const std::string device = dir.file("ttyUSB0");
    std::fclose(std::fopen(device.c_str(), "w"));
    const group* g = getgrgid(getegid());
    ASSERT_NE(g, nullptr);
    const std::string own = g->gr_name;
    struct Row {
        mode_t mode;
        std::string expected;
    } rows[] = {
        {0660, getegid() == 0 ? " (ask the administrator for access to it)"
                              : " (members of the group \"" + own + "\" may use it: sudo usermod -aG " + own +
                                    " $USER, then log in again)"},
        {0600, " (ask the administrator for access to it)"},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(chmod(device.c_str(), row.mode), 0);
        EXPECT_EQ(permissionRemedy(device), row.expected) << std::oct << row.mode;
    }
    EXPECT_EQ(permissionRemedy(dir.file("none")), "");
}

// The GPS Setting dialog shows what a port stands for, with udev's stable name.
TEST(SerialPort, DescribedWithTheirStableNames) {
    TempDir dir;
    namespace fs = std::filesystem;
    const fs::path root = dir.path(), byId = root / "by-id";
    fs::create_directory(byId);
    for (const char* name : {"ttyUSB0", "ttyUSB1"}) std::fclose(std::fopen((root / name).c_str(), "w"));
    fs::create_symlink("../ttyUSB0", byId / "usb-Garmin_GPS_18x-if00-port0");
    fs::create_symlink("../ttyUSB0", byId / "usb-Garmin_GPS_18x-if01-port0");
    const std::string usb0 = (root / "ttyUSB0").string(), usb1 = (root / "ttyUSB1").string();
    struct Row {
        std::string device;
        int port;
        std::string expected;
    } rows[] = {
        {usb0, 1, usb0 + " (usb-Garmin_GPS_18x-if00-port0) (set by CommDevice)"},
        {usb1, 1, usb1 + " (set by CommDevice)"},
        {"", 1000, "none"},
    };
    for (const Row& row : rows) EXPECT_EQ(describeSerialPort(row.device, row.port, byId.string()), row.expected);
    EXPECT_EQ(serialByIdName(usb0, (root / "missing").string()), "");
}
