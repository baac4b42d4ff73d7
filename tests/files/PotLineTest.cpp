#include "files/PotLine.h"

#include "data/TextUtil.h"

#include <gtest/gtest.h>

using namespace korvance::files;
using korvance::daysFromCivil;
using korvance::kReceiverEpochUnix;

TEST(PotDegrees, WriteAndRead) {
    struct Row {
        double value;
        const char* text;
        double readBack;
    } rows[] = {
        {35.5, "035'30'00'0", 35.5},
        {-139.25, "-139'15'00'0", -139.25},
        {0.0, "000'00'00'0", 0.0},
        {-0.5, "000'30'00'0", 0.5},  // a negative value above -1 loses its sign
        {12.3456789, "012'20'44'4", 12.0 + 20 / 60.0 + 44.4 / 3600.0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(formatPotDegrees(r.value), r.text);
        EXPECT_NEAR(parsePotDegrees(r.text), r.readBack, 1e-9);
    }
    EXPECT_DOUBLE_EQ(parsePotDegrees("35"), 35.0);
    EXPECT_DOUBLE_EQ(parsePotDegrees(""), 0.0);
    EXPECT_DOUBLE_EQ(parsePotDegrees("-010'30"), -10.5);
}

TEST(PotDateTime, WriteAndRead) {
    int64_t t = daysFromCivil(2009, 5, 15) * 86400 + 12 * 3600 + 34 * 60 + 56;
    EXPECT_EQ(formatPotDate(t), "15-MAY-09");
    EXPECT_EQ(formatPotTime(t), "12:34:56");
    EXPECT_EQ(formatPotDate(daysFromCivil(1995, 12, 1) * 86400), "01-DEC-95");

    PotRecord r = parsePotLine("ORD=POI/tex=/ido=035'30'00'0/pdate=15-may-09/ptime=12:34:56/adr=1");
    EXPECT_EQ(r.time, t);

    struct Row {
        const char* date;
        int year;
    } years[] = {{"01-JAN-69", 2069}, {"02-JAN-70", 1970}, {"01-JAN-99", 1999}, {"01-JAN-00", 2000}};
    for (const auto& y : years) {
        PotRecord p = parsePotLine(std::string("ORD=POI/pdate=") + y.date + "/adr=1");
        EXPECT_EQ(p.time, daysFromCivil(y.year, 1, y.date[1] - '0') * 86400) << y.date;
    }
    // An unknown month name gives January; a time of 0 becomes the receiver epoch.
    EXPECT_EQ(parsePotLine("ORD=POI/pdate=02-XXX-10/adr=1").time, (daysFromCivil(2010, 1, 1) + 1) * 86400);
    EXPECT_EQ(parsePotLine("ORD=POI/ido=035'00'00'0/adr=1").time, kReceiverEpochUnix);
    EXPECT_EQ(parsePotLine("ORD=POI/pdate=01-JAN-70/adr=1").time, kReceiverEpochUnix);

    korvance::CalendarTime c = korvance::calendarFromUnix(kReceiverEpochUnix);
    EXPECT_EQ(c.year, 1989);
    EXPECT_EQ(c.month, 12);
    EXPECT_EQ(c.day, 31);
}

TEST(PotLine, KindsAndFields) {
    struct Row {
        const char* line;
        PotKind kind;
        const char* label;
        int32_t group;
    } rows[] = {
        {"ORD=POI/tex=A:B/ido=035'00'00'0/kei=139'00'00'0", PotKind::Waypoint, "A:B", kPotNoGroup},
        {"ORD=POI/tex=A:B/ido=035'00'00'0/kei=139'00'00'0/adr=2", PotKind::RouteWaypoint, "A:B", 2},
        {"ORD=POI/ido=035'00'00'0/kei=139'00'00'0", PotKind::Ignored, nullptr, kPotNoGroup},
        {"ORD=POI/tex=/ido=035'00'00'0/kei=139'00'00'0/adr=7", PotKind::TrackPoint, nullptr, 7},
        {"Dat=WGS 84/WGS 84/0.000/0.00000000/0/0/0/", PotKind::Ignored, nullptr, kPotNoGroup},
        {"tex=abc", PotKind::Ignored, nullptr, kPotNoGroup},  // shorter than 10
        {"ORD=POI/TEXT=X/ADRESS=3/ido", PotKind::RouteWaypoint, "X", 3},  // long keys match by prefix
        {"ORD=POI/te=X/ad=3/xxxxxxxx", PotKind::Ignored, nullptr, kPotNoGroup},  // too short to be keys
        {"ORD=POI/tex=L\r", PotKind::Waypoint, "L", kPotNoGroup},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.line);
        PotRecord p = parsePotLine(r.line);
        EXPECT_EQ(p.kind, r.kind);
        if (r.label)
            EXPECT_EQ(p.label.value_or("<none>"), r.label);
        else
            EXPECT_FALSE(p.label.has_value());
        EXPECT_EQ(p.group, r.group);
    }
    PotRecord p = parsePotLine("ORD=POI/tex=T/ido=035'30'00'0/kei=-139'15'00'0/altitude=00123/deg=010'00'00'0/col=14/lev=8/adr=4\r");
    EXPECT_DOUBLE_EQ(p.latitude, 35.5);
    EXPECT_DOUBLE_EQ(p.longitude, -139.25);
    EXPECT_DOUBLE_EQ(p.altitude, 123.0);
    EXPECT_DOUBLE_EQ(p.angle, 10.0);
    EXPECT_EQ(p.group, 4);
    // Only the part between the first and the second '=' is the value.
    EXPECT_EQ(parsePotLine("ORD=POI/tex=a=b/adr=1").label.value_or(""), "a");
}

TEST(PotLabel, Split) {
    struct Row {
        const char* label;
        const char* id;
        const char* comment;
    } rows[] = {
        {"A:B", "A", "B"},
        {"HOME", "HOME", ""},
        {"ABCDEFGHIJKLMN", "ABCDEFGHIJ", "KLMN"},
        {"ABCDEFGHIJK:x", "ABCDEFGHIJ", "K:x"},
        {"ABCDEFGHIJ:", "ABCDEFGHIJ", ""},
        {"ABCDEFGHIJ:note", "ABCDEFGHIJ", "note"},
        {"ID:", "ID", ""},
        {":C", "", "C"},
    };
    for (const auto& r : rows) {
        PotLabel l = splitPotLabel(r.label);
        EXPECT_EQ(l.identifier, r.id) << r.label;
        EXPECT_EQ(l.comment, r.comment) << r.label;
    }
}
