#include "files/PotLine.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "data/TextUtil.h"

namespace korvance::files {

namespace {

const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                 "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// A key matches when it is at least `n` characters long and its first n
// characters equal those of `name`, ignoring ASCII case.
bool keyIs(std::string_view key, const char* name, size_t n) {
    if (key.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (upper(key[i]) != name[i]) return false;
    return true;
}

double readDouble(std::string_view s) { return parseDouble(s); }
int32_t readLong(std::string_view s) { return parseInteger(s); }

std::string_view piece(std::string_view s, size_t pos, size_t n) {
    if (pos >= s.size()) return {};
    return s.substr(pos, n);
}

}  // namespace

double parsePotDegrees(std::string_view text) {
    double part[4] = {0, 0, 0, 0};
    size_t start = 0;
    for (int i = 0; i < 4 && start <= text.size(); ++i) {
        size_t end = text.find('\'', start);
        part[i] = readDouble(text.substr(start, end == std::string_view::npos ? text.size() - start : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    double sign = part[0] < 0 ? -1.0 : 1.0;
    return part[0] + sign * (part[1] / 60.0 + (part[2] + part[3] / 10.0) / 3600.0);
}

std::string formatPotDegrees(double value) {
    if (!std::isfinite(value)) value = 0;
    double x = std::fabs(value);
    if (x > 1e6) x = 1e6;
    int d = int(x);
    double r = (x - d) * 60;
    int m = int(r);
    r = (r - m) * 60;
    int s = int(r);
    r = (r - s) * 10;
    int t = int(r);
    if (value < 0) d = -d;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%03d'%02d'%02d'%1d", d, m, s, t);
    return buf;
}

std::string formatPotDate(int64_t unixTime) {
    CalendarTime c = calendarFromUnix(unixTime);
    int yy = c.year;
    if (yy >= 2000) yy -= 100;
    yy -= 1900;
    const char* month = (c.month >= 1 && c.month <= 12) ? kMonths[c.month - 1] : "JAN";
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d-%3.3s-%02d", c.day, month, yy);
    return buf;
}

std::string formatPotTime(int64_t unixTime) {
    CalendarTime c = calendarFromUnix(unixTime);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", c.hour, c.minute, c.second);
    return buf;
}

PotLabel splitPotLabel(std::string_view label) {
    PotLabel out;
    size_t colon = label.substr(0, 10).find(':');
    std::string_view id, rest;
    if (colon != std::string_view::npos) {
        id = label.substr(0, colon);
        rest = label.substr(colon + 1);
    } else {
        id = label.substr(0, 10);
        rest = label.size() > 10 ? label.substr(10) : std::string_view{};
        // An identifier of exactly 10 characters is written with its ':' just
        // after them: that ':' separates, it is no part of the comment.
        if (!rest.empty() && rest.front() == ':') rest.remove_prefix(1);
    }
    out.identifier = std::string(id.substr(0, 63));
    out.comment = std::string(rest.substr(0, 127));
    return out;
}

PotRecord parsePotLine(std::string_view line) {
    PotRecord rec;
    if (line.size() < 10) return rec;

    bool haveDate = false, haveTime = false;
    int64_t dateSeconds = 0, timeSeconds = 0;
    size_t start = 0;
    while (start <= line.size()) {
        size_t slash = line.find('/', start);
        std::string_view field = line.substr(start, slash == std::string_view::npos ? line.size() - start : slash - start);
        size_t eq = field.find('=');
        if (eq != std::string_view::npos) {
            std::string_view key = field.substr(0, eq);
            std::string_view value = field.substr(eq + 1);
            size_t eq2 = value.find('=');
            if (eq2 != std::string_view::npos) value = value.substr(0, eq2);

            if (keyIs(key, "IDO", 3)) {
                rec.latitude = parsePotDegrees(value);
            } else if (keyIs(key, "KEI", 3)) {
                rec.longitude = parsePotDegrees(value);
            } else if (keyIs(key, "ALTITUDE", 8)) {
                rec.altitude = readDouble(value);
            } else if (keyIs(key, "DEG", 3)) {
                rec.angle = parsePotDegrees(value);
            } else if (keyIs(key, "ADR", 3)) {
                rec.group = readLong(value);
            } else if (keyIs(key, "PDATE", 5)) {
                int day = readLong(piece(value, 0, 2));
                std::string_view mon = piece(value, 3, 3);
                int month = 1;
                for (int i = 0; i < 12; ++i) {
                    if (mon.size() == 3 && upper(mon[0]) == kMonths[i][0] && upper(mon[1]) == kMonths[i][1] &&
                        upper(mon[2]) == kMonths[i][2]) {
                        month = i + 1;
                        break;
                    }
                }
                int year = 1900 + readLong(piece(value, 7, 2));
                if (year < 1970) year += 100;
                if (day < 0) day = 0;
                if (day > 99) day = 99;
                dateSeconds = (daysFromCivil(year, month, 1) + day - 1) * 86400;
                haveDate = true;
            } else if (keyIs(key, "PTIME", 5)) {
                timeSeconds = int64_t(readLong(piece(value, 0, 2))) * 3600 + int64_t(readLong(piece(value, 3, 2))) * 60 +
                              readLong(piece(value, 6, 2));
                haveTime = true;
            }
            // Every field is tested for the label on its own as well.
            if (keyIs(key, "TEX", 3)) {
                if (value.empty())
                    rec.label.reset();
                else
                    rec.label = std::string(value);
                // Lines end in CR LF and are split at LF: the CR is no part of a label.
                if (rec.label && !rec.label->empty() && rec.label->back() == '\r') rec.label->pop_back();
                if (rec.label && rec.label->empty()) rec.label.reset();
            }
        }
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }

    int64_t t = (haveDate ? dateSeconds : 0) + (haveTime ? timeSeconds : 0);
    if (t == 0) t = kReceiverEpochUnix;
    rec.time = t;

    bool hasLabel = rec.label.has_value();
    bool hasGroup = rec.group != kPotNoGroup;
    rec.kind = hasLabel ? (hasGroup ? PotKind::RouteWaypoint : PotKind::Waypoint)
                        : (hasGroup ? PotKind::TrackPoint : PotKind::Ignored);
    return rec;
}

}  // namespace korvance::files
