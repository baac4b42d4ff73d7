#include "files/DocumentFile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "files/SampleDocument.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using namespace korvance::files;
using namespace korvance::testing;

namespace {

int32_t i32At(const std::vector<uint8_t>& b, size_t at) {
    ByteReader r(b);
    r.seek(at);
    return r.i32();
}

// Hand-built files of the older and newer layouts.
struct Builder {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kDocumentHeaderSize, 0);
    explicit Builder(int32_t version, int32_t bias = 3600) {
        std::memcpy(bytes.data(), "KORVAN", 7);
        put32(16, version);
        put32(104, bias);
    }
    void put32(size_t at, int32_t v) {
        ByteWriter w(bytes.data(), bytes.size());
        w.seek(at);
        w.i32(v);
    }
    size_t here() const { return bytes.size(); }
    ByteWriter append(size_t n) {
        size_t at = bytes.size();
        bytes.resize(at + n, 0);
        return ByteWriter(bytes.data() + at, n);
    }
    void markTrack() { put32(20, int32_t(here())); }
    void markWaypoints() { put32(24, int32_t(here())); }
    void markRoutes() { put32(28, int32_t(here())); }
    void u32(uint32_t v) { append(4).u32(v); }
    void oldPoint(double lat, double lon, uint32_t time, int16_t seg) {
        ByteWriter w = append(24);
        w.f64(lat);
        w.f64(lon);
        w.u32(time);
        w.i16(seg);
        w.u16(0xBEEF);
    }
    void segmentPoint(double lat, double lon, uint32_t time, int16_t grouping, float alt) {
        ByteWriter w = append(44);
        w.f64(lat);
        w.f64(lon);
        w.u32(time);
        w.i16(grouping);
        w.u16(0xFFFF);
        w.f32(alt);
        w.zeros(16);
    }
    void segmentRecord(uint32_t points, uint32_t value) {
        ByteWriter w = append(32);
        w.zeros(24);
        w.u32(points);
        w.u32(value);
    }
    void oldWaypoint(double lat, double lon, const char* id) {
        ByteWriter w = append(32);
        w.f64(lat);
        w.f64(lon);
        w.zeros(8);
        w.padded(id, 8, 0);
    }
    void v4Waypoint(double lat, double lon, float prox, int16_t sym, int16_t disp, const char* id) {
        ByteWriter w = append(76);
        w.f64(lat);
        w.f64(lon);
        w.f32(prox);
        w.i16(sym);
        w.i16(disp);
        w.text(id, 52);
    }
    void routeRecord(uint32_t count, const char* name) {
        ByteWriter w = append(72);
        w.u32(count);
        w.text(name, 64);
        w.u32(0xDEADBEEF);  // carries no meaning
    }
};

DocumentReadResult decode(const std::vector<uint8_t>& b, DocumentContents& c, ScriptedPrompt& prompt) {
    return decodeDocument(b, c, prompt);
}

}  // namespace

TEST(DocumentFile, NoTrackWritesFourZeroBytes) {
    const SampleDocument sample;  // the source points into it
    DocumentSource src = sample.source();
    src.hasTrack = false;
    std::vector<uint8_t> b = encodeDocument(src);
    EXPECT_EQ(i32At(b, 20), 108);
    EXPECT_EQ(i32At(b, 108), 0);
    EXPECT_EQ(i32At(b, 24), 112);

    ScriptedPrompt prompt;
    DocumentContents c;
    ASSERT_TRUE(decode(b, c, prompt).ok());
    EXPECT_FALSE(c.track.has_value());
    EXPECT_EQ(c.waypoints->size(), 2u);
}

