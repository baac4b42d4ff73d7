#include "files/WaypointText.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geodesy/Coordinates.h"
#include "files/TempDir.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using namespace korvance::files;
using namespace korvance::testing;

namespace {

WaypointRecord wp(const char* id, double lat, double lon, const char* comment, int16_t symbol) {
    return makeWaypointRecord(id, lat, lon, comment, symbol, 0, 0, 0, nullptr);
}

}  // namespace

TEST(WaypointText, RoundTripBothForms) {
    TempDir dir;
    Datum datum("WGS 84");
    TransverseMercator tm(datum);
    std::vector<WaypointRecord> wps = {wp("HOME12345", 35.658581, 139.745433, "tower", 18),
                                       wp("S", -33.856784, 151.215297, "", 7),
                                       wp("LONG", 51.477928, -0.001545, "a comment of forty-five characters, no more", 0),
                                       // Line breaks would split the line: they are written as blanks.
                                       wp("L\nF", 10.5, 20.5, "two\r\nlines\r", 3)};
    for (bool utm : {false, true}) {
        SCOPED_TRACE(utm);
        ScriptedPrompt prompt;
        std::string path = dir.file(utm ? "utm.txt" : "geo.txt");
        ASSERT_TRUE(exportWaypointText(path, datum, tm, wps, utm, prompt));
        WaypointList list(500);
        ASSERT_TRUE(importWaypointText(path, list, utm, tm, prompt));
        ASSERT_EQ(list.count(), 4u);
        EXPECT_EQ(list.identifier(3), "L F");
        EXPECT_EQ(list.comment(3), "two  lines ");
        EXPECT_EQ(list.symbol(3), 3);
        EXPECT_EQ(list.identifier(0), "HOME12");  // identifiers are cut to 6 characters on import
        EXPECT_EQ(list.identifier(1), "S");
        EXPECT_EQ(list.comment(0), "tower");
        EXPECT_EQ(list.symbol(0), 18);
        EXPECT_EQ(list.symbol(1), 7);
        // The comma of the third comment splits it: the rest is read as the symbol.
        EXPECT_EQ(list.comment(2), "a comment of forty-five characters");
        EXPECT_EQ(list.symbol(2), 0);
        for (uint32_t i = 0; i < 4; ++i) {
            // Degree text keeps hundredths of a second; UTM keeps centimetres.
            double tol = utm ? 1e-6 : 0.01 / 3600 + 1e-6;
            EXPECT_NEAR(list.latitude(i), wps[i].latitude, tol) << i;
            EXPECT_NEAR(list.longitude(i), wps[i].longitude, tol) << i;
        }
        EXPECT_TRUE(prompt.shown.empty());
    }
}

TEST(WaypointText, ImportRules) {
    TempDir dir;
    Datum datum("WGS 84");
    TransverseMercator tm(datum);
    std::string path = dir.file("in.txt");
    writeText(path,
              "DATUM=Tokyo,Bessel 1841,739.845,0.10037483,-148,507,685\r\n"
              "A,1,2\r\n"                                   // shorter than 20 bytes: skipped
              ",35^00'00\",139^00'00\",empty id\r\n"        // empty first field: skipped
              "TABBED\t10^30'00\"\t20^15'00\"\tcomment\t33\r\n"
              // Lines without a readable position are skipped and counted:
              "ONLYID-and-nothing-else\r\n"                 // no position at all
              "README for the project, which holds maps, tracks and more\r\n"  // words, not numbers
              "Section 3, see 12, or 14 for the rest\r\n"   // numbers among words
              "HEMI,N35.25,E139.5,hemisphere letters\r\n");  // read
    ScriptedPrompt prompt;
    WaypointList list(500);
    ASSERT_TRUE(importWaypointText(path, list, false, tm, prompt));
    ASSERT_EQ(list.count(), 2u);
    EXPECT_EQ(list.identifier(0), "TABBED");
    EXPECT_DOUBLE_EQ(list.latitude(0), 10.5);
    EXPECT_DOUBLE_EQ(list.longitude(0), 20.25);
    EXPECT_EQ(list.comment(0), "comment");
    EXPECT_EQ(list.symbol(0), 33);
    EXPECT_EQ(list.identifier(1), "HEMI");
    EXPECT_DOUBLE_EQ(list.latitude(1), 35.25);
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, path + "\n3 lines without a readable position were skipped.");
    EXPECT_EQ(prompt.shown[0].icon, Icon::Warning);

    // The converter's reader skips and says the same.
    std::vector<WaypointRecord> records;
    ScriptedPrompt prompt2;
    ASSERT_TRUE(readWaypointText(path, records, false, tm, prompt2));
    EXPECT_EQ(records.size(), 2u);
    EXPECT_EQ(prompt2.texts(), prompt.texts());

    // UTM form: the zone must begin with its number, easting and northing be numbers.
    writeText(path,
              "UTM1,54S,383000.00,3950000.00,c,1\r\n"
              "UTM2,S54,383000.00,3950000.00,c,1\r\n"
              "UTM3,54S,east,3950000.00,c,1\r\n");
    WaypointList utmList(500);
    ScriptedPrompt prompt3;
    ASSERT_TRUE(importWaypointText(path, utmList, true, tm, prompt3));
    EXPECT_EQ(utmList.count(), 1u);
    EXPECT_EQ(prompt3.texts(), std::vector<std::string>{path + "\n2 lines without a readable position were skipped."});

    EXPECT_FALSE(importWaypointText(dir.file("missing.txt"), list, false, tm, prompt));
}

