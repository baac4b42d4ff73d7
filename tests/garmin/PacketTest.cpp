#include <gtest/gtest.h>

#include "garmin/GarminPacket.h"

using namespace korvance;

TEST(GarminPacket, ChecksumAndStuffing) {
    struct Row {
        const char* what;
        uint8_t id;
        std::vector<uint8_t> data;
        std::vector<uint8_t> wire;
    };
    const Row rows[] = {
        {"empty product request", 254, {}, {0x10, 0xFE, 0x00, 0x02, 0x10, 0x03}},
        {"ACK of 0x22", 6, {0x22, 0}, {0x10, 0x06, 0x02, 0x22, 0x00, 0xD6, 0x10, 0x03}},
        {"data byte 0x10 doubled", 10, {0x10, 0x00}, {0x10, 0x0A, 0x02, 0x10, 0x10, 0x00, 0xE4, 0x10, 0x03}},
        // id 0x10 is never doubled; its checksum (0x10) is
        {"id 0x10 single", 0x10, {0xDF}, {0x10, 0x10, 0x01, 0xDF, 0x10, 0x10, 0x10, 0x03}},
        {"checksum 0x10 doubled", 6, {0xE8, 0}, {0x10, 0x06, 0x02, 0xE8, 0x00, 0x10, 0x10, 0x10, 0x03}},
    };
    for (const auto& r : rows) {
        Frame f = makeFrame(r.id, r.data);
        EXPECT_TRUE(checksumOk(f)) << r.what;
        EXPECT_EQ(stuffFrame(f), r.wire) << r.what;
    }
}

TEST(GarminPacket, DecoderFindsFramesInNoise) {
    struct Row {
        const char* what;
        std::vector<uint8_t> bytes;
        std::vector<Frame> frames;
    };
    const Frame ack = makeFrame(6, {0x22, 0});
    const Frame dle = makeFrame(10, {0x10, 0x00});
    std::vector<uint8_t> both = stuffFrame(ack);
    auto d = stuffFrame(dle);
    both.insert(both.end(), d.begin(), d.end());
    std::vector<uint8_t> noisy = {'$', 'G', 'P', 0x03, 0x10, 0x03};
    noisy.insert(noisy.end(), both.begin(), both.end());
    std::vector<uint8_t> badTrailer = stuffFrame(ack);
    badTrailer.back() = 0x04;
    // Size 0x10, and data chosen so that the checksum is 0x10 too: the size,
    // 15 data bytes and the checksum are doubled on the wire.
    std::vector<uint8_t> data(16, 0x10);
    data[0] = static_cast<uint8_t>(data[0] + makeFrame(35, data)[19] - 0x10);
    const Frame all = makeFrame(35, data);
    ASSERT_EQ(all[19], 0x10);
    EXPECT_EQ(stuffFrame(all).size(), all.size() + 17);
    const Row rows[] = {
        {"two frames", both, {ack, dle}},
        {"noise before", noisy, {ack, dle}},
        {"bad trailer dropped", badTrailer, {}},
        {"size, data and checksum 0x10", stuffFrame(all), {all}},
    };
    for (const auto& r : rows) {
        FrameDecoder dec;
        std::vector<Frame> got;
        for (uint8_t b : r.bytes)
            if (dec.feed(b)) got.push_back(dec.frame());
        EXPECT_EQ(got, r.frames) << r.what;
    }
}

TEST(GarminPacket, ReadersNeverPassTheFrame) {
    // A frame cut short (size says 200, 3 bytes present).
    Frame f = {0x10, 35, 200, 1, 2, 3};
    EXPECT_EQ(frameDataLength(f), 3u);
    EXPECT_EQ(frameByte(f, 10), 0);
    EXPECT_EQ(frameU32(f, 1), 0x0302u);
    EXPECT_FALSE(checksumOk(f));
    std::string line = describeFrame("recv", f);
    EXPECT_NE(line.find("waypoint"), std::string::npos);
}
