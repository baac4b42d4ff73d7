#include "data/TrackPoint.h"

namespace korvance {

void TrackPoint::encode(ByteWriter& w) const {
    w.f64(latitude);
    w.f64(longitude);
    w.u32(time);
    w.u16(segment);
    w.u16(spare);
    w.f32(altitude);
    w.i32(depth);
}

bool TrackPoint::decode(ByteReader& r) {
    const bool wasOk = r.ok();
    latitude = r.f64();
    longitude = r.f64();
    time = r.u32();
    segment = r.u16();
    spare = r.u16();
    altitude = r.f32();
    depth = r.i32();
    return wasOk && r.ok();
}

}  // namespace korvance
