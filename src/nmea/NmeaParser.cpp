#include "nmea/NmeaParser.h"

#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

#include "data/TextUtil.h"

namespace korvance {

namespace {

// Walks the comma-separated fields of a line; the last runs to the end.
class Fields {
public:
    explicit Fields(std::string_view line) : rest_(line) {}
    bool next(std::string_view& field) {
        if (done_) return false;
        size_t comma = rest_.find(',');
        if (comma == std::string_view::npos) {
            field = rest_;
            done_ = true;
        } else {
            field = rest_.substr(0, comma);
            rest_.remove_prefix(comma + 1);
        }
        return true;
    }

private:
    std::string_view rest_;
    bool done_ = false;
};

// Truncation toward zero that stays defined for values beyond 32 bits.
int32_t truncate(double v) {
    if (!(v > -2147483648.0)) return std::numeric_limits<int32_t>::min();
    if (!(v < 2147483647.0)) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

double degreesOf(std::string_view field) {
    double v = parseDouble(field);
    int32_t d = truncate(v * 0.01);
    return (v - d * 100.0) * 0.016666666666666666 + d;
}

int twoDigits(std::string_view text, size_t at) {
    if (at >= text.size()) return 0;
    return parseInteger(text.substr(at, 2));
}

int64_t localTime(NmeaFix::HourCache& cache, int year, int month, int day, int hour, int minute, int second) {
    if (cache.year != year || cache.month != month || cache.day != day || cache.hour != hour) {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_isdst = -1;
        cache = {year, month, day, hour, static_cast<int64_t>(std::mktime(&tm))};
    }
    return cache.local + minute * 60 + second;
}

int64_t utcTime(int year, int month, int day, int hour, int minute, int second) {
    // Normalise the month as mktime does, so odd fields give the same day count.
    int m0 = month - 1;
    int y = year + (m0 >= 0 ? m0 / 12 : -((11 - m0) / 12));
    m0 -= (y - year) * 12;
    return (daysFromCivil(y, m0 + 1, 1) + day - 1) * 86400 + int64_t(hour) * 3600 + minute * 60 + second;
}

int parseRmc(NmeaFix& s, Fields& f) {
    s.latitude = s.longitude = s.speed = kNmeaNoValue;
    s.course = kNmeaNoCourse;
    std::string_view field, timeText, status;
    if (!f.next(timeText)) return -1;
    timeText = timeText.substr(0, 8);
    if (!f.next(status)) return -1;
    if (status != "A") {
        s.time = s.utcTime = 0;
        s.speed = s.latitude = s.longitude = 0;
        s.course = 0;
        s.validity = 0;
        return kNmeaRmc;
    }
    if (!f.next(field)) return -1;
    s.latitude = degreesOf(field);
    if (!f.next(field)) return -1;
    if (field == "S") s.latitude = -s.latitude;
    if (!f.next(field)) return -1;
    s.longitude = degreesOf(field);
    if (!f.next(field)) return -1;
    if (field == "W") s.longitude = -s.longitude;
    if (!f.next(field)) return -1;
    s.speed = parseDouble(field) * 1.852;
    if (!f.next(field)) return -1;
    s.course = truncate(parseDouble(field));
    std::string_view date;
    if (!f.next(date)) return -1;
    date = date.substr(0, 8);
    int hour = twoDigits(timeText, 0), minute = twoDigits(timeText, 2), second = twoDigits(timeText, 4);
    int day = twoDigits(date, 0), month = twoDigits(date, 2), year = twoDigits(date, 4) + 2000;
    s.time = localTime(s.hourCache, year, month, day, hour, minute, second);
    s.utcTime = utcTime(year, month, day, hour, minute, second);
    s.validity = 1;
    return kNmeaRmc;
}

int parseGga(NmeaFix& s, Fields& f) {
    s.altitude = kNmeaNoValue;
    std::string_view field;
    for (int i = 1; i <= 8; ++i)
        if (!f.next(field)) return -1;
    if (!f.next(field)) return -1;
    s.altitude = parseDouble(field);
    return kNmeaGga;
}

}  // namespace

bool IsSentenceOf(std::string_view line, std::string_view type) {
    return line.size() >= 6 && line[0] == '$' && line.substr(3, 3) == type;
}

int ParseSentence(NmeaFix& state, std::string_view line) {
    Fields f(line);
    std::string_view name;
    f.next(name);
    if (name.size() != 6 || name[0] != '$') return -1;
    std::string_view type = name.substr(3);
    if (type == "RMC") return parseRmc(state, f);
    if (type == "GGA") return parseGga(state, f);
    return -1;
}

void SetSentenceFilter(NmeaFix& state, std::string_view list) {
    state.filter.clear();
    size_t pieces = 1;
    for (char c : list) pieces += c == ';';
    state.filter.reserve(pieces);
    for (;;) {
        size_t semi = list.find(';');
        std::string_view piece = list.substr(0, semi);
        if (piece.size() == 3) {
            std::array<char, 8> entry{};
            std::memcpy(entry.data(), piece.data(), 3);
            state.filter.push_back(entry);
        }
        if (semi == std::string_view::npos) break;
        list.remove_prefix(semi + 1);
    }
}

int PassesFilter(const NmeaFix& state, std::string_view line) {
    if (state.filter.empty()) return 1;
    if (line.size() < 6) return 0;
    for (const auto& entry : state.filter)
        if (std::memcmp(line.data() + 3, entry.data(), 3) == 0) return 1;
    return 0;
}

}  // namespace korvance