TEST(WaypointText, UtmZoneFields) {
    TempDir dir;
    Datum datum("WGS 84");
    TransverseMercator tm(datum);
    struct Row {
        const char* zone;
        int16_t expectZone;
        char expectLetter;
    } rows[] = {{"5", 5, 'N'}, {"54", 54, '4'}, {"54S", 54, 'S'}, {"33U", 33, 'U'}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.zone);
        std::string path = dir.file("utm.txt");
        writeText(path, std::string("POINT1,") + r.zone + ",383000.00,3950000.00,c,1\r\n");
        ScriptedPrompt prompt;
        WaypointList list(500);
        ASSERT_TRUE(importWaypointText(path, list, true, tm, prompt));
        ASSERT_EQ(list.count(), 1u);
        double lat = 0, lon = 0;
        tm.UtmToLatLon(3950000.0, 383000.0, r.expectZone, r.expectLetter, lat, lon);
        EXPECT_DOUBLE_EQ(list.latitude(0), lat);
        EXPECT_DOUBLE_EQ(list.longitude(0), lon);
    }
}

TEST(WaypointText, DuplicateQuestionEndsImportOnNo) {
    TempDir dir;
    Datum datum("WGS 84");
    TransverseMercator tm(datum);
    std::string path = dir.file("dup.txt");
    writeText(path, "AAA,1^00'00\",2^00'00\",first,0\r\n"
                    "BBB,1^00'00\",2^00'00\",second,0\r\n"
                    "CCC,1^00'00\",2^00'00\",third,0\r\n");
    WaypointList list(500);
    ScriptedPrompt setup;
    list.add(setup, "BBB", 0, 0, "", 0, 0, 0, 0);
    ScriptedPrompt prompt({Answer::No});
    ASSERT_TRUE(importWaypointText(path, list, false, tm, prompt));
    EXPECT_EQ(list.count(), 2u);  // AAA added, BBB refused, CCC never reached
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"BBB already exist.\nDo you wish to continue?"});
}

// Found by fuzzing: a name that starts with a NUL byte is stored as an empty
// name; the waypoint was added and then exported as a line without a name,
// which an import skips, so it was lost on the way through the file.
TEST(WaypointText, NameStartingWithNulIsSkipped) {
    TempDir dir;
    Datum datum("WGS 84");
    TransverseMercator tm(datum);
    const std::string path = dir.file("nul.txt");
    for (bool utm : {true, false}) {
        SCOPED_TRACE(utm);
        // The fuzzer's file (UTM form), and the same in degree text.
        writeText(path, std::string("\0,1,151'55.08\",,\",,0\r\n", 23) +
                            std::string("\0NAME,35^00'00\",139^00'00\",comment,3\r\n", 38) +
                            (utm ? "KEPT,54S,383000.00,3950000.00,comment,3\r\n" : "KEPT,35^00'00\",139^00'00\",comment,3\r\n"));
        ScriptedPrompt prompt;
        WaypointList list(500);
        ASSERT_TRUE(importWaypointText(path, list, utm, tm, prompt));
        ASSERT_EQ(list.count(), 1u);
        EXPECT_EQ(list.identifier(0), "KEPT");
    }
}

// Found by fuzzing: a latitude of 3340895222 degrees was taken as it was;
// its export wrote an empty field and the line then fell short of 20 bytes,
// so the waypoint did not come back. Positions that are no place on Earth are
// skipped on import.
TEST(WaypointText, ImpossiblePositionIsSkipped) {
    TempDir dir;
    Datum datum("WGS 84");
    TransverseMercator tm(datum);
    const std::string path = dir.file("far.txt");
    writeText(path,
              "D3\x01,3340895222,5^00'00\",,0\r\n"
              "LON,35^00'00\",181^00'00\",too far east,0\r\n"
              "OK,35^00'00\",139^00'00\",fine,0\r\n"
              "EDGE,-90^00'00\",-180^00'00\",corner,0\r\n");
    ScriptedPrompt prompt;
    WaypointList list(500);
    ASSERT_TRUE(importWaypointText(path, list, false, tm, prompt));
    ASSERT_EQ(list.count(), 2u);
    EXPECT_EQ(list.identifier(0), "OK");
    EXPECT_EQ(list.identifier(1), "EDGE");
    EXPECT_DOUBLE_EQ(list.latitude(1), -90.0);
}
