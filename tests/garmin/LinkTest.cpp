#include <gtest/gtest.h>

#include <filesystem>

#include "LinkFixture.h"
#include "files/TempDir.h"
#include "garmin/Identification.h"

using namespace korvance;
using namespace korvance::testing;

namespace {

void put(PseudoTerminal& pty, const Frame& f) {
    auto w = stuffFrame(f);
    ASSERT_TRUE(pty.writeAll(w.data(), w.size()));
}

std::vector<uint8_t> wire(const Frame& f) { return stuffFrame(f); }

std::vector<uint8_t> cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A link opened on a pseudo-terminal whose other end the test plays.
struct PtyLink {
    explicit PtyLink(int byteTimeoutMs = 200) : link(quickOptions(byteTimeoutMs), &clock) {
        EXPECT_TRUE(link.OpenPort(pty.slavePath()));
    }
    PseudoTerminal pty;
    FixedClock clock;
    GarminLink link;
};

}  // namespace

// What the receiving side writes back while it waits for a packet.
TEST(GarminLink, ReceiveAnswers) {
    const Frame good = makeFrame(35, {1, 0x10, 3});
    Frame bad = good;
    bad[bad.size() - 3] ^= 1;
    const std::vector<uint8_t> noise = {0x00, 0xFF, 0x03, 0x55, 0xAA};
    const auto ack = [](uint8_t id) { return wire(makeFrame(6, {id, 0})); };
    std::vector<uint8_t> ackAfterEachFailedRead;
    for (int i = 0; i < 99; ++i) ackAfterEachFailedRead = cat({ackAfterEachFailedRead, ack(34)});
    struct Row {
        const char* what;
        int byteTimeoutMs;
        uint8_t lastAcked;
        std::vector<uint8_t> input;
        Frame received;  // empty: the receive fails
        std::vector<uint8_t> written;
    };
    const Row rows[] = {
        {"a bad checksum gets a NAK (data: whatever was set last), the resend its ACK", 200, 0,
         cat({wire(bad), wire(good)}), good, cat({wire(makeFrame(21, {0, 0})), ack(35)})},
        {"a NAK gets the last ACK again", 200, 12, cat({wire(makeFrame(21, {34, 0})), wire(makeFrame(34, {9}))}),
         makeFrame(34, {9}), cat({ack(12), ack(34)})},
        // A repeated ACK would make the receiver send the packet again.
        {"noise gets no ACK", 20, 0, cat({noise, wire(makeFrame(34, {9}))}), makeFrame(34, {9}), ack(34)},
        {"silence: the previous ACK after each of the first 99 of 100 failed reads", 2, 34, {}, {},
         ackAfterEachFailedRead},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        PtyLink t(r.byteTimeoutMs);
        GarminLink::setLastAckedId(r.lastAcked);
        ASSERT_TRUE(r.input.empty() || t.pty.writeAll(r.input.data(), r.input.size()));
        Frame got;
        EXPECT_EQ(t.link.ReceivePacket(got), !r.received.empty());
        if (!r.received.empty()) {
            EXPECT_EQ(got, r.received);
            EXPECT_EQ(GarminLink::lastAckedId(), frameId(r.received));
        }
        EXPECT_EQ(drain(t.pty), r.written);
    }
}

TEST(GarminLink, SendRetriesUntilItsOwnPacketIsAcknowledged) {
    // The answers must come within one byte timeout of the second copy: 200 ms
    // as on a real line, so that a busy machine does not bring a third.
    PtyLink t(200);
    std::vector<uint8_t> copies;
    std::thread receiver([&] {
        // First copy unanswered; the second answered by noise, an ACK naming
        // another packet and only then the ACK of this one: the noise and the
        // stray ACK must not bring a third copy.
        copies = drain(t.pty, 2 * wire(commandFrame(7)).size(), 1000);
        const uint8_t noise[] = {0x00, 0xFF, 0x03, 0x55};
        t.pty.writeAll(noise, sizeof noise);
        put(t.pty, makeFrame(6, {99, 0}));
        put(t.pty, makeFrame(6, {10, 0}));
        auto more = drain(t.pty, SIZE_MAX, 200);
        copies.insert(copies.end(), more.begin(), more.end());
    });
    Frame reply;
    EXPECT_TRUE(t.link.SendPacket(commandFrame(7), &reply));
    receiver.join();
    EXPECT_EQ(frameByte(reply, 0), 10);
    EXPECT_EQ(copies.size(), 2 * wire(commandFrame(7)).size());
}

