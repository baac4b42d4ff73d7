// Every offset of the fixed records, pinned against byte images built by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "data/RouteRecord.h"
#include "data/TrackPoint.h"
#include "data/WaypointRecord.h"

using namespace korvance;

namespace {

// A hand-built little-endian image, independent of ByteWriter.
struct Image {
    std::vector<uint8_t> b;
    explicit Image(size_t n) : b(n, 0) {}
    void u16(size_t at, uint16_t v) { b[at] = uint8_t(v); b[at + 1] = uint8_t(v >> 8); }
    void u32(size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i)); }
    void u64(size_t at, uint64_t v) { for (int i = 0; i < 8; ++i) b[at + i] = uint8_t(v >> (8 * i)); }
    void text(size_t at, const char* s) { std::memcpy(&b[at], s, std::strlen(s)); }
};

// IEEE 754 bit patterns written out, so the test does not reuse the encoder's casts.
constexpr uint64_t kBits35_5 = 0x4041C00000000000ull;    // 35.5
constexpr uint64_t kBitsM139_25 = 0xC061680000000000ull;  // -139.25
constexpr uint32_t kBits123_5f = 0x42F70000u;            // 123.5f
constexpr uint32_t kBits50f = 0x42480000u;               // 50.0f
constexpr uint32_t kBitsM2_5f = 0xC0200000u;             // -2.5f

template <class T>
std::vector<uint8_t> encoded(const T& rec, size_t size) {
    std::vector<uint8_t> out(size, 0xEE);
    ByteWriter w(out);
    rec.encode(w);
    EXPECT_TRUE(w.ok());
    EXPECT_EQ(w.pos(), size);
    return out;
}

}  // namespace

TEST(RecordLayout, WaypointRecordMatchesHandBuiltImage) {
    WaypointRecord rec;
    rec.latitude = 35.5;
    rec.longitude = -139.25;
    rec.altitude = 123.5f;
    rec.proximity = 50.0f;
    rec.symbol = -2;
    rec.displayOption = 0x0102;
    rec.identifier.set("SUMMIT");
    rec.comment.set("Hut at the pass");

    Image img(116);
    img.u64(0, kBits35_5);
    img.u64(8, kBitsM139_25);
    img.u32(16, kBits123_5f);
    img.u32(20, kBits50f);
    img.u16(24, 0xFFFE);
    img.u16(26, 0x0102);
    img.text(28, "SUMMIT");
    img.text(52, "Hut at the pass");

    EXPECT_EQ(encoded(rec, WaypointRecord::kSize), img.b);

    WaypointRecord back;
    ByteReader r(img.b);
    ASSERT_TRUE(back.decode(r));
    EXPECT_EQ(r.pos(), 116u);
    EXPECT_EQ(back, rec);
}

TEST(RecordLayout, FixedTextFieldsAreCutAndTerminated) {
    struct Row {
        std::string id, comment;
        std::string wantId, wantComment;
    } rows[] = {
        {std::string(30, 'I'), std::string(70, 'C'), std::string(23, 'I'), std::string(63, 'C')},
        {std::string(23, 'a'), std::string(63, 'b'), std::string(23, 'a'), std::string(63, 'b')},
        {"", "", "", ""},
        {std::string("ab\0cd", 5), "x", "ab", "x"},
    };
    for (const auto& row : rows) {
        WaypointRecord rec;
        rec.identifier.set(row.id);
        rec.comment.set(row.comment);
        auto bytes = encoded(rec, WaypointRecord::kSize);
        EXPECT_EQ(bytes[51], 0) << row.id;   // last identifier byte
        EXPECT_EQ(bytes[115], 0) << row.id;  // last comment byte
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[28])), row.wantId);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[52])), row.wantComment);
    }
}

TEST(RecordLayout, RouteRecordMatchesHandBuiltImage) {
    Route route;
    route.name.set("ROUTE-00");
    route.waypoints.resize(3);
    Image img(72);
    img.u32(0, 3);
    img.text(4, "ROUTE-00");
    std::vector<uint8_t> out(72, 0xEE);
    ByteWriter w(out);
    route.encodeRecord(w);
    EXPECT_TRUE(w.ok());
    EXPECT_EQ(w.pos(), 72u);
    EXPECT_EQ(out, img.b);

    // A damaged file: a name without its terminator, and a last word that carries no meaning.
    std::memset(&img.b[4], 'N', 64);
    img.u32(68, 0xDEADBEEF);
    RouteRecordHeader h;
    ByteReader r(img.b);
    ASSERT_TRUE(h.decode(r));
    EXPECT_EQ(r.pos(), 72u);
    EXPECT_EQ(h.waypointCount, 3u);
    EXPECT_EQ(h.name.view(), std::string(63, 'N'));
}

TEST(RecordLayout, TrackHeaderAndPointMatchHandBuiltImage) {
    TrackHeader h{0x01020304u, 2};
    Image hi(8);
    hi.u32(0, 0x01020304u);
    hi.u32(4, 2);
    EXPECT_EQ(encoded(h, 8), hi.b);
    TrackHeader hb;
    ByteReader hr(hi.b);
    ASSERT_TRUE(hb.decode(hr));
    EXPECT_EQ(hb, h);

    TrackPoint p;
    p.latitude = 35.5;
    p.longitude = -139.25;
    p.time = 0xA1B2C3D4u;
    p.segment = 0x0201;
    p.spare = 0;
    p.altitude = -2.5f;
    p.depth = -7;

    Image img(32);
    img.u64(0, kBits35_5);
    img.u64(8, kBitsM139_25);
    img.u32(16, 0xA1B2C3D4u);
    img.u16(20, 0x0201);
    img.u32(24, kBitsM2_5f);
    img.u32(28, 0xFFFFFFF9u);
    EXPECT_EQ(encoded(p, TrackPoint::kSize), img.b);

    TrackPoint back;
    ByteReader r(img.b);
    ASSERT_TRUE(back.decode(r));
    EXPECT_EQ(back, p);

    // The two spare bytes of a point read from a file survive a write.
    img.u16(22, 0xBEEF);
    ByteReader r2(img.b);
    ASSERT_TRUE(back.decode(r2));
    EXPECT_EQ(encoded(back, 32), img.b);
}
