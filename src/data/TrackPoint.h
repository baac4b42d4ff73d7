#pragma once
// The track block: an 8-byte header (point count, segment count) followed by
// 32-byte points.
//
// TrackPoint: 0 f64 latitude  8 f64 longitude  16 u32 time (receiver epoch)
//             20 u16 segment  22 u16 spare     24 f32 altitude  28 i32 depth

#include <cstddef>
#include <cstdint>

#include "data/Bytes.h"

namespace korvance {

// Receiver time counts seconds from 1989-12-31 00:00:00 UTC.
constexpr int64_t kReceiverEpochUnix = 631065600;

// Receivers hold 1.0e25 for an altitude or depth they do not know.
constexpr float kUnknownAltitude = 1.0e25f;
inline bool KnownAltitude(double metres) { return metres > -1.0e24 && metres < 1.0e24; }  // false for NaN too

struct TrackPoint {
    static constexpr size_t kSize = 32;

    double latitude = 0;   // decimal degrees, display datum
    double longitude = 0;
    uint32_t time = 0;     // seconds since the receiver epoch
    uint16_t segment = 0;  // points of one segment share a number
    uint16_t spare = 0;    // carries no meaning; kept so a record read is written back unchanged
    float altitude = 0;    // metres
    int32_t depth = 0;

    void encode(ByteWriter& w) const;
    bool decode(ByteReader& r);

    friend bool operator==(const TrackPoint&, const TrackPoint&) = default;
};

struct TrackHeader {
    static constexpr size_t kSize = 8;

    uint32_t pointCount = 0;
    uint32_t segmentCount = 0;

    void encode(ByteWriter& w) const {
        w.u32(pointCount);
        w.u32(segmentCount);
    }
    bool decode(ByteReader& r) {
        const bool wasOk = r.ok();
        pointCount = r.u32();
        segmentCount = r.u32();
        return wasOk && r.ok();
    }
    friend bool operator==(const TrackHeader&, const TrackHeader&) = default;
};

}  // namespace korvance
