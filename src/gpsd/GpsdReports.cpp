#include "gpsd/GpsdReports.h"

#include <charconv>
#include <cmath>

#include <nlohmann/json.hpp>

#include "data/TextUtil.h"
#include "view/CKorvanceView.h"

namespace korvance {

namespace {

std::optional<double> number(const nlohmann::json& report, const char* key) {
    const auto it = report.find(key);
    if (it == report.end() || !it->is_number()) return std::nullopt;
    const double v = it->get<double>();
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<int32_t> whole(double v) {
    if (!(v > -2147483648.5 && v < 2147483647.5)) return std::nullopt;
    return static_cast<int32_t>(std::lround(v));
}

// Exactly `n` digits at `at`, or -1.
int digits(std::string_view s, size_t at, size_t n) {
    if (at + n > s.size()) return -1;
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data() + at, s.data() + at + n, v);
    return ec == std::errc() && end == s.data() + at + n ? v : -1;
}

GpsdReport fixOf(const nlohmann::json& tpv) {
    GpsdReport r;  // Ignored unless a 2D or 3D fix with a position
    const auto mode = number(tpv, "mode");
    const auto lat = number(tpv, "lat");
    const auto lon = number(tpv, "lon");
    if (!mode || (*mode != 2 && *mode != 3) || !lat || !lon || std::fabs(*lat) > 90 || std::fabs(*lon) > 180) return r;
    r.kind = GpsdReport::Fix;
    r.fix.latitude = static_cast<int32_t>(std::lround(*lat / kMonitorDegreesPerUnit));
    r.fix.longitude = static_cast<int32_t>(std::lround(*lon / kMonitorDegreesPerUnit));
    if (*mode == 3) {
        // altMSL since protocol 3.20; before it "alt" was the height above sea level.
        auto alt = number(tpv, "altMSL");
        if (!alt) alt = number(tpv, "alt");
        if (alt) r.fix.height = whole(*alt);
    }
    if (const auto t = tpv.find("time"); t != tpv.end()) {
        if (t->is_string()) r.fix.time = ParseGpsdTime(t->get_ref<const std::string&>());
        else if (const auto s = number(tpv, "time")) r.fix.time = whole(std::floor(*s));  // early 3.x: Unix seconds
    }
    return r;
}

}  // namespace

std::optional<int32_t> ParseGpsdTime(std::string_view s) {
    // yyyy-mm-ddThh:mm:ss[.fff]Z
    if (s.size() < 20 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':' || s.back() != 'Z')
        return std::nullopt;
    CalendarTime t;
    t.year = digits(s, 0, 4);
    t.month = digits(s, 5, 2);
    t.day = digits(s, 8, 2);
    t.hour = digits(s, 11, 2);
    t.minute = digits(s, 14, 2);
    t.second = digits(s, 17, 2);
    if (t.year < 0 || t.month < 0 || t.day < 0 || t.hour < 0 || t.minute < 0 || t.second < 0) return std::nullopt;
    if (s.size() > 20) {
        if (s[19] != '.' || s.size() == 21) return std::nullopt;
        for (size_t i = 20; i + 1 < s.size(); ++i)
            if (s[i] < '0' || s[i] > '9') return std::nullopt;
    }
    return calendarToSeconds(t);
}

GpsdReport ParseGpsdReport(std::string_view line) {
    GpsdReport r;
    const nlohmann::json report = nlohmann::json::parse(line, nullptr, /*allow_exceptions=*/false);
    const auto cls = report.is_object() ? report.find("class") : report.end();
    if (!report.is_object() || cls == report.end() || !cls->is_string()) {
        r.kind = GpsdReport::Invalid;
        return r;
    }
    const std::string& name = cls->get_ref<const std::string&>();
    if (name == "TPV") return fixOf(report);
    if (name == "VERSION") {
        const auto major = number(report, "proto_major");
        const auto minor = number(report, "proto_minor");
        if (!major) {
            r.kind = GpsdReport::Invalid;
            return r;
        }
        r.kind = GpsdReport::Version;
        r.protoMajor = whole(*major).value_or(-1);
        r.protoMinor = minor ? whole(*minor).value_or(0) : 0;
        if (const auto rel = report.find("release"); rel != report.end() && rel->is_string()) r.text = *rel;
        return r;
    }
    if (name == "ERROR") {
        r.kind = GpsdReport::Error;
        if (const auto m = report.find("message"); m != report.end() && m->is_string()) r.text = *m;
        return r;
    }
    return r;
}

bool ParseGpsdServer(std::string_view text, std::string& host, int& port) {
    std::string_view h = text, p;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string_view::npos) return false;
        h = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return false;
            p = rest.substr(1);
            if (p.empty()) return false;
        }
    } else if (const size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        if (text.find(':') != colon) {
            // A bare IPv6 address (hex digits, colons, and dots of an IPv4 tail).
            if (text.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos) return false;
            h = text;
        } else {
            h = text.substr(0, colon);
            p = text.substr(colon + 1);
            if (p.empty()) return false;
        }
    }
    int n = kGpsdDefaultPort;
    if (!p.empty()) {
        const auto [end, ec] = std::from_chars(p.data(), p.data() + p.size(), n);
        if (ec != std::errc() || end != p.data() + p.size() || n < 1 || n > 65535) return false;
    }
    host = h.empty() ? std::string(kGpsdDefaultHost) : std::string(h);
    port = n;
    return true;
}

}  // namespace korvance
