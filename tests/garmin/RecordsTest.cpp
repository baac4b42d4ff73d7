#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "garmin/GarminLink.h"
#include "garmin/GarminConvert.h"
#include "garmin/GarminRecords.h"

using namespace korvance;

TEST(GarminRecords, Semicircles) {
    struct Row {
        double degrees;
        int32_t semicircles;
    };
    const Row rows[] = {
        {-0.0000001, 0}, {90.0, 1073741824}, {-90.0, -1073741823}, {0.0, 0},  // 0.5 added, then cut toward zero
        {180.0, INT32_MIN},  // wraps to the same angle instead of overflowing
        {-180.0, -2147483647},
    };
    for (const auto& r : rows) EXPECT_EQ(DegreesToSemicircles(r.degrees), r.semicircles) << r.degrees;
    EXPECT_DOUBLE_EQ(SemicirclesToDegrees(1073741824), 90.0);
    EXPECT_EQ(DegreesToSemicircles(std::nan("")), 0);
    EXPECT_EQ(ReceiverTimeToUnix(0), 631065600);
    EXPECT_EQ(UnixToReceiverTime(631065600 + 42), 42u);
}

TEST(GarminRecords, WaypointLayouts) {
    WaypointPacket a(4101, 35, 1.0, 2.0, 0, "AB", "HI", 0, 0, 0);
    ASSERT_EQ(a.frame().size(), 64u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(a.frame().data() + 3), 6), "AB    ");
    EXPECT_EQ(a.identifier(), "AB    ");
    EXPECT_EQ(a.comment(), "HI" + std::string(38, ' '));
    EXPECT_TRUE(checksumOk(a.frame()));

    WaypointPacket c(4104, 35, -33.5, 151.25, 0, "SYD", "", 300, 2, 125.0);
    EXPECT_EQ(c.frame().size(), 71u);
    EXPECT_EQ(c.symbol(), 300);
    EXPECT_EQ(c.displayOption(), 2);
    EXPECT_DOUBLE_EQ(c.proximity(), 125.0);
    EXPECT_NEAR(c.latitude(), -33.5, 1e-7);

    // A received 12-character identifier reads back as its first 10.
    WaypointPacket b(4108, 35, 10, 20, 123.5, "ABCDEFGHIJKL", "ignored", 18, 0, 0);
    ASSERT_EQ(b.frame().size(), 70u);
    EXPECT_EQ(b.frame()[3 + 3], 0x60);
    EXPECT_EQ(b.identifier(), "ABCDEFGHIJKL");
    WaypointPacket got = WaypointPacket::fromFrame(4108, b.frame());
    EXPECT_EQ(got.identifier(), "ABCDEFGHIJ");
    EXPECT_DOUBLE_EQ(got.altitude(), 123.5);
    EXPECT_EQ(got.symbol(), 18);

    // 90 identifier characters leave room for 5 of the comment.
    WaypointPacket e(4110, 35, 0, 0, 0, std::string(90, 'X'), "COMMENT", 0, 3, 0);
    ASSERT_EQ(e.frame().size(), 168u);
    const uint8_t* d = e.frame().data() + 3;
    EXPECT_EQ(d[62 + 90], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d + 62 + 91)), "COMME");
    EXPECT_EQ(d[2], 3 << 5);

    // A short received frame is filled, never read past.
    Frame shortFrame = {0x10, 35, 80, 'A', 'B'};
    WaypointPacket s = WaypointPacket::fromFrame(4103, shortFrame);
    EXPECT_EQ(s.frame().size(), 66u);
    EXPECT_EQ(s.identifier(), std::string("AB\0\0\0\0", 6));
}

TEST(GarminRecords, TrackPointsAndHeaders) {
    TrackSlot s{1000, -2000, 123456, 55.5f, 1.5f, true};
    for (int32_t type : {4300, 4301, 4302}) {
        Frame f = trackPointFrame(type, s);
        TrackSlot back = trackSlotFromFrame(type, f);
        EXPECT_EQ(back.latitude, s.latitude) << type;
        EXPECT_EQ(back.time, s.time) << type;
        EXPECT_TRUE(back.newSegment) << type;
        EXPECT_EQ(back.altitude, type == 4300 ? 0.0f : 55.5f) << type;
    }
    Frame f301 = trackPointFrame(4301, s);
    EXPECT_EQ(frameSize(f301), 24u);
    EXPECT_EQ(f301[3 + 21], 0x73);
    // A 21-byte D301 record as receivers send it reads correctly (and not past its end).
    Frame wire = f301;
    wire.erase(wire.begin() + 3 + 21, wire.begin() + 3 + 24);
    wire[2] = 21;
    EXPECT_EQ(trackSlotFromFrame(4301, wire), s);

    Frame h = trackHeaderFrame();
    EXPECT_EQ(frameSize(h), 13u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(h.data() + 5)), "ACTIVE LOG");
    EXPECT_EQ(frameSize(routeLinkFrame()), 21u);
}

