#include "data/WaypointRecord.h"

namespace korvance {

void WaypointRecord::encode(ByteWriter& w) const {
    w.f64(latitude);
    w.f64(longitude);
    w.f32(altitude);
    w.f32(proximity);
    w.i16(symbol);
    w.i16(displayOption);
    w.bytes(identifier.raw().data(), kIdentifierWidth);
    w.bytes(comment.raw().data(), kCommentWidth);
}

bool WaypointRecord::decode(ByteReader& r) {
    const bool wasOk = r.ok();
    latitude = r.f64();
    longitude = r.f64();
    altitude = r.f32();
    proximity = r.f32();
    symbol = r.i16();
    displayOption = r.i16();
    uint8_t id[kIdentifierWidth];
    r.bytes(id, sizeof id);
    identifier.setRaw(id);
    uint8_t cm[kCommentWidth];
    r.bytes(cm, sizeof cm);
    comment.setRaw(cm);
    return wasOk && r.ok();
}

std::vector<uint8_t> encodeWaypoints(const std::vector<WaypointRecord>& records) {
    std::vector<uint8_t> out(records.size() * WaypointRecord::kSize);
    ByteWriter w(out);
    for (const auto& rec : records) rec.encode(w);
    return out;
}

bool decodeWaypoints(ByteReader& r, size_t count, std::vector<WaypointRecord>& out) {
    // The count comes from a file: check it against the bytes present before
    // allocating anything for it.
    if (count > r.remaining() / WaypointRecord::kSize) return false;
    std::vector<WaypointRecord> records(count);
    for (auto& rec : records)
        if (!rec.decode(r)) return false;
    out = std::move(records);
    return true;
}

}  // namespace korvance
