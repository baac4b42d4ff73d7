#pragma once
// The 116-byte waypoint record: a waypoint of the list, a waypoint of a route
// and the waypoint record of document files, byte for byte.
//
//   0  f64 latitude     8  f64 longitude   16 f32 altitude   20 f32 proximity
//   24 i16 symbol       26 i16 display     28 char[24] identifier
//   52 char[64] comment

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "data/Bytes.h"
#include "data/TextField.h"

namespace korvance {

// Narrows a double to a record's float field; values beyond the float range
// are held at its largest value instead of overflowing.
inline float toFloatField(double v) {
    constexpr double kMax = 3.4028234663852886e38;
    if (v > kMax) return static_cast<float>(kMax);
    if (v < -kMax) return static_cast<float>(-kMax);
    return static_cast<float>(v);
}

struct WaypointRecord {
    static constexpr size_t kSize = 116;
    static constexpr size_t kIdentifierWidth = 24;  // at most 23 characters
    static constexpr size_t kCommentWidth = 64;     // at most 63 characters

    double latitude = 0;    // decimal degrees, display datum
    double longitude = 0;
    float altitude = 0;     // metres
    float proximity = 0;    // metres
    int16_t symbol = 0;
    int16_t displayOption = 0;
    FixedText<kIdentifierWidth> identifier;
    FixedText<kCommentWidth> comment;

    void encode(ByteWriter& w) const;
    // Reads kSize bytes; false when the reader ran short (the record is then
    // filled with what was there and zeros).
    bool decode(ByteReader& r);

    friend bool operator==(const WaypointRecord&, const WaypointRecord&) = default;
};

// Whole arrays of records, as the document file carries them.
std::vector<uint8_t> encodeWaypoints(const std::vector<WaypointRecord>& records);
// `count` records from `r`; false (and `out` untouched) when the bytes run short.
bool decodeWaypoints(ByteReader& r, size_t count, std::vector<WaypointRecord>& out);

}  // namespace korvance