TEST(GarminRecords, RouteHeaderByRouteHeaderType) {
    RouteSlot r;
    r.number = 7;
    r.name = "LAKE TOUR";
    EXPECT_EQ(routeHeaderLayout(4201, 4108), 4201);
    EXPECT_EQ(routeHeaderLayout(4202, 4103), 4202);
    EXPECT_EQ(routeHeaderLayout(0, 4103), 4201);
    EXPECT_EQ(routeHeaderLayout(-1, 4108), 4202);

    Frame a = routeHeaderFrame(4201, r);
    ASSERT_EQ(frameSize(a), 21u);
    EXPECT_EQ(a[3], 7);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(a.data() + 4), 20), "LAKE TOUR           ");
    RouteSlot back;
    readRouteHeader(4201, a, 3, back);
    EXPECT_EQ(back.number, 7);
    EXPECT_EQ(back.name, "LAKE TOUR           ");

    RouteSlot padded = r;
    padded.name = "LAKE TOUR           ";
    Frame b = routeHeaderFrame(4202, padded);
    EXPECT_EQ(frameSize(b), 14u);  // first 13 bytes and a zero
    readRouteHeader(4202, b, 3, back);
    EXPECT_EQ(back.number, 3);
    EXPECT_EQ(back.name, "LAKE TOUR    ");
}

TEST(GarminRecords, JapaneseTables) {
    EXPECT_EQ(japaneseToReceiver(std::string("\xC0\x31", 2)), std::string("\x30\x53", 2));  // 48, 83
    EXPECT_EQ(japaneseUpload(0xB1), 82);
    EXPECT_EQ(japaneseToText(std::string("\x30\x53", 2)), std::string("\xC0\x31", 2));
    struct Row {
        uint8_t receiver, text;
    };
    const Row rows[] = {{0, 0x20}, {32, 0x20}, {33, 0xB1}, {77, 0xDD}, {78, 0xA6}, {79, 0xAC}, {81, 0xAE},
                        {82, '0'}, {91, '9'},  {92, '-'},  {93, 0xDF}, {94, 0xDE}, {95, 0x20}, {127, 0x20},
                        {128, 0x20}, {255, 0x20}};
    for (const auto& r : rows) EXPECT_EQ(japaneseDownload(r.receiver), r.text) << int(r.receiver);
}

TEST(GarminRecords, PositionAndTime) {
    std::vector<uint8_t> d(16);
    double lat = 0.5, lon = -1.0;
    std::memcpy(d.data(), &lat, 8);
    std::memcpy(d.data() + 8, &lon, 8);
    double la, lo;
    ASSERT_TRUE(parsePosition(makeFrame(17, d), la, lo));
    EXPECT_DOUBLE_EQ(la, 0.5 * 57.29577951307855);
    EXPECT_DOUBLE_EQ(lo, -57.29577951307855);
    EXPECT_FALSE(parsePosition(makeFrame(17, {1, 2, 3}), la, lo));

    // 2009-05-15 12:34:56 UTC
    Frame t = makeFrame(14, {5, 15, 0xD9, 0x07, 12, 0, 34, 56});
    int64_t unix = 0;
    ASSERT_TRUE(parseDateTime(t, unix));
    EXPECT_EQ(unix, 1242390896);
}

TEST(GarminConvert, SegmentsAndUnknownValues) {
    const Datum wgs("WGS 84");
    std::vector<TrackSlot> slots = {{0, 0, 1, 1.0e25f, 1.0e25f, true},
                                    {10, 10, 2, 12.5f, 0, false},
                                    {20, 20, 3, 13.5f, 0, true},
                                    {30, 30, 4, 14.5f, 0, true}};
    auto points = TrackPointsFromSlots(slots, wgs);
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[0].altitude, 0.0f);  // 1.0e25: the receiver does not know
    EXPECT_EQ(points[0].depth, 0);
    EXPECT_NEAR(points[1].altitude, 12.5f, 1e-3);
    EXPECT_EQ(points[1].segment, 1);
    EXPECT_EQ(points[2].segment, 2);
    EXPECT_EQ(points[3].segment, 3);
    EXPECT_EQ(SegmentCountOf(points), 3u);
    auto back = SlotsFromTrackPoints(points, wgs);
    EXPECT_TRUE(back[0].newSegment);
    EXPECT_FALSE(back[1].newSegment);
    EXPECT_TRUE(back[2].newSegment);
    EXPECT_EQ(back[3].time, 4u);

    // Another datum: shifted on the way in and back on the way out.
    const Datum tokyo("Tokyo");
    WaypointRecord w = WaypointFromPacket(WaypointPacket(4108, 35, 35.0, 139.0, 1.0e25, "T", "", 0, 0, 0), tokyo);
    EXPECT_LT(std::abs(w.altitude), 10.0f);  // 0 above WGS 84, shifted
    EXPECT_GT(std::abs(w.latitude - 35.0), 1e-4);
    WaypointPacket out = PacketFromWaypoint(w, 4108, 35, tokyo);
    EXPECT_NEAR(out.latitude(), 35.0, 1e-5);
    EXPECT_NEAR(out.longitude(), 139.0, 1e-5);
}