// A refused file leaves what the read was to fill untouched.
TEST(DocumentFile, VersionsRefusedAndAccepted) {
    using S = DocumentReadStatus;
    struct Row {
        int32_t version;
        uint32_t segments;  // from version 6 on: segment records of the track
        DocumentReadStatus status;
    } rows[] = {{1, 1, S::UnsupportedVersion}, {8, 1, S::UnsupportedVersion}, {100, 1, S::UnsupportedVersion},
                {0, 1, S::Ok}, {-3, 1, S::Ok}, {2, 1, S::Ok}, {7, 1, S::Ok},
                {6, 0, S::NoTrack}};  // a track without segments ends the read
    for (const auto& r : rows) {
        SCOPED_TRACE(r.version);
        Builder b(r.version);
        b.markTrack();
        if (r.version >= 6) {
            b.u32(r.segments);
            if (r.segments) b.segmentRecord(0, 0);
        } else {
            b.u32(0);
        }
        b.markWaypoints();
        b.u32(0);
        ScriptedPrompt prompt;
        DocumentContents c;
        c.waypoints = std::vector<WaypointRecord>{sampleWaypoint("KEEP", 1, 1, "", 0, 0)};
        EXPECT_EQ(decode(b.bytes, c, prompt).status, r.status);
        if (r.status != S::Ok) {
            ASSERT_EQ(c.waypoints->size(), 1u);
            EXPECT_EQ((*c.waypoints)[0].identifier.str(), "KEEP");
        }
        if (r.status == S::UnsupportedVersion) {
            ASSERT_EQ(prompt.shown.size(), 1u);
            EXPECT_EQ(prompt.shown[0].text, "not acceptable version");
            EXPECT_EQ(prompt.shown[0].caption, "Error");
            EXPECT_EQ(prompt.shown[0].icon, Icon::Stop);
        } else {
            EXPECT_TRUE(prompt.shown.empty());
        }
    }
}

TEST(DocumentFile, OldLayoutsVersions0To3) {
    for (int32_t version : {0, 2, 3}) {
        SCOPED_TRACE(version);
        Builder b(version, 7200);
        b.markTrack();
        b.u32(2);
        b.u32(1);
        b.oldPoint(35.5, 139.5, 1000, 1);
        b.oldPoint(35.6, 139.6, 1010, -2);
        b.markWaypoints();
        b.u32(2);
        b.oldWaypoint(36.0, 140.0, "ABCDEFGH");  // all 8 bytes used, no terminator
        b.oldWaypoint(36.5, 140.5, "X");
        b.markRoutes();
        b.u32(1);
        b.routeRecord(1, "OLD ROUTE");
        b.oldWaypoint(37.0, 141.0, "RP");

        ScriptedPrompt prompt;
        DocumentContents c;
        ASSERT_TRUE(decode(b.bytes, c, prompt).ok());
        if (version >= 3)
            EXPECT_EQ(c.timeZoneBias, 7200);
        else
            EXPECT_FALSE(c.timeZoneBias.has_value());
        ASSERT_TRUE(c.track.has_value());
        EXPECT_EQ(c.track->segmentCount, 1u);
        ASSERT_EQ(c.track->points.size(), 2u);
        EXPECT_EQ(c.track->points[1].latitude, 35.6);
        EXPECT_EQ(c.track->points[1].time, 1010u);
        EXPECT_EQ(c.track->points[1].segment, uint16_t(-2));
        EXPECT_EQ(c.track->points[1].altitude, 0.0f);
        EXPECT_EQ(c.track->points[1].depth, 0);
        ASSERT_EQ(c.waypoints->size(), 2u);
        EXPECT_EQ((*c.waypoints)[0].identifier.str(), "ABCDEFGH");
        EXPECT_EQ((*c.waypoints)[0].longitude, 140.0);
        EXPECT_EQ((*c.waypoints)[0].symbol, 0);
        EXPECT_TRUE((*c.waypoints)[0].comment.empty());
        ASSERT_EQ(c.routes->size(), 1u);
        EXPECT_EQ((*c.routes)[0].name.str(), "OLD ROUTE");
        ASSERT_EQ((*c.routes)[0].waypoints.size(), 1u);
        EXPECT_EQ((*c.routes)[0].waypoints[0].identifier.str(), "RP");
    }
}

