#include "sim/nmea/NmeaSentences.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "data/TextUtil.h"

namespace korvance {

namespace {

constexpr double kPi = 3.14159265358979323846;

uint8_t checksum(std::string_view body) {
    uint8_t x = 0;
    for (char c : body) x ^= static_cast<uint8_t>(c);
    return x;
}

std::string angle(double value, int degreeDigits, char positive, char negative) {
    long long total = std::llround(std::fabs(value) * 60.0 * 10000.0);  // 1/10000 minutes
    long long degrees = total / 600000;
    long long minutes = total % 600000;
    // Whole numbers only, so the sentence is the same under every locale.
    char buf[48];
    std::snprintf(buf, sizeof buf, "%0*lld%02lld.%04lld,%c", degreeDigits, degrees, minutes / 10000, minutes % 10000,
                  value < 0 ? negative : positive);
    return buf;
}

std::string timeOfDay(int64_t utc, int hundredths) {
    time_t t = static_cast<time_t>(utc);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d.%02d", tm.tm_hour, tm.tm_min, tm.tm_sec, hundredths % 100);
    return buf;
}

std::string date(int64_t utc) {
    time_t t = static_cast<time_t>(utc);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year % 100);
    return buf;
}

}  // namespace

std::string FrameNmea(std::string_view body) {
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X\r\n", checksum(body));
    std::string s = "$";
    s += body;
    s += tail;
    return s;
}

std::string NmeaLatitude(double latitude) { return angle(latitude, 2, 'N', 'S'); }
std::string NmeaLongitude(double longitude) { return angle(longitude, 3, 'E', 'W'); }

std::string FormatRmc(const NmeaTrackPoint& p, bool valid, std::string_view talker) {
    const std::string motion = FormatFixed(p.speedKmh / 1.852, 2) + "," + FormatFixed(p.course, 1);
    std::string body = std::string(talker) + "RMC," + timeOfDay(p.utc, p.hundredths) + (valid ? ",A," : ",V,") +
                       NmeaLatitude(p.latitude) + "," + NmeaLongitude(p.longitude) + "," + motion + "," + date(p.utc) +
                       ",,,A";
    return FrameNmea(body);
}

std::string FormatGga(const NmeaTrackPoint& p, std::string_view talker) {
    const std::string alt = FormatFixed(p.altitude, 1);
    std::string body = std::string(talker) + "GGA," + timeOfDay(p.utc, p.hundredths) + "," +
                       NmeaLatitude(p.latitude) + "," + NmeaLongitude(p.longitude) + ",1,08,0.9," + alt +
                       ",M,46.9,M,,";
    return FrameNmea(body);
}

std::string FormatGsa(std::string_view talker) {
    return FrameNmea(std::string(talker) + "GSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
}

std::string FormatGsv(int epoch, std::string_view talker) {
    std::string out;
    for (int part = 1; part <= 3; ++part) {
        std::string body = std::string(talker) + "GSV,3," + std::to_string(part) + ",11";
        for (int i = 0; i < 4 && (part - 1) * 4 + i < 11; ++i) {
            int prn = (part - 1) * 4 + i + 1;
            char sat[32];
            std::snprintf(sat, sizeof sat, ",%02d,%02d,%03d,%02d", prn, (prn * 7 + epoch) % 90,
                          (prn * 33 + epoch) % 360, 20 + (prn * 3 + epoch) % 30);
            body += sat;
        }
        out += FrameNmea(body);
    }
    return out;
}

std::string FormatVtg(const NmeaTrackPoint& p, std::string_view talker) {
    return FrameNmea(std::string(talker) + "VTG," + FormatFixed(p.course, 1) + ",T,,M," +
                     FormatFixed(p.speedKmh / 1.852, 2) + ",N," + FormatFixed(p.speedKmh, 2) + ",K,A");
}

std::vector<NmeaTrackPoint> BuiltinNmeaTrack(int count, double latitude, double longitude, double speedKmh) {
    std::vector<NmeaTrackPoint> track;
    if (count <= 0) return track;
    track.reserve(static_cast<size_t>(count));
    double course = 84.0;
    for (int i = 0; i < count; ++i) {
        NmeaTrackPoint p;
        p.latitude = latitude;
        p.longitude = longitude;
        p.altitude = 545.4 + 10.0 * std::sin(i / 30.0);
        p.utc = 1111581319 + i;  // 2005-03-23 12:35:19 UTC
        p.speedKmh = speedKmh;
        p.course = course;
        track.push_back(p);
        // One second along the course on a sphere of the earth's mean radius.
        double metres = speedKmh / 3.6;
        double rad = course * kPi / 180.0;
        latitude += metres * std::cos(rad) / 6371000.0 * 180.0 / kPi;
        longitude += metres * std::sin(rad) / (6371000.0 * std::cos(latitude * kPi / 180.0)) * 180.0 / kPi;
        if (longitude > 180) longitude -= 360;
        if (longitude < -180) longitude += 360;
        course = std::fmod(course + 0.5, 360.0);
    }
    return track;
}

std::vector<NmeaTrackPoint> NmeaTrackAlong(const std::vector<NmeaCorner>& corners, double speedKmh, int64_t startUtc,
                                           int perSecond, double altitude) {
    std::vector<NmeaTrackPoint> track;
    if (corners.empty() || !(speedKmh > 0) || perSecond < 1 || perSecond > 100) return track;
    const double step = speedKmh / 3.6 / perSecond;  // metres between two points
    const double metresPerDegree = 6371000.0 * kPi / 180.0;
    auto add = [&](double latitude, double longitude, double course) {
        NmeaTrackPoint p;
        p.latitude = latitude;
        p.longitude = longitude;
        p.altitude = altitude;
        const int64_t n = static_cast<int64_t>(track.size());
        p.utc = startUtc + n / perSecond;
        p.hundredths = static_cast<int>(n % perSecond * 100 / perSecond);
        p.speedKmh = speedKmh;
        p.course = course;
        track.push_back(p);
    };
    double along = 0;  // where on the current leg the next point lies, in metres
    for (size_t i = 0; i + 1 < corners.size(); ++i) {
        const NmeaCorner& a = corners[i];
        const NmeaCorner& b = corners[i + 1];
        // Legs of a few kilometres: flat within centimetres.
        const double north = (b.latitude - a.latitude) * metresPerDegree;
        const double east = (b.longitude - a.longitude) * metresPerDegree *
                            std::cos((a.latitude + b.latitude) / 2 * kPi / 180.0);
        const double length = std::hypot(north, east);
        if (length <= 0) continue;
        double course = std::atan2(east, north) * 180.0 / kPi;
        if (course < 0) course += 360.0;
        for (; along < length; along += step) {
            const double f = along / length;
            add(a.latitude + f * (b.latitude - a.latitude), a.longitude + f * (b.longitude - a.longitude), course);
        }
        along -= length;
    }
    if (track.empty()) add(corners.front().latitude, corners.front().longitude, 0.0);
    return track;
}

}  // namespace korvance
