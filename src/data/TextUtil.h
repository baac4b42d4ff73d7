#pragma once
// Small text, number and calendar-time tools shared by the records and the
// file formats. Record text is 8-bit OEM text; user-interface text is UTF-8.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace korvance {

// Caption of the program's own message boxes.
inline constexpr const char* kAppCaption = "korvance";

// Byte-wise comparison with bytes taken as signed: -1, 0 or 1. A prefix is
// less than the longer text.
int compareBytes(std::string_view a, std::string_view b);
// The same over the first n bytes only (0 for n < 1).
int compareBytesN(std::string_view a, std::string_view b, int n);

// Copies `src` into a caller buffer of `size` bytes: at most size - 1 bytes,
// always terminated (nothing happens for size 0). Returns the bytes copied.
size_t copyToBuffer(char* dst, size_t size, std::string_view src);

// OEM text to UI text. With maxChars > 0 the result holds at most that many
// characters (messages quote identifiers so). Without a code page the bytes
// are taken as Latin-1.
std::string oemToUi(const CodePage* codePage, std::string_view oem, size_t maxChars = 0);
// UI text to OEM text of at most size - 1 bytes, never ending inside a
// two-byte character (size 0: no limit).
std::string uiToOem(const CodePage* codePage, std::string_view ui, size_t size = 0);

// A count with its English noun: "1 segment", "2 segments".
inline std::string counted(size_t n, std::string_view noun) {
    return std::to_string(n) + " " + std::string(noun) + (n == 1 ? "" : "s");
}

// The text with every carriage return and line feed replaced by a blank: a
// field written into a line-based file must not end or split its line.
std::string withoutLineBreaks(std::string_view text);

// A base-10 integer at the start of the text: leading blanks and a sign are
// allowed, reading stops at the first byte that is not part of the number;
// no number gives 0. Values beyond 32 bits are clamped.
int32_t parseInteger(std::string_view text);
// Numbers in files, on the wire and in machine-readable output go through the
// routines below only: they read and write the same bytes under every process
// locale (a comma-decimal locale never turns "12.5" into 12 or 12,5).
//
// A decimal floating-point number read the same way ("12.5e" gives 12.5,
// "abc" gives 0).
double parseDouble(std::string_view text);
// The whole text as one finite decimal number (blanks around it and a leading
// "+" allowed); nothing when anything else is there.
std::optional<double> parseNumber(std::string_view text);
// Fixed-decimal text of v with 1 to 9 decimals, rounded half up (by adding half a unit
// of the last place and cutting), "-" before the text of |v| when v is negative.
// Returns 1 on success; 0 with an empty buffer when decimals is outside 1..9, the text
// does not fit below capacity, or v is not finite (or beyond 9.2e18).
int FormatFixed(double v, int decimals, char* buffer, size_t capacity);
std::string FormatFixed(double v, int decimals);  // "" on failure
// v with at most `significant` significant digits in the shorter of fixed and
// exponent notation, trailing zeros dropped ("35.5", "1e-07").
std::string formatSignificant(double v, int significant);

struct CalendarTime {
    int year = 1970;
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

// Seconds from 1970-01-01 00:00:00 (Gregorian, UTC). Empty for a date or
// time that does not exist or lies outside the 32-bit range.
std::optional<int32_t> calendarToSeconds(const CalendarTime& t);
CalendarTime secondsToCalendar(int32_t seconds);
// The same on 64 bits, for receiver times beyond 2038.
int64_t daysFromCivil(int year, int month, int day);
CalendarTime calendarFromUnix(int64_t seconds);

}  // namespace korvance
