#pragma once
// A route: its name and its own copies of its waypoints. In document files a
// route is a 72-byte record followed by its waypoint records:
//   0 u32 waypoint count   4 char[64] name   68 u32 (no meaning; written as 0)

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/Bytes.h"
#include "data/TextField.h"
#include "data/WaypointRecord.h"

namespace korvance {

struct Route {
    static constexpr size_t kRecordSize = 72;
    static constexpr size_t kNameWidth = 64;  // at most 63 characters

    FixedText<kNameWidth> name;
    std::vector<WaypointRecord> waypoints;

    friend bool operator==(const Route&, const Route&) = default;

    // The 72-byte route record (waypoints not included).
    void encodeRecord(ByteWriter& w) const {
        w.u32(static_cast<uint32_t>(waypoints.size()));
        w.bytes(name.raw().data(), kNameWidth);
        w.u32(0);
    }
};

// The route record as read: the waypoint count still to be checked by the
// reader against the bytes that follow.
struct RouteRecordHeader {
    uint32_t waypointCount = 0;
    FixedText<Route::kNameWidth> name;

    bool decode(ByteReader& r) {
        const bool wasOk = r.ok();
        waypointCount = r.u32();
        uint8_t n[Route::kNameWidth];
        r.bytes(n, sizeof n);
        name.setRaw(n);
        r.skip(4);
        return wasOk && r.ok();
    }
};

}  // namespace korvance
