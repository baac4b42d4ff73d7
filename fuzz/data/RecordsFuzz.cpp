// Fixed records decoded from arbitrary bytes and encoded again give the same
// bytes, except that a text field's last byte is always 0.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "data/RouteRecord.h"
#include "data/TrackPoint.h"
#include "data/WaypointRecord.h"

using namespace korvance;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader r(data, size);
    WaypointRecord w;
    bool ok = w.decode(r);
    if (ok != (size >= WaypointRecord::kSize)) std::abort();
    if (ok) {
        std::vector<uint8_t> out(WaypointRecord::kSize);
        ByteWriter bw(out);
        w.encode(bw);
        std::vector<uint8_t> want(data, data + WaypointRecord::kSize);
        want[51] = 0;
        want[115] = 0;
        if (out != want) std::abort();
    }
    ByteReader r2(data, size);
    TrackPoint p;
    if (p.decode(r2)) {
        std::vector<uint8_t> out(TrackPoint::kSize);
        ByteWriter bw(out);
        p.encode(bw);
        if (std::memcmp(out.data(), data, TrackPoint::kSize) != 0) std::abort();
    }
    ByteReader r3(data, size);
    std::vector<WaypointRecord> recs;
    const uint32_t count = size >= 4 ? loadLE32(data) : 0;
    r3.skip(4);
    if (decodeWaypoints(r3, count, recs) && recs.size() != count) std::abort();
    RouteRecordHeader h;
    ByteReader r4(data, size);
    h.decode(r4);
    return 0;
}
