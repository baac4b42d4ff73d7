#pragma once
// NMEA 0183 sentences into the values the program uses: position, time,
// speed and course from RMC, altitude from GGA; and the sentence filter that
// decides which lines go into the NMEA log. Lines arrive already framed and
// checksum-tested by NmeaLineBuffer. Text is 8-bit.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace korvance {

// Stands for a value a sentence was expected to fill but did not reach.
inline constexpr double kNmeaNoValue = -99999.0;
inline constexpr int32_t kNmeaNoCourse = -99999;

// The parser state: one per reader, all zero at creation.
struct NmeaFix {
    int32_t validity = 0;  // 1 after an RMC with status "A" was fully parsed
    // Calendar time of the last good RMC: its UTC date and time fields read as
    // local time (as mktime with the daylight-saving state left to the system).
    int64_t time = 0;
    // The same fields read as UTC: seconds since 1970-01-01 00:00:00 UTC.
    int64_t utcTime = 0;
    double latitude = 0;   // degrees, north positive
    double longitude = 0;  // degrees, east positive
    double altitude = 0;   // metres, from GGA
    double speed = 0;      // km/h, from RMC
    int32_t course = 0;    // degrees, truncated, from RMC

    // Sentence types to log, three characters and a terminating zero each.
    std::vector<std::array<char, 8>> filter;

    // Local-time conversion of the last hour seen: daylight-saving changes
    // fall on whole hours, so within one hour the conversion is linear.
    struct HourCache {
        int year = -1, month = -1, day = -1, hour = -1;
        int64_t local = 0;
    } hourCache;
};

inline constexpr int kNmeaRmc = 1;
inline constexpr int kNmeaGga = 2;

// 1 for an RMC sentence, 2 for a GGA sentence, -1 otherwise (also for an RMC
// or GGA sentence that ends before its last needed field).
int ParseSentence(NmeaFix& state, std::string_view line);

// `list` is the NMEASentence setting in 8-bit text: types separated by ";".
void SetSentenceFilter(NmeaFix& state, std::string_view list);
// 1 when the line's characters 3 to 5 are one of the filter's types, or when
// the filter is empty; else 0.
int PassesFilter(const NmeaFix& state, std::string_view line);

// The sentence kind of a framed line ("$" and characters 3 to 5), without parsing.
bool IsSentenceOf(std::string_view line, std::string_view type);

}  // namespace korvance
