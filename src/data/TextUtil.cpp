#include "data/TextUtil.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace korvance {

int compareBytes(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        auto x = static_cast<signed char>(a[i]);
        auto y = static_cast<signed char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int compareBytesN(std::string_view a, std::string_view b, int n) {
    if (n < 1) return 0;
    auto un = static_cast<size_t>(n);
    return compareBytes(a.substr(0, un), b.substr(0, un));
}

size_t copyToBuffer(char* dst, size_t size, std::string_view src) {
    if (size == 0 || dst == nullptr) return 0;
    size_t n = src.size() < size - 1 ? src.size() : size - 1;
    if (n) std::memcpy(dst, src.data(), n);
    dst[n] = 0;
    return n;
}

std::string withoutLineBreaks(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

namespace {

std::string latin1ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (unsigned char c : s) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string utf8ToLatin1(std::string_view s) {
    std::string out;
    for (char32_t c : utf8ToUtf16(s)) out += c < 0x100 ? char(c) : '?';
    return out;
}

}  // namespace

std::string oemToUi(const CodePage* codePage, std::string_view oem, size_t maxChars) {
    size_t z = oem.find('\0');
    if (z != std::string_view::npos) oem = oem.substr(0, z);
    std::string ui = codePage ? codePage->toUtf8(oem) : latin1ToUtf8(oem);
    if (maxChars == 0) return ui;
    std::u16string wide = utf8ToUtf16(ui);
    if (wide.size() <= maxChars) return ui;
    size_t cut = maxChars;
    if (cut > 0 && wide[cut - 1] >= 0xD800 && wide[cut - 1] < 0xDC00) --cut;  // keep surrogate pairs whole
    return utf16ToUtf8(wide.substr(0, cut));
}

std::string uiToOem(const CodePage* codePage, std::string_view ui, size_t size) {
    std::string oem = codePage ? codePage->fromUtf8(ui) : utf8ToLatin1(ui);
    size_t z = oem.find('\0');
    if (z != std::string::npos) oem.resize(z);
    if (size == 0 || oem.size() < size) return oem;
    oem.resize(codePage ? codePage->cutLength(oem, size - 1) : size - 1);
    return oem;
}

namespace {

// Blanks as the wide-string conversions skip them.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view skipBlanks(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && isBlank(s[i])) ++i;
    return s.substr(i);
}

}  // namespace

int32_t parseInteger(std::string_view text) {
    std::string_view s = skipBlanks(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    int64_t v = 0;
    bool any = false;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        any = true;
        if (v <= int64_t(1) << 32) v = v * 10 + (c - '0');
    }
    if (!any) return 0;
    if (negative) v = -v;
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

double parseDouble(std::string_view text) {
    std::string_view s = skipBlanks(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    // Only plain decimal notation: no hexadecimal, infinity or NaN forms.
    if (s.empty() || !((s[0] >= '0' && s[0] <= '9') || s[0] == '.')) return 0;
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (r.ec != std::errc()) return 0;
    return negative ? -v : v;
}

std::optional<double> parseNumber(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

int FormatFixed(double v, int decimals, char* buffer, size_t capacity) {
    if (buffer && capacity > 0) buffer[0] = '\0';
    if (!buffer || decimals < 1 || decimals > 9 || !std::isfinite(v)) return 0;
    long long p = 1;
    for (int k = 0; k < decimals; ++k) p *= 10;
    const double pd = static_cast<double>(p);
    const double w = std::fabs(v) + 0.5 / pd;
    if (w >= 9.2e18) return 0;
    const long long i = static_cast<long long>(w);
    long long f = static_cast<long long>((w - static_cast<double>(i)) * pd);
    if (f >= p) f = p - 1;
    // Integers only: "%d" and its kin are the same under every locale.
    char text[48];
    int n = std::snprintf(text, sizeof text, "%s%lld.%0*lld", v < 0 ? "-" : "", i, decimals, f);
    if (n < 0 || static_cast<size_t>(n) >= capacity) return 0;
    std::memcpy(buffer, text, static_cast<size_t>(n) + 1);
    return 1;
}

std::string FormatFixed(double v, int decimals) {
    char buffer[48];
    return FormatFixed(v, decimals, buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

std::string formatSignificant(double v, int significant) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, std::clamp(significant, 1, 17));
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string();
}

int64_t daysFromCivil(int year, int month, int day) {
    // Days since 1970-01-01 in the proleptic Gregorian calendar.
    int64_t y = int64_t(year) - (month <= 2 ? 1 : 0);
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t mp = (month + 9) % 12;
    int64_t doy = (153 * mp + 2) / 5 + day - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

namespace {

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

}  // namespace

std::optional<int32_t> calendarToSeconds(const CalendarTime& t) {
    if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > daysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 ||
        t.second < 0 || t.second > 59)
        return std::nullopt;
    int64_t s = daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    if (s < std::numeric_limits<int32_t>::min() || s > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return static_cast<int32_t>(s);
}

CalendarTime calendarFromUnix(int64_t seconds) {
    int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    int64_t rest = seconds - days * 86400;
    int64_t z = days + 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    CalendarTime t;
    t.day = int(doy - (153 * mp + 2) / 5 + 1);
    t.month = int(mp < 10 ? mp + 3 : mp - 9);
    t.year = int(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    t.hour = int(rest / 3600);
    t.minute = int(rest % 3600 / 60);
    t.second = int(rest % 60);
    return t;
}

CalendarTime secondsToCalendar(int32_t seconds) { return calendarFromUnix(seconds); }

}  // namespace korvance
