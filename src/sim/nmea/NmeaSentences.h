#pragma once
// NMEA 0183 sentences as a receiver writes them: RMC, GGA, GSA, GSV and VTG
// for one position, framed with "$", the checksum and CR LF.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvance {

// One position of the simulated receiver (WGS 84).
struct NmeaTrackPoint {
    double latitude = 0;
    double longitude = 0;
    double altitude = 0;  // metres
    int64_t utc = 0;      // seconds since 1970-01-01 00:00:00 UTC
    double speedKmh = 0;
    double course = 0;    // degrees
    int hundredths = 0;   // of the second, for receivers giving several positions a second
};

// "$" + body + "*hh\r\n".
std::string FrameNmea(std::string_view body);

// ddmm.mmmm,N / dddmm.mmmm,E with the minutes rounded to four decimals.
std::string NmeaLatitude(double latitude);
std::string NmeaLongitude(double longitude);

std::string FormatRmc(const NmeaTrackPoint& p, bool valid = true, std::string_view talker = "GP");
std::string FormatGga(const NmeaTrackPoint& p, std::string_view talker = "GP");
std::string FormatGsa(std::string_view talker = "GP");
// A full satellite view: three GSV sentences.
std::string FormatGsv(int epoch, std::string_view talker = "GP");
std::string FormatVtg(const NmeaTrackPoint& p, std::string_view talker = "GP");

// A track of `count` points, one a second from 2005-03-23 12:35:19 UTC,
// leaving (latitude, longitude) at `speedKmh` and turning slowly.
std::vector<NmeaTrackPoint> BuiltinNmeaTrack(int count, double latitude = 48.1173, double longitude = 11.5166,
                                             double speedKmh = 36.0);

// A corner of a way (WGS 84 degrees).
struct NmeaCorner {
    double latitude = 0;
    double longitude = 0;
};

// A track along straight legs between `corners` at `speedKmh`, `perSecond`
// points a second (1 to 100) from `startUtc`, starting on the first corner;
// each point has its leg's course. The points keep their spacing round the
// corners, so the way passes every corner within one spacing of a point.
// Empty for no corners, no speed or a rate out of range.
std::vector<NmeaTrackPoint> NmeaTrackAlong(const std::vector<NmeaCorner>& corners, double speedKmh, int64_t startUtc,
                                           int perSecond = 1, double altitude = 35.0);

}  // namespace korvance
