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

// Lines without a name or a place on Earth are skipped; those whose position
// cannot be read are counted in one warning. Found by fuzzing: a name that
// starts with a NUL byte (stored as an empty name, so exported as a line an
// import skips) and a latitude of 3340895222 degrees (exported as an empty
// field, so the line fell short of 20 bytes) were kept and then lost on the
// way back through the file.
TEST(WaypointText, ImportSkipsLinesWithoutANameOrAPlace) {
    TempDir dir;
    TransverseMercator tm{Datum("WGS 84")};
    struct Row {
        const char* what;
        bool utm;
        std::string text;
        std::vector<std::pair<std::string, double>> kept;  // identifier and latitude (NaN: not checked)
        size_t skipped;                                     // lines the warning counts
    };
    const std::string nulNames = std::string("\0,1,151'55.08\",,\",,0\r\n", 23) +  // the fuzzer's line
                                 std::string("\0NAME,35^00'00\",139^00'00\",comment,3\r\n", 38);
    const Row rows[] = {
        {"degree text", false,
         "DATUM=Tokyo,Bessel 1841,739.845,0.10037483,-148,507,685\r\n"
         "A,1,2\r\n"                                   // shorter than 20 bytes
         ",35^00'00\",139^00'00\",empty id\r\n"        // empty first field
         "TABBED\t10^30'00\"\t20^15'00\"\tcomment\t33\r\n"
         "ONLYID-and-nothing-else\r\n"                 // no position at all: counted
         "README for the project, which holds maps, tracks and more\r\n"  // words, not numbers: counted
         "Section 3, see 12, or 14 for the rest\r\n"   // numbers among words: counted
         "HEMI,N35.25,E139.5,hemisphere letters\r\n",
         {{"TABBED", 10.5}, {"HEMI", 35.25}}, 3},
        {"UTM: the zone begins with its number, easting and northing are numbers", true,
         "UTM1,54S,383000.00,3950000.00,c,1\r\nUTM2,S54,383000.00,3950000.00,c,1\r\n"
         "UTM3,54S,east,3950000.00,c,1\r\n",
         {{"UTM1", NAN}}, 2},
        {"names starting with NUL", false, nulNames + "KEPT,35^00'00\",139^00'00\",comment,3\r\n", {{"KEPT", 35.0}}, 0},
        {"names starting with NUL, UTM", true, nulNames + "KEPT,54S,383000.00,3950000.00,comment,3\r\n",
         {{"KEPT", NAN}}, 0},
        {"no place on Earth", false,
         "D3\x01,3340895222,5^00'00\",,0\r\nLON,35^00'00\",181^00'00\",too far east,0\r\n"
         "OK,35^00'00\",139^00'00\",fine,0\r\nEDGE,-90^00'00\",-180^00'00\",corner,0\r\n",
         {{"OK", 35.0}, {"EDGE", -90.0}}, 2},
    };
    const std::string path = dir.file("in.txt");
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        writeText(path, r.text);
        ScriptedPrompt prompt;
        WaypointList list(500);
        ASSERT_TRUE(importWaypointText(path, list, r.utm, tm, prompt));
        ASSERT_EQ(list.count(), r.kept.size());
        for (uint32_t i = 0; i < list.count(); ++i) {
            EXPECT_EQ(list.identifier(i), r.kept[i].first);
            if (!std::isnan(r.kept[i].second)) {
                EXPECT_DOUBLE_EQ(list.latitude(i), r.kept[i].second);
            }
        }
        if (r.skipped) {
            EXPECT_EQ(prompt.texts(), std::vector<std::string>{path + "\n" + std::to_string(r.skipped) +
                                                               " lines without a readable position were skipped."});
            EXPECT_EQ(prompt.shown[0].icon, Icon::Warning);
        } else {
            EXPECT_TRUE(prompt.shown.empty());
        }
        // The converter's reader skips and says the same.
        std::vector<WaypointRecord> records;
        ScriptedPrompt converter;
        ASSERT_TRUE(readWaypointText(path, records, r.utm, tm, converter));
        EXPECT_EQ(records.size(), r.kept.size());
        EXPECT_EQ(converter.texts(), prompt.texts());
    }
    WaypointList list(500);
    ScriptedPrompt prompt;
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
