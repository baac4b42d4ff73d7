#pragma once
// A position as the system holds it: decimal degrees, north and east positive,
// in the display datum everywhere except on the wire to the receiver (WGS 84).

namespace korvance {

struct GeoPosition {
    double latitude = 0.0;
    double longitude = 0.0;

    friend bool operator==(const GeoPosition&, const GeoPosition&) = default;
};

}  // namespace korvance
