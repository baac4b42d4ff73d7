// Sentence parsing: RMC, GGA and the other kinds, and the log filter.

#include <gtest/gtest.h>

#include <string>

#include "nmea/NmeaParser.h"
#include "support/ZoneScope.h"

namespace korvance {
namespace {

using korvance::testing::ZoneScope;

const char* kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230305,003.1,W*6A\r\n";

TEST(NmeaParse, Rmc) {
    ZoneScope utc("UTC");
    struct Row {
        const char* what;
        const char* line;
        int result;
        double latitude, longitude, speed;
        int course;
        int64_t time;
    } rows[] = {
        {"full sentence", kRmc, 1, 48.1173, 11.516666666666667, 41.4848, 84, 1111581319},
        {"south and west", "$GPRMC,123519,A,4807.038,S,01131.000,W,022.4,084.4,230305,,*00\r\n", 1, -48.1173,
         -11.516666666666667, 41.4848, 84, 1111581319},
        {"any talker", "$GNRMC,000000.000,A,0000.000,N,00000.000,E,0,0,010100,,,A\r\n", 1, 0, 0, 0, 0, 946684800},
        {"time with decimals", "$GPRMC,235959.999,A,8959.9999,N,17959.9999,E,1,359.9,311299\r\n", 1,
         89.99999833333333, 179.99999833333333, 1.852, 359, 4102444799},
        {"date as last field", "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230305*6A\r\n", 1, 48.1173,
         11.516666666666667, 41.4848, 84, 1111581319},
        {"empty fields read as 0", "$GPRMC,123519,A,,,,,,,230305\r\n", 1, 0, 0, 0, 0, 1111581319},
        {"huge course stays defined", "$GPRMC,123519,A,1e300,N,1e300,E,1,1e300,230305\r\n", 1, 0, 0, 1.852, 2147483647, 1111581319},
    };
    for (const auto& row : rows) {
        NmeaFix fix;
        EXPECT_EQ(ParseSentence(fix, row.line), row.result) << row.what;
        EXPECT_EQ(fix.validity, 1) << row.what;
        if (std::string(row.what) != "huge course stays defined") {
            EXPECT_NEAR(fix.latitude, row.latitude, 1e-12) << row.what;
            EXPECT_NEAR(fix.longitude, row.longitude, 1e-12) << row.what;
        }
        EXPECT_NEAR(fix.speed, row.speed, 1e-9) << row.what;
        EXPECT_EQ(fix.course, row.course) << row.what;
        EXPECT_EQ(fix.time, row.time) << row.what;
        EXPECT_EQ(fix.utcTime, row.time) << row.what;
    }
}

TEST(NmeaParse, RmcWithoutFix) {
    NmeaFix fix;
    ASSERT_EQ(ParseSentence(fix, kRmc), 1);
    ASSERT_EQ(fix.validity, 1);
    for (const char* line : {"$GPRMC,123520,V,4807.038,N,01131.000,E,022.4,084.4,230305,003.1,W*7D\r\n",
                             "$GPRMC,123520,,,,,,,,,\r\n", "$GPRMC,123520,a,4807.038,N\r\n"}) {
        ASSERT_EQ(ParseSentence(fix, kRmc), 1);
        EXPECT_EQ(ParseSentence(fix, line), 1) << line;
        EXPECT_EQ(fix.validity, 0) << line;
        EXPECT_EQ(fix.time, 0);
        EXPECT_EQ(fix.latitude, 0);
        EXPECT_EQ(fix.longitude, 0);
        EXPECT_EQ(fix.speed, 0);
        EXPECT_EQ(fix.course, 0);
    }
}

TEST(NmeaParse, RmcCutShort) {
    // Fields reached keep their new values, the rest the markers, and the
    // validity stays as it was.
    struct Row {
        const char* line;
        double latitude, longitude, speed;
        int course;
    } rows[] = {
        {"$GPRMC", kNmeaNoValue, kNmeaNoValue, kNmeaNoValue, kNmeaNoCourse},
        {"$GPRMC,123519", kNmeaNoValue, kNmeaNoValue, kNmeaNoValue, kNmeaNoCourse},
        {"$GPRMC,123519,A,4807.038", 48.1173, kNmeaNoValue, kNmeaNoValue, kNmeaNoCourse},
        {"$GPRMC,123519,A,4807.038,S,01131.000", -48.1173, 11.516666666666667, kNmeaNoValue, kNmeaNoCourse},
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4\r\n", 48.1173, 11.516666666666667, 41.4848, 84},
    };
    for (int before : {0, 1}) {
        for (const auto& row : rows) {
            NmeaFix fix;
            if (before) ParseSentence(fix, kRmc);
            const int64_t time = fix.time;
            EXPECT_EQ(ParseSentence(fix, row.line), -1) << row.line;
            EXPECT_EQ(fix.validity, before) << row.line;
            EXPECT_EQ(fix.time, time) << row.line;
            EXPECT_NEAR(fix.latitude, row.latitude, 1e-9) << row.line;
            EXPECT_NEAR(fix.longitude, row.longitude, 1e-9) << row.line;
            EXPECT_NEAR(fix.speed, row.speed, 1e-9) << row.line;
            EXPECT_EQ(fix.course, row.course) << row.line;
        }
    }
}

TEST(NmeaParse, Gga) {
    struct Row {
        const char* what;
        const char* line;
        int result;
        double altitude;
    } rows[] = {
        {"full sentence", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n", 2, 545.4},
        {"below the sea", "$GNGGA,123519,4807.038,N,01131.000,E,1,08,0.9,-12.5,M,,M,,\r\n", 2, -12.5},
        {"empty altitude reads 0", "$GPGGA,123519,,,,,0,00,,,M,,M,,\r\n", 2, 0.0},
        {"altitude as last field", "$GPGGA,1,2,3,4,5,6,7,8,99.5*00\r\n", 2, 99.5},
        {"cut before the altitude", "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9\r\n", -1, kNmeaNoValue},
        {"name only", "$GPGGA", -1, kNmeaNoValue},
    };
    for (const auto& row : rows) {
        NmeaFix fix;
        fix.altitude = 7;
        EXPECT_EQ(ParseSentence(fix, row.line), row.result) << row.what;
        EXPECT_DOUBLE_EQ(fix.altitude, row.altitude) << row.what;
    }
}

TEST(NmeaParse, OtherSentencesChangeNothing) {
    for (const char* line : {"$GPRMCX,123519,A,4807.038,N,01131.000,E,022.4,084.4,230305\r\n",
                             "$GPGGAX,1,2,3,4,5,6,7,8,9\r\n", "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n",
                             "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48\r\n", "GPRMC,123519,A,4807.038,N\r\n",
                             "$RMC,123519,A\r\n", "", "$", ",,,,"}) {
        NmeaFix fix;
        fix.latitude = 1;
        fix.altitude = 2;
        fix.validity = 1;
        EXPECT_EQ(ParseSentence(fix, line), -1) << line;
        EXPECT_EQ(fix.latitude, 1);
        EXPECT_EQ(fix.altitude, 2);
        EXPECT_EQ(fix.validity, 1);
    }
}

TEST(NmeaParse, TimeIsReadAsLocalCalendarTime) {
    // The receiver's UTC fields go through the local-time conversion; the
    // UTC reading is kept beside it.
    struct Row {
        const char* zone;
        const char* line;
        int64_t time;
        int64_t utc;
    } rows[] = {
        {"UTC", kRmc, 1111581319, 1111581319},
        {"CET-1CEST,M3.5.0,M10.5.0/3", kRmc, 1111581319 - 3600, 1111581319},  // winter time
        {"CET-1CEST,M3.5.0,M10.5.0/3", "$GPRMC,123519,A,4807.038,N,01131.000,E,0,0,010705\r\n", 1120221319 - 7200, 1120221319},
        {"UTC", "$GPRMC,031408,A,4807.038,N,01131.000,E,0,0,190138\r\n", 2147483648LL, 2147483648LL},  // past 2038
        {"UTC", "$GPRMC,000000,A,0,N,0,E,0,0,000000\r\n", 943920000, 943920000},  // day 0 of month 0: 30 November 1999, as mktime
    };
    for (const auto& row : rows) {
        ZoneScope zone(row.zone);
        NmeaFix fix;
        ASSERT_EQ(ParseSentence(fix, row.line), 1);
        EXPECT_EQ(fix.time, row.time) << row.zone << " " << row.line;
        EXPECT_EQ(fix.utcTime, row.utc) << row.line;
    }
    // One fix read across a change of the hour and of the day.
    ZoneScope zone("UTC");
    NmeaFix fix;
    ParseSentence(fix, "$GPRMC,235959,A,0,N,0,E,0,0,311205\r\n");
    EXPECT_EQ(fix.time, 1136073599);
    ParseSentence(fix, "$GPRMC,000000,A,0,N,0,E,0,0,010106\r\n");
    EXPECT_EQ(fix.time, 1136073600);
}

TEST(NmeaFilter, Table) {
    struct Row {
        const char* list;
        int entries;
        bool rmc, gga, vtg, gsa;
    } rows[] = {
        {"RMC", 1, true, false, false, false},
        {"RMC;GGA", 2, true, true, false, false},
        {"RMC;GGA;GSAX;;VTG", 3, true, true, true, false},
        {"", 0, true, true, true, true},
        {";;", 0, true, true, true, true},
        {"GSAX;RM", 0, true, true, true, true},
        {"gsa;GSA", 2, false, false, false, true},
    };
    for (const auto& row : rows) {
        NmeaFix fix;
        SetSentenceFilter(fix, "VTG;GSA");
        SetSentenceFilter(fix, row.list);
        EXPECT_EQ(static_cast<int>(fix.filter.size()), row.entries) << row.list;
        EXPECT_EQ(PassesFilter(fix, "$GPRMC,1\r\n"), row.rmc) << row.list;
        EXPECT_EQ(PassesFilter(fix, "$GNGGA,1\r\n"), row.gga) << row.list;
        EXPECT_EQ(PassesFilter(fix, "$GPVTG,1\r\n"), row.vtg) << row.list;
        EXPECT_EQ(PassesFilter(fix, "$GPGSA,1\r\n"), row.gsa) << row.list;
        EXPECT_EQ(PassesFilter(fix, "$GP"), row.entries == 0) << row.list;
    }
    NmeaFix fix;
    SetSentenceFilter(fix, "RMC;GGA;GSAX;;VTG");
    EXPECT_STREQ(fix.filter[0].data(), "RMC");
    EXPECT_STREQ(fix.filter[1].data(), "GGA");
    EXPECT_STREQ(fix.filter[2].data(), "VTG");
}

}  // namespace
}  // namespace korvance
