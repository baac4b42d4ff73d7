#include <gtest/gtest.h>

#include <optional>

#include <ctime>

#include "data/FieldSplitter.h"
#include "data/TextUtil.h"

using namespace korvance;

TEST(TextUtil, CompareBytes) {
    struct Row {
        std::string a, b;
        int want;
    } rows[] = {
        {"ab", "abc", -1}, {"b", "abc", 1}, {"", "", 0}, {"abc", "abc", 0}, {"abc", "ab", 1},
        {"\x80", "a", -1},  // bytes are signed: 0x80 is below 'a'
        {"A", "a", -1},
    };
    for (const auto& r : rows) EXPECT_EQ(compareBytes(r.a, r.b), r.want) << r.a << " vs " << r.b;
    EXPECT_EQ(compareBytesN("abcX", "abcY", 3), 0);
    EXPECT_EQ(compareBytesN("abcX", "abcY", 4), -1);
    EXPECT_EQ(compareBytesN("x", "y", 0), 0);
}

TEST(TextUtil, CopyToBufferIsBoundedAndTerminated) {
    char buf[4] = {'z', 'z', 'z', 'z'};
    EXPECT_EQ(copyToBuffer(buf, 4, "ABCDEF"), 3u);
    EXPECT_EQ(std::string(buf), "ABC");
    EXPECT_EQ(copyToBuffer(buf, 4, ""), 0u);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(copyToBuffer(buf, 0, "A"), 0u);
}

TEST(TextUtil, ReadNumbers) {
    struct Row {
        const char* text;
        int32_t integer;
        double real;
    } rows[] = {
        {"54S", 54, 54},       {"12.5e", 12, 12.5},    {"abc", 0, 0},           {"", 0, 0},
        {"  -17x", -17, -17},  {"+3.25", 3, 3.25},     {"1e3", 1, 1000},        {".5", 0, 0.5},
        {"0x1A", 0, 0},        {"inf", 0, 0},          {"99999999999", 2147483647, 99999999999.0},
        {"-99999999999", -2147483647 - 1, -99999999999.0}, {"\t42", 42, 42},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(parseInteger(r.text), r.integer) << r.text;
        EXPECT_DOUBLE_EQ(parseDouble(r.text), r.real) << r.text;
    }
}

// The whole text or nothing; and the "%.*g" text, with a point under every locale.
TEST(TextUtil, StrictNumbersAndSignificantDigits) {
    const struct {
        const char* text;
        std::optional<double> value;
    } reads[] = {
        {"12.5", 12.5}, {" +12.5\r\n", 12.5}, {"-0.25", -0.25}, {"1e3", 1000.0}, {".5", 0.5},
        {"12,5", std::nullopt}, {"12.5x", std::nullopt}, {"", std::nullopt}, {"nan", std::nullopt},
        {"inf", std::nullopt}, {"1e999", std::nullopt}, {"0x10", std::nullopt}, {"- 1", std::nullopt},
    };
    for (const auto& r : reads) EXPECT_EQ(parseNumber(r.text), r.value) << r.text;
    const struct {
        double v;
        int digits;
        const char* text;
    } writes[] = {
        {35.658581, 17, "35.658580999999998"}, {34.5, 9, "34.5"}, {0.0, 9, "0"}, {-1e-7, 9, "-1e-07"},
        {123456789012.0, 9, "1.23456789e+11"},
    };
    for (const auto& w : writes) EXPECT_EQ(formatSignificant(w.v, w.digits), w.text) << w.v;
}

TEST(TextUtil, CalendarTime) {
    struct Row {
        CalendarTime t;
        int32_t seconds;
    } rows[] = {
        {{1989, 12, 31, 0, 0, 0}, 631065600},
        {{1970, 1, 1, 0, 0, 0}, 0},
        {{2000, 2, 29, 23, 59, 59}, 951868799},
        {{1969, 12, 31, 23, 59, 59}, -1},
        {{2038, 1, 19, 3, 14, 7}, 2147483647},
        {{1901, 12, 13, 20, 45, 52}, -2147483647 - 1},
    };
    for (const auto& r : rows) {
        auto s = calendarToSeconds(r.t);
        ASSERT_TRUE(s) << r.seconds;
        EXPECT_EQ(*s, r.seconds);
        EXPECT_EQ(secondsToCalendar(r.seconds), r.t) << r.seconds;
    }
    // Against the C library over a spread of instants.
    for (int64_t s = -2147483647LL; s < 2147483647LL; s += 7777777) {
        std::time_t tt = static_cast<std::time_t>(s);
        std::tm tm{};
        gmtime_r(&tt, &tm);
        CalendarTime want{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
        ASSERT_EQ(secondsToCalendar(int32_t(s)), want) << s;
        ASSERT_EQ(calendarToSeconds(want), int32_t(s));
    }
    const CalendarTime invalid[] = {{2001, 2, 29, 0, 0, 0}, {2000, 13, 1, 0, 0, 0}, {2000, 1, 1, 24, 0, 0},
                                    {2000, 1, 0, 0, 0, 0},  {2100, 1, 1, 0, 0, 0}};
    for (const auto& t : invalid) EXPECT_FALSE(calendarToSeconds(t)) << t.year << "-" << t.month << "-" << t.day;
}

TEST(TextUtil, CodePageConversions) {
    CodePage cp932("CP932");
    ASSERT_TRUE(cp932.valid());
    // Tokyo in CP932 and its UTF-8: one character of it, and room for 3 bytes,
    // where the second character does not fit whole.
    EXPECT_EQ(oemToUi(&cp932, "\x93\x8C\x8B\x9E", 1), "\xE6\x9D\xB1");
    EXPECT_EQ(uiToOem(&cp932, "\xE6\x9D\xB1\xE4\xBA\xAC", 4), "\x93\x8C");
    EXPECT_EQ(uiToOem(nullptr, "Caf\xC3\xA9", 0), "Caf\xE9");
    EXPECT_EQ(oemToUi(nullptr, "Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(uiToOem(nullptr, "abcdef", 4), "abc");
}

TEST(FieldSplitter, SplitsAtAnySeparator) {
    struct Row {
        std::string text, separators;
        std::vector<std::string> fields;
        int count;
        std::string last;
    } rows[] = {
        {"a,,b", ",\t", {"a", "", "b"}, 3, "b"},
        {"a,b,", ",\t", {"a", "b"}, 3, ""},
        {"x,y,z", ",", {"x", "y", "z"}, 3, "z"},
        {"a\tb,c", ",\t", {"a", "b", "c"}, 3, "c"},
        {"plain", ",", {"plain"}, 1, "plain"},
        {"", ",", {}, 1, ""},
        {",", ",", {""}, 2, ""},
        {"$GPRMC,1*7A", ",*", {"$GPRMC", "1", "7A"}, 3, "7A"},
    };
    for (const auto& r : rows) {
        FieldSplitter s(r.text, r.separators);
        EXPECT_EQ(s.fieldCount(), r.count) << r.text;
        std::vector<std::string> got;
        for (auto f = s.first(); f; f = s.next()) got.emplace_back(*f);
        EXPECT_EQ(got, r.fields) << r.text;
        EXPECT_FALSE(s.next());
        EXPECT_EQ(s.last(), r.last) << r.text;
        // first() starts over.
        auto again = s.first();
        EXPECT_EQ(bool(again), !r.fields.empty());
    }
}