TEST(GarminLink, OversizedOrTruncatedFramesFailCleanly) {
    PtyLink t(20);
    // A frame announcing 255 data bytes that never come.
    const uint8_t cut[] = {0x10, 35, 0xFF, 1, 2, 3};
    t.pty.writeAll(cut, sizeof cut);
    Frame f;
    EXPECT_EQ(t.link.ReadPacket(f), 0u);
    EXPECT_TRUE(f.empty());
    // The longest possible frame is read whole.
    const Frame big = makeFrame(35, std::vector<uint8_t>(255, 0x10));
    put(t.pty, big);
    EXPECT_EQ(t.link.ReadPacket(f), 261u);
    EXPECT_EQ(f, big);
}

TEST(GarminLink, TrafficLogHoldsExactBytesAndTraceBesideIt) {
    TempDir dir;
    PseudoTerminal pty;
    FixedClock clock;
    LinkOptions o = quickOptions();
    o.debug = true;
    o.logPath = dir.file("commdbg.bin");
    const Frame ack = makeFrame(6, {10, 0});
    {
        GarminLink link(o, &clock);
        ASSERT_TRUE(link.OpenPort(pty.slavePath()));
        EXPECT_EQ(link.trafficLogPath(), o.logPath);
        put(pty, ack);
        ASSERT_TRUE(link.SendPacket(commandFrame(0x10)));
    }
    EXPECT_EQ(readBytes(o.logPath), cat({wire(commandFrame(0x10)), wire(ack)}));
    const std::string text = readText(dir.file("commdbg.txt"));
    EXPECT_NE(text.find("send id  10 command"), std::string::npos) << text;
    EXPECT_NE(text.find("recv id   6 ACK"), std::string::npos) << text;
    // A new link truncates the log.
    {
        GarminLink again(o, &clock);
    }
    EXPECT_EQ(std::filesystem::file_size(o.logPath), 0u);
}

TEST(GarminLink, SpeedNegotiation) {
    struct Row {
        const char* what;
        uint32_t limit;
        std::vector<uint32_t> offered;
        double factor;
        uint32_t expected;
        bool refuseCheck = false;
        SimProfile profile = SimProfile::New;
    };
    const Row rows[] = {
        {"cut to the limit, later lower entries ignored", 57600, {115200, 9600}, 1.0, 57600},
        {"first entry below a later one above the limit", 57600, {9600, 115200}, 1.0, 9600},
        {"highest offered under the limit", 115200, {9600, 19200, 38400, 57600, 115200}, 1.0, 115200},
        {"answer 5% off refused", 115200, {115200}, 1.05, 9600},
        {"limit 9600 asks nothing", 9600, {115200}, 1.0, 9600},
        {"odd speeds snapped", 115200, {9600, 38000}, 1.0, 38400},
        {"28800 cannot be set on this line", 115200, {28800, 19200}, 1.0, 19200},
        {"limit 14400 is 9600 here", 14400, {19200}, 1.0, 9600},
        {"a failed speed check falls back", 115200, {115200}, 1.0, 9600, true},
        {"a receiver of the model table asks nothing", 115200, {115200}, 1.0, 9600, false, SimProfile::Old},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        ReceiverSimulator sim(r.profile);
        sim.setSpeeds(r.offered);
        sim.setSpeedAnswerFactor(r.factor);
        sim.setRefuseSpeedCheck(r.refuseCheck);
        ASSERT_TRUE(sim.start());
        FixedClock clock;
        GarminLink link(quickOptions(r.refuseCheck ? 5 : 200), &clock);
        ASSERT_TRUE(link.OpenPort(sim.devicePath()));
        link.protocolMark = r.profile == SimProfile::Old ? 77 : 0;
        link.limitBaud = r.limit;
        EXPECT_EQ(link.RaiseBaudRate(), r.expected);
        EXPECT_EQ(link.port().baudRate(), r.expected);
        if (r.refuseCheck) continue;  // the receiver stays at the speed it was asked for
        EXPECT_EQ(sim.speed(), r.expected);
        if (r.profile == SimProfile::Old) {
            EXPECT_TRUE(sim.receivedIds().empty());
        }
        EXPECT_TRUE(link.RestoreBaudRate());
        EXPECT_EQ(link.port().baudRate(), 9600u);
        EXPECT_EQ(sim.speed(), 9600u);
    }
}

TEST(GarminLink, ClosedPortFailsAtOnce) {
    FixedClock clock;
    GarminLink link(quickOptions(), &clock);
    Frame f;
    EXPECT_FALSE(link.SendPacket(commandFrame(7)));
    EXPECT_FALSE(link.ReceivePacket(f));
    EXPECT_FALSE(link.RestoreBaudRate());
    EXPECT_FALSE(link.OpenPort("/dev/nonexistent-korvance"));
    EXPECT_NE(link.lastError().find("/dev/nonexistent-korvance"), std::string::npos);
}
