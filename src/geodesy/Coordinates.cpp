#include "geodesy/Coordinates.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace korvance {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray byte), so that
// a degree sign counts as one separator character.
size_t utf8Length(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

// Reads the decimal number (digits with at most one fraction point) that starts at
// `pos` after any blanks, considering at most 31 characters. Leaves `pos` at the
// number's first character. Text that holds no number reads as 0.
double readNumber(std::string_view text, size_t& pos) {
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    std::string_view rest = text.substr(pos, 31);
    size_t end = 0;
    bool point = false, digits = false;
    while (end < rest.size()) {
        if (isDigit(rest[end])) {
            digits = true;
        } else if (rest[end] == '.' && !point) {
            point = true;
        } else {
            break;
        }
        ++end;
    }
    if (!digits) return 0.0;
    double v = 0.0;
    std::from_chars(rest.data(), rest.data() + end, v, std::chars_format::fixed);
    return v;
}

}  // namespace

DegreeValue::DegreeValue(double degrees) {
    const double nudged = degrees > 0 ? degrees + 2.7e-7 : degrees - 2.7e-7;
    value_ = std::trunc(nudged * 1e6) * 1e-6;
}

DegreeValue DegreeValue::FromText(std::string_view text) {
    DegreeValue result;
    size_t pos = 0;
    while (pos < text.size() && !(isDigit(text[pos]) || text[pos] == '.' || text[pos] == '-')) ++pos;
    if (pos >= text.size()) return result;
    double sign = 1.0;
    if (text[pos] == '-') {
        sign = -1.0;
        ++pos;
    }
    double parts[3] = {0.0, 0.0, 0.0};
    for (int k = 0; k < 3; ++k) {
        if (k > 0) {
            while (pos < text.size() && (isDigit(text[pos]) || text[pos] == '.')) ++pos;
            if (pos >= text.size()) break;
            pos += utf8Length(static_cast<unsigned char>(text[pos]));  // exactly one separator
            if (pos > text.size()) pos = text.size();
        }
        parts[k] = readNumber(text, pos);
    }
    result.value_ = (parts[2] * 2.777777777777778e-4 + parts[1] * 0.016666666666666666 + parts[0]) * sign;
    return result;
}

size_t DegreeValue::FormatDms(char* buffer, size_t capacity) const {
    if (!buffer || capacity == 0) return 0;
    buffer[0] = '\0';
    const double x = value_;
    const double ax = std::fabs(x);
    if (!std::isfinite(x) || ax >= 2147483647.0) return 0;
    long long d = static_cast<long long>(ax);
    const double mPrime = (ax - static_cast<double>(d)) * 60.0 + 1e-9;
    long long m = static_cast<long long>(mPrime);
    double s = (mPrime - static_cast<double>(m)) * 60.0 + 1e-9;
    // Seconds that FormatFixed would round to 60.00 carry into the minute (and the
    // minute into the degree); the leading zero is decided on the rounded seconds.
    if (s + 0.005 >= 60.0) {
        s = 0.0;
        if (++m >= 60) {
            m = 0;
            ++d;
        }
    }
    char text[64];
    int n = std::snprintf(text, sizeof text, x >= 0 ? "%lld^%02lld'" : "-%lld^%02lld'", d, m);
    if (n < 0) return 0;
    std::string out(text, static_cast<size_t>(n));
    if (s + 0.005 < 10.0) out += '0';
    out += FormatFixed(s, 2);
    out += '"';
    if (out.size() >= capacity) return 0;
    std::memcpy(buffer, out.c_str(), out.size() + 1);
    return out.size();
}

std::string DegreeValue::FormatDms() const {
    char buffer[64];
    size_t n = FormatDms(buffer, sizeof buffer);
    return std::string(buffer, n);
}

double TrackSpeedKmh(const TrackMotion& track, const Datum& datum) {
    if (track.pointCount < 2) return 0.0;
    double dt = static_cast<double>(track.lastTick) - static_cast<double>(track.previousTick);
    if (track.lastTick < track.previousTick) dt += 4294967296.0;  // the tick counter wrapped
    if (std::fabs(dt) <= 100.0) return 0.0;
    return datum.DistanceKm(track.last, track.previous) / (dt * 0.001) * 3600.0;
}

double Bearing(BearingMemory& memory, double trackSpeedKmh, double latitude1, double longitude1, double latitude2,
               double longitude2) {
    // Standing still: hold the course and the bearing to a target steady.
    if (trackSpeedKmh < 2.0) return memory.last;
    // The half-plane is decided by the longitude difference taken the short way round,
    // so that a bearing across the antimeridian points east or west correctly.
    double dlon = std::fmod(longitude2 - longitude1, 360.0);
    if (dlon > 180.0) dlon -= 360.0;
    if (dlon < -180.0) dlon += 360.0;
    const double phi1 = latitude1 * wgs84::degToRad;
    const double phi2 = latitude2 * wgs84::degToRad;
    const double dl = dlon * wgs84::degToRad;
    double bearing;
    if (std::fabs(dl) < 1e-9) {
        bearing = phi2 >= phi1 ? 0.0 : 180.0;
    } else {
        bearing = 90.0 - std::atan(std::tan(phi2) * std::cos(phi1) / std::sin(dl) - std::sin(phi1) / std::tan(dl)) *
                             wgs84::radToDeg;
        if (dl < 0) bearing += 180.0;
    }
    if (!std::isfinite(bearing)) return memory.last;
    memory.last = bearing;
    return bearing;
}

double TrackCourse(BearingMemory& memory, const TrackMotion& track, const Datum& datum) {
    if (track.pointCount < 2) return 0.0;
    return Bearing(memory, track, datum, track.previous.latitude, track.previous.longitude, track.last.latitude,
                   track.last.longitude);
}

const UnitSystem& UnitFor(uint32_t unit) {
    static const UnitSystem kUnits[kUnitSystemCount] = {
        {"Metric", 1.0, 1.0, "km", "Distance[km]", "Speed [km/h]"},
        {"Statute", 0.6213727366498067, 0.6213727366498067, "mile", "Distance[mile]", "Speed [mph]"},
        {"Nautical", 0.5399568034557235, 0.5399568034557235, "nm", "Distance[nm]", "Speed [kt]"},
    };
    return unit < kUnitSystemCount ? kUnits[unit] : kUnits[0];
}

}  // namespace korvance
