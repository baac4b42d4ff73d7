// Line framing: rows of bytes in, the lines (or rejections) that come out.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nmea/NmeaLineBuffer.h"
#include "sim/nmea/NmeaSentences.h"

namespace korvance {
namespace {

// Feeds `input` in one chunk and takes lines until none is left: "+line" for
// a good one, "-" for a rejected one.
std::vector<std::string> framed(NmeaLineBuffer& buffer, const std::string& input, int capacity = 128) {
    EXPECT_EQ(buffer.append(input), 1);
    std::vector<std::string> out;
    char line[4096];
    for (;;) {
        int n = buffer.nextLine(line, capacity);
        if (n == 0) break;
        if (n < 0) {
            EXPECT_STREQ(line, "");
            out.push_back("-");
        } else {
            EXPECT_EQ(std::string(line).size(), static_cast<size_t>(n));
            out.push_back("+" + std::string(line, static_cast<size_t>(n)));
        }
    }
    return out;
}

const std::string kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";

TEST(NmeaLineBuffer, Framing) {
    const std::string badSum = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6B\r\n";
    const std::string lowerHex = FrameNmea("GPGGA,1,2,3,4,5,6,7,8,545.4,M");
    std::string lower = lowerHex;
    lower[lower.size() - 4] = static_cast<char>(std::tolower(lower[lower.size() - 4]));
    lower[lower.size() - 3] = static_cast<char>(std::tolower(lower[lower.size() - 3]));
    std::string len127 = "$GPTXT," + std::string(127 - 7 - 2, 'A') + "\r\n";
    std::string len128 = "$GPTXT," + std::string(128 - 7 - 2, 'A') + "\r\n";
    struct Row {
        const char* what;
        std::string input;
        std::vector<std::string> lines;
    } rows[] = {
        {"good line with checksum", kRmc, {"+" + kRmc}},
        {"wrong checksum digit", badSum, {"-"}},
        {"lower-case hex digits", lower, {"+" + lower}},
        {"non-hex checksum digits", "$GPXXX,1*G1\r\n", {"-"}},
        {"no checksum: taken unchecked", "$GPRMC,1,2,3\r\n", {"+$GPRMC,1,2,3\r\n"}},
        {"checksum without CR: taken unchecked", "$GPABC,1*00\n", {"+$GPABC,1*00\n"}},
        {"garbage before a sentence", "xx" + kRmc, {"-"}},
        {"garbage line then a sentence", "noise\r\n" + kRmc, {"-", "+" + kRmc}},
        {"no line feed yet", "$GPRMC,123519,A", {}},
        {"127 bytes is taken", len127, {"+" + len127}},
        {"128 bytes is dropped whole", len128 + kRmc, {"-", "+" + kRmc}},
        {"empty line", "\n" + kRmc, {"-", "+" + kRmc}},
        {"cut line merges with the next", kRmc.substr(0, 30) + kRmc, {"-"}},
        {"two in one chunk", kRmc + lowerHex, {"+" + kRmc, "+" + lowerHex}},
        {"very short line", "$\n", {"+$\n"}},
    };
    for (const auto& row : rows) {
        NmeaLineBuffer buffer;
        EXPECT_EQ(framed(buffer, row.input), row.lines) << row.what;
    }
}

TEST(NmeaLineBuffer, AcceptanceRuleKeepsOneByteFree) {
    NmeaLineBuffer buffer;
    std::string chunk(2047, 'x');
    EXPECT_EQ(buffer.append(std::string(2048, 'x')), 0);  // equal to the free space: dropped
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(buffer.append(chunk), 1);
    EXPECT_EQ(buffer.freeSpace(), 1u);
    EXPECT_EQ(buffer.append("y"), 0);  // a dropped chunk leaves what is buffered
    EXPECT_EQ(buffer.size(), 2047u);
}

TEST(NmeaLineBuffer, LinesAcrossTheEndOfTheRing) {
    // Offsets that put a line across the wrap point, fed in small pieces.
    for (size_t lead = 1900; lead < 2100; lead += 7) {
        NmeaLineBuffer buffer;
        char line[128];
        std::string filler = "$GPTXT," + std::string(100, 'F') + "\r\n";
        size_t fed = 0;
        while (fed + filler.size() < lead) {
            ASSERT_EQ(buffer.append(filler), 1);
            ASSERT_GT(buffer.nextLine(line, sizeof line), 0);
            fed += filler.size();
        }
        for (size_t i = 0; i < kRmc.size(); i += 5) ASSERT_EQ(buffer.append(kRmc.substr(i, 5)), 1);
        ASSERT_EQ(buffer.nextLine(line, sizeof line), static_cast<int>(kRmc.size())) << lead;
        EXPECT_EQ(std::string(line), kRmc);
        EXPECT_TRUE(buffer.empty());
    }
}

TEST(NmeaLineBuffer, LineNoiseCannotStopReception) {
    // Bytes without a line feed fill the ring; once they can no longer make a
    // line they are consumed, and the sentences after them come through.
    NmeaLineBuffer buffer;
    char line[128];
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(buffer.append(std::string(300, '\x7f')), 1);
        EXPECT_EQ(buffer.nextLine(line, sizeof line), -1);
    }
    EXPECT_EQ(buffer.append("tail of the noise\r\n" + kRmc), 1);
    EXPECT_EQ(buffer.nextLine(line, sizeof line), -1);
    EXPECT_EQ(buffer.nextLine(line, sizeof line), static_cast<int>(kRmc.size()));
}

}  // namespace
}  // namespace korvance