TEST(DocumentFile, Version4Layout) {
    Builder b(4, -3600);
    b.markTrack();
    b.u32(1);
    b.u32(1);
    b.oldPoint(1, 2, 3, 1);
    b.markWaypoints();
    b.u32(1);
    b.v4Waypoint(10, 20, 75.0f, 33, 1, "A-VERY-LONG-IDENTIFIER-OF-40-CHARACTERS!");
    b.markRoutes();
    b.u32(0);
    ScriptedPrompt prompt;
    DocumentContents c;
    ASSERT_TRUE(decode(b.bytes, c, prompt).ok());
    EXPECT_EQ(c.timeZoneBias, -3600);
    const WaypointRecord& w = (*c.waypoints)[0];
    EXPECT_EQ(w.proximity, 75.0f);
    EXPECT_EQ(w.symbol, 33);
    EXPECT_EQ(w.displayOption, 1);
    EXPECT_EQ(w.identifier.str(), "A-VERY-LONG-IDENTIFIER-");  // 23 characters kept
    EXPECT_EQ(w.altitude, 0.0f);
    ASSERT_TRUE(c.routes.has_value());
    EXPECT_TRUE(c.routes->empty());  // count 0 before version 6: no routes
}

TEST(DocumentFile, Versions6And7SegmentNumbering) {
    for (int32_t version : {6, 7}) {
        SCOPED_TRACE(version);
        Builder b(version);
        b.markTrack();
        b.u32(3);
        b.segmentRecord(3, 2);
        b.segmentPoint(35.0, 139.0, 100, 1, 10.5f);
        b.segmentPoint(35.1, 139.1, 110, 1, 11.5f);
        b.segmentPoint(35.2, 139.2, 120, 0, 12.5f);
        b.segmentRecord(0, 1);  // an empty segment still moves the number on
        b.segmentRecord(2, 4);
        b.segmentPoint(36.0, 140.0, 200, 1, 0);
        b.segmentPoint(36.1, 140.1, 210, 1, 0);
        b.markWaypoints();
        b.u32(1);
        WaypointRecord w = sampleWaypoint("NEW", 1, 2, "comment", 18, 12.5f);
        ByteWriter ww = b.append(116);
        w.encode(ww);
        b.markRoutes();
        b.u32(0);

        ScriptedPrompt prompt;
        DocumentContents c;
        ASSERT_TRUE(decode(b.bytes, c, prompt).ok());
        ASSERT_TRUE(c.track.has_value());
        std::vector<uint16_t> segs;
        for (auto& p : c.track->points) segs.push_back(p.segment);
        EXPECT_EQ(segs, (std::vector<uint16_t>{1, 1, 2, 4, 4}));
        EXPECT_EQ(c.track->segmentCount, 7u);
        EXPECT_EQ(c.track->points[2].altitude, 12.5f);
        EXPECT_EQ(c.track->points[2].time, 120u);
        EXPECT_EQ(c.track->points[2].depth, 0);
        EXPECT_EQ((*c.waypoints)[0], w);
        ASSERT_EQ(c.routes->size(), 1u);
        EXPECT_EQ((*c.routes)[0].name.str(), "ROUTE-00");
        EXPECT_TRUE((*c.routes)[0].waypoints.empty());
    }
}

TEST(DocumentFile, Version6IncompleteSegmentIsDropped) {
    Builder b(6);
    b.markTrack();
    b.u32(2);
    b.segmentRecord(1, 1);
    b.segmentPoint(1, 2, 3, 1, 0);
    b.segmentRecord(5, 1);  // claims 5 points, only one follows
    b.segmentPoint(9, 9, 9, 1, 0);
    ScriptedPrompt prompt;
    DocumentContents c;
    ASSERT_TRUE(decode(b.bytes, c, prompt).ok());
    ASSERT_EQ(c.track->points.size(), 1u);
    EXPECT_EQ(c.track->points[0].latitude, 1.0);
    EXPECT_EQ(c.track->segmentCount, 1u);
    EXPECT_FALSE(c.waypoints.has_value());  // no waypoint offset in this file
}

// Damaged files: every truncation of a good file, lying counts and offsets,
// a wrong magic. None may crash, allocate wildly or yield records made of
// bytes that are not in the file; the whole file reads back as written.
TEST(DocumentFileCorrupted, EveryTruncation) {
    const SampleDocument s;
    std::vector<uint8_t> full = encodeDocument(s.source());
    for (size_t len = 0; len <= full.size(); ++len) {
        SCOPED_TRACE(len);
        std::vector<uint8_t> cut(full.begin(), full.begin() + long(len));
        ScriptedPrompt prompt;
        DocumentContents c;
        DocumentReadResult r = decode(cut, c, prompt);
        if (len < 108) {
            EXPECT_EQ(r.status, len == 0 ? DocumentReadStatus::Empty : DocumentReadStatus::ShortHeader);
            continue;
        }
        if (len < 212) {  // the track is not there in full
            EXPECT_EQ(r.status, DocumentReadStatus::NoTrack);
            continue;
        }
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(*c.track, s.track());
        size_t wpBytes = len >= 216 ? len - 216 : 0;
        if (len < 216) {
            EXPECT_FALSE(c.waypoints.has_value());
        } else {
            size_t expect = std::min<size_t>(2, wpBytes / 116);
            ASSERT_EQ(c.waypoints->size(), expect);
            for (size_t i = 0; i < expect; ++i) EXPECT_EQ((*c.waypoints)[i], s.waypoints[i]);
        }
        EXPECT_EQ(c.partial, len > 216 && len < 448 ? true : c.partial);
        ASSERT_TRUE(c.routes.has_value());
        if (len < 452) {
            EXPECT_TRUE(c.routes->empty());
        } else if (len < 524) {
            EXPECT_TRUE(c.routes->empty());
            EXPECT_TRUE(c.partial);
        } else {
            ASSERT_EQ(c.routes->size(), 1u);
            size_t n = (len - 524) / 116;
            ASSERT_EQ((*c.routes)[0].waypoints.size(), n);
            for (size_t i = 0; i < n; ++i) EXPECT_EQ((*c.routes)[0].waypoints[i], s.routes[0].waypoints[i]);
            EXPECT_EQ(c.partial, len < full.size());
        }
        if (len == full.size()) {
            EXPECT_EQ(c.version, 5);
            EXPECT_EQ(c.timeZoneBias, -32400);
            EXPECT_EQ((*c.routes)[0].name, s.routes[0].name);
            EXPECT_TRUE(prompt.shown.empty());
        }
    }
}

TEST(DocumentFileCorrupted, LyingCountsAndOffsets) {
    const SampleDocument s;
    const std::vector<uint8_t> full = encodeDocument(s.source());
    struct Row {
        const char* what;
        size_t at;
        uint32_t value;
        bool ok;
    } rows[] = {
        {"huge point count", 108, 0xFFFFFFFFu, false},
        {"point count one too many", 108, 4, false},
        {"track offset past the end", 20, 100000, false},
        {"negative track offset", 20, uint32_t(-5), false},
        {"huge waypoint count", 212, 0xFFFFFFFFu, true},
        {"waypoint offset past the end", 24, 0x7FFFFFFF, true},
        {"negative waypoint offset", 24, uint32_t(-1), true},
        {"huge route count", 448, 0xFFFFFFFFu, true},
        {"huge route waypoint count", 452, 0xFFFFFFF0u, true},
        {"route offset past the end", 28, 5000, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<uint8_t> b = full;
        ByteWriter w(b);
        w.seek(r.at);
        w.u32(r.value);
        ScriptedPrompt prompt;
        DocumentContents c;
        EXPECT_EQ(decode(b, c, prompt).ok(), r.ok);
        if (!r.ok) continue;
        // Whatever was kept is made of whole records of the file.
        if (c.waypoints && r.at != 212) {
            for (size_t i = 0; i < c.waypoints->size() && i < s.waypoints.size(); ++i) {
                EXPECT_EQ((*c.waypoints)[i], s.waypoints[i]);
            }
        }
        if (c.routes) {
            EXPECT_LE(c.routes->size(), 1u + (full.size() / 72));
        }
        size_t total = 0;
        if (c.routes)
            for (auto& rt : *c.routes) total += rt.waypoints.size();
        EXPECT_LE(total * 116, full.size());
    }
}
