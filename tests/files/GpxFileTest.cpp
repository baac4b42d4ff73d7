#include "files/GpxFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <pugixml.hpp>

#include "data/TextUtil.h"
#include "data/WaypointList.h"
#include "files/SampleDocument.h"
#include "files/TempDir.h"
#include "platform/testing/ScriptedPrompt.h"
#include "support/RequireTool.h"
#include "support/XmlNumber.h"

using namespace korvance;
using namespace korvance::files;
using namespace korvance::testing;

namespace {

// The sample document with one point of unknown time, which is written without one.
SampleDocument sampleData() {
    SampleDocument d;
    d.points[1].time = 0;
    return d;
}

void expectSameData(const DocumentContents& c, const SampleDocument& d, double tol) {
    ASSERT_TRUE(c.track.has_value());
    ASSERT_EQ(c.track->points.size(), d.points.size());
    EXPECT_EQ(c.track->segmentCount, 2u);
    for (size_t i = 0; i < d.points.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(c.track->points[i].latitude, d.points[i].latitude, tol);
        EXPECT_NEAR(c.track->points[i].longitude, d.points[i].longitude, tol);
        EXPECT_EQ(c.track->points[i].altitude, d.points[i].altitude);
        EXPECT_EQ(c.track->points[i].time, d.points[i].time);
        EXPECT_EQ(c.track->points[i].segment, d.points[i].segment);
    }
    auto expectSameWaypoints = [tol](const std::vector<WaypointRecord>& got, const std::vector<WaypointRecord>& want) {
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(got[i].identifier, want[i].identifier);
            EXPECT_EQ(got[i].comment, want[i].comment);
            EXPECT_EQ(got[i].symbol, want[i].symbol);
            EXPECT_EQ(got[i].altitude, want[i].altitude);
            EXPECT_NEAR(got[i].latitude, want[i].latitude, tol);
            EXPECT_NEAR(got[i].longitude, want[i].longitude, tol);
        }
    };
    expectSameWaypoints(*c.waypoints, d.waypoints);
    ASSERT_EQ(c.routes->size(), 1u);
    EXPECT_EQ((*c.routes)[0].name, d.routes[0].name);
    expectSameWaypoints((*c.routes)[0].waypoints, d.routes[0].waypoints);
}

}  // namespace

TEST(GpxTime, FormatAndParse) {
    int64_t t = daysFromCivil(2009, 5, 15) * 86400 + 12 * 3600 + 34 * 60 + 56;
    EXPECT_EQ(formatGpxTime(t), "2009-05-15T12:34:56Z");
    struct Row {
        const char* text;
        std::optional<int64_t> value;
    } rows[] = {
        {"2009-05-15T12:34:56Z", t},
        {"2009-05-15T12:34:56.789Z", t},
        {"2009-05-15T21:34:56+09:00", t},
        {"2009-05-15T07:34:56-05:00", t},
        {"2009-05-15T12:34:56", t},
        {" 2009-05-15T12:34:56Z\n", t},
        {"2009-05-15", std::nullopt},
        {"2009-13-15T12:34:56Z", std::nullopt},
        {"2009-05-15T12:34:56Q", std::nullopt},
        {"", std::nullopt},
        {"yesterday at noon", std::nullopt},
    };
    for (const auto& r : rows) EXPECT_EQ(parseGpxTime(r.text), r.value) << r.text;
}

// In the file the positions are WGS 84: a document in WGS 84 comes back
// exactly, one in the Tokyo datum (some 300 m off) shifted there and back.
TEST(GpxRoundTrip, Wgs84IsExactAndOtherDatumsShiftBothWays) {
    const SampleDocument d = sampleData();
    for (const auto& [name, shift, tol] : {std::tuple{"WGS 84", 0.0, 0.0}, std::tuple{"Tokyo", 0.002, 1e-6}}) {
        SCOPED_TRACE(name);
        const Datum datum(name);
        const std::string text = encodeGpx(d.source(), datum);
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(text.c_str()));
        EXPECT_GE(std::abs(xmlNumber(doc.child("gpx").child("wpt").attribute("lat")) - d.waypoints[0].latitude), shift);
        DocumentContents c;
        ASSERT_TRUE(decodeGpx(text, c, datum).ok());
        expectSameData(c, d, tol);
    }

    // A route without waypoints (the document's empty slot) is neither written nor read.
    const Datum wgs("WGS 84");
    SampleDocument withEmpty = d;
    Route empty;
    empty.name.set("ROUTE-00");
    withEmpty.routes.insert(withEmpty.routes.begin(), empty);
    EXPECT_EQ(encodeGpx(withEmpty.source(), wgs), encodeGpx(d.source(), wgs));
    DocumentContents e;
    ASSERT_TRUE(decodeGpx("<gpx><rte><name>ROUTE-00</name></rte></gpx>", e, wgs).ok());
    EXPECT_TRUE(e.routes->empty());
}

TEST(GpxRead, ForeignFiles) {
    Datum wgs("WGS 84");
    const char* text = R"(<?xml version="1.0"?>
<g:gpx xmlns:g="http://www.topografix.com/GPX/1/1" version="1.1" creator="other">
  <g:metadata><g:name>x</g:name></g:metadata>
  <g:wpt lat="10.5" lon="20.25"><g:name>A name much longer than twenty-three bytes</g:name><g:desc>described</g:desc><g:sym>Flag, Blue</g:sym></g:wpt>
  <g:wpt lon="1"><g:name>no latitude</g:name></g:wpt>
  <g:wpt lat="91" lon="1"><g:name>off the globe</g:name></g:wpt>
  <g:trk><g:trkseg>
    <g:trkpt lat="1" lon="2"><g:time>2020-01-01T00:00:00.5+01:00</g:time></g:trkpt>
    <g:trkpt lat="x" lon="2"/>
  </g:trkseg><g:trkseg/></g:trk>
  <g:trk><g:trkseg><g:trkpt lat="3" lon="4"><g:ele>-12.5</g:ele></g:trkpt></g:trkseg></g:trk>
  <g:extensions><other>kept out</other></g:extensions>
</g:gpx>)";
    DocumentContents c;
    ASSERT_TRUE(decodeGpx(text, c, wgs).ok());
    ASSERT_EQ(c.waypoints->size(), 1u);
    EXPECT_EQ((*c.waypoints)[0].identifier.str(), "A name much longer than");  // cut to 23 bytes
    EXPECT_EQ((*c.waypoints)[0].comment.str(), "described");
    EXPECT_EQ((*c.waypoints)[0].symbol, 8284);
    ASSERT_TRUE(c.track.has_value());
    ASSERT_EQ(c.track->points.size(), 2u);
    EXPECT_EQ(c.track->segmentCount, 2u);  // the empty segment does not count
    EXPECT_EQ(c.track->points[0].segment, 1);
    EXPECT_EQ(c.track->points[1].segment, 2);
    EXPECT_EQ(c.track->points[0].time, uint32_t(daysFromCivil(2019, 12, 31) * 86400 + 23 * 3600 - kReceiverEpochUnix));
    EXPECT_EQ(c.track->points[1].time, 0u);
    EXPECT_EQ(c.track->points[1].altitude, -12.5f);
    EXPECT_TRUE(c.routes->empty());
    EXPECT_FALSE(c.timeZoneBias.has_value());
}

// What other programs put in <sym>, <ele> and the text of names, read and written back.
TEST(GpxRead, SymbolsHeightsAndTextInParts) {
    struct Row {
        const char* sym;
        int16_t number;
        const char* written;
    };
    const Row rows[] = {
        {"Flag, Blue", 8284, "Flag, Blue"}, {"flag, blue", 8284, "Flag, Blue"}, {" Waypoint ", 18, "Waypoint"},
        {"Flag", 178, "Flag"},              {"18", 18, "Waypoint"},            {"7000", 7000, "7000"},
        {"-3", -3, "-3"},                   {"Unheard Of", 0, "Anchor"},       {"99999", 0, "Anchor"},
    };
    Datum wgs("WGS 84");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sym);
        const std::string text = std::string(R"(<gpx version="1.1"><wpt lat="1" lon="2"><name>A</name><sym>)") +
                                 row.sym + "</sym></wpt></gpx>";
        DocumentContents c;
        ASSERT_TRUE(decodeGpx(text, c, wgs).ok());
        ASSERT_EQ(c.waypoints->size(), 1u);
        EXPECT_EQ((*c.waypoints)[0].symbol, row.number);
        DocumentSource s;
        s.waypoints = *c.waypoints;
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_string(encodeGpx(s, wgs).c_str()));
        EXPECT_STREQ(doc.child("gpx").child("wpt").child_value("sym"), row.written);
    }

    const char* text = R"(<gpx version="1.1">
  <wpt lat="1" lon="2"><name><![CDATA[Tom & Jerry]]><![CDATA[ <Inn>]]></name><cmt>at <![CDATA[<the>]]> corner</cmt></wpt>
  <trk><trkseg><trkpt lat="1" lon="2"/><trkpt lat="1" lon="3"><ele>0</ele></trkpt></trkseg></trk>
</gpx>)";
    DocumentContents c;
    ASSERT_TRUE(decodeGpx(text, c, wgs).ok());
    EXPECT_EQ((*c.waypoints)[0].identifier.str(), "Tom & Jerry <Inn>");
    EXPECT_EQ((*c.waypoints)[0].comment.str(), "at <the> corner");
    EXPECT_EQ((*c.waypoints)[0].altitude, 1.0e25f);
    ASSERT_EQ(c.track->points.size(), 2u);
    EXPECT_EQ(c.track->points[0].altitude, 1.0e25f);
    EXPECT_EQ(c.track->points[1].altitude, 0.0f);
    // Written back, an unknown height stays out and a height of 0 stays in.
    DocumentSource s;
    s.waypoints = *c.waypoints;
    s.hasTrack = true;
    s.segmentCount = 1;
    s.points = c.track->points;
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(encodeGpx(s, wgs).c_str()));
    EXPECT_FALSE(doc.child("gpx").child("wpt").child("ele"));
    pugi::xml_node pt = doc.child("gpx").child("trk").child("trkseg").child("trkpt");
    EXPECT_FALSE(pt.child("ele"));
    EXPECT_STREQ(pt.next_sibling("trkpt").child_value("ele"), "0");
}

// Files in 8-bit encodings are converted from what their declaration names;
// what does not fit the records is counted and said once.
TEST(GpxRead, DeclaredEncodingsAndTextThatDoesNotFit) {
    struct Row {
        const char* declaration;
        std::string name;  // bytes as in the file
        const char* expected;
        size_t cut, lost;
    };
    const std::string longName(30, 'x');
    const Row rows[] = {
        {R"(<?xml version="1.0" encoding="windows-1252"?>)", "Caf\xe9 \x96 5 \x80", "Café – 5 €", 0, 0},
        {R"(<?xml version='1.0' encoding='ISO-8859-15'?>)", "Caf\xe9 5 \xa4", "Café 5 €", 0, 0},
        {R"(<?xml version="1.0" encoding="iso-8859-1" standalone="yes"?>)", "Caf\xe9", "Café", 0, 0},
        {R"(<?xml version="1.0" encoding="UTF-8"?>)", "Caf\xc3\xa9 5 \xe2\x82\xac", "Café 5 €", 0, 0},
        {"", "Caf\xc3\xa9", "Café", 0, 0},
        // Characters CP1252 lacks, and a name longer than the identifier's 23 bytes.
        {"", "T\xc5\x8dky\xc5\x8d ?", "T?ky? ?", 0, 2},
        {"", longName, "xxxxxxxxxxxxxxxxxxxxxxx", 1, 0},
    };
    Datum wgs("WGS 84");
    CodePage cp1252("CP1252");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        const std::string text = row.declaration + std::string("<gpx version=\"1.1\"><wpt lat=\"1\" lon=\"2\"><name>") +
                                 row.name + "</name></wpt></gpx>";
        DocumentContents c;
        GpxReadResult r = decodeGpx(text, c, wgs, &cp1252);
        ASSERT_TRUE(r.ok()) << r.problem;
        EXPECT_EQ(cp1252.toUtf8((*c.waypoints)[0].identifier.view()), row.expected);
        EXPECT_EQ(r.cutTexts, row.cut);
        EXPECT_EQ(r.lostCharacters, row.lost);
        ScriptedPrompt prompt;
        reportTextLoss(prompt, "in.gpx", r, &cp1252);
        EXPECT_EQ(prompt.shown.size(), row.cut + row.lost > 0 ? 1u : 0u);
    }
    ScriptedPrompt prompt;
    GpxReadResult both;
    both.cutTexts = 3;
    both.lostCharacters = 1;
    reportTextLoss(prompt, "in.gpx", both, &cp1252);
    ASSERT_EQ(prompt.texts().size(), 1u);
    EXPECT_EQ(prompt.texts()[0],
              "in.gpx\n3 names or comments were cut to the length of their fields.\n"
              "1 character is not in the code page CP1252 and became \"?\".");

    DocumentContents c;
    GpxReadResult unknown = decodeGpx(R"(<?xml version="1.0" encoding="x-nonsense"?><gpx/>)", c, wgs, &cp1252);
    EXPECT_EQ(unknown.status, GpxReadResult::Status::NotGpx);
    EXPECT_EQ(unknown.problem, "its encoding \"x-nonsense\" is unknown");
}

TEST(GpxRead, RefusesWhatIsNotGpx) {
    Datum wgs("WGS 84");
    struct Row {
        const char* text;
        const char* problemStart;
    } rows[] = {
        {"", "No document element"},
        {"<gpx><wpt lat='1' lon='2'>", "Start-end tags mismatch"},
        {"<kml/>", "no <gpx> element"},
        {"\x89PNG\r\n\x1a\n", ""},
    };
    for (const auto& r : rows) {
        DocumentContents c;
        c.waypoints = std::vector<WaypointRecord>(1);
        GpxReadResult res = decodeGpx(r.text, c, wgs);
        EXPECT_EQ(res.status, GpxReadResult::Status::NotGpx) << r.text;
        EXPECT_EQ(res.problem.rfind(r.problemStart, 0), 0u) << res.problem;
        EXPECT_EQ(c.waypoints->size(), 1u);  // untouched
    }
    TempDir dir;
    DocumentContents c;
    EXPECT_EQ(readGpxFile(dir.file("none.gpx"), c, wgs).status, GpxReadResult::Status::CannotOpen);
}

// gpsbabel, a second GPX program, must read what we write (a strict reader:
// a control character would make it refuse the file), and what it writes
// from it must read back as the same data.
TEST(GpxGpsbabel, RoundTrip) {
    KORVANCE_REQUIRE_TOOL("gpsbabel");
    TempDir dir;
    SampleDocument d = sampleData();
    // gpsbabel fills an empty comment with the name: give every waypoint one.
    d.waypoints[1].comment.set("op\x1b" "era");
    Datum wgs("WGS 84");
    ScriptedPrompt prompt;
    std::string ours = dir.file("ours.gpx"), theirs = dir.file("theirs.gpx");
    ASSERT_TRUE(writeGpxFile(ours, d.source(), wgs, prompt));
    std::string cmd = "gpsbabel -w -r -t -i gpx -f '" + ours + "' -o gpx,gpxver=1.1 -F '" + theirs + "' 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    DocumentContents c;
    GpxReadResult r = readGpxFile(theirs, c, wgs);
    ASSERT_TRUE(r.ok()) << r.problem;
    d.waypoints[1].comment.set("op era");  // the control character became a blank
    expectSameData(c, d, 1e-9);  // gpsbabel writes nine decimals
}

// XML 1.0 allows no control character but tab, line feed and carriage return,
// not even as a character reference: strict readers (gpsbabel among them)
// refuse the whole file. Names and comments holding every byte below 0x20
// are written with blanks in their place.
TEST(GpxWrite, ControlCharactersNeverReachTheFile) {
    std::vector<WaypointRecord> waypoints;
    for (int b = 0; b < 0x20; ++b) {
        const std::string t = std::string("A") + char(b) + "B";
        waypoints.push_back(makeWaypointRecord(t, 35 + b * 0.01, 139, t + "C", 0, 0, 0, 0, nullptr));
    }
    std::vector<Route> routes(1);
    routes[0].name.set("R\x01\x1f");
    routes[0].waypoints = {makeWaypointRecord("R\x7f\x02", 35.0, 139.0, "\x1b[0m", 1, 0, 0, 5, nullptr)};
    DocumentSource d;
    d.waypoints = waypoints;
    d.routes = routes;
    Datum wgs("WGS 84");
    const std::string text = encodeGpx(d, wgs);
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        ASSERT_TRUE(c >= 0x20 || c == '\t' || c == '\n' || c == '\r') << "byte " << int(c) << " at " << i;
    }
    EXPECT_EQ(text.find("&#"), std::string::npos) << text;

    DocumentContents c;
    ASSERT_TRUE(decodeGpx(text, c, wgs).ok());
    ASSERT_EQ(c.waypoints->size(), 32u);
    for (int b = 0; b < 0x20; ++b) {
        // A stored name ends at its NUL; tab and line breaks are XML's own (a
        // carriage return reads back as a line feed, as XML wants).
        const char kept = b == '\t' ? '\t' : (b == '\n' || b == '\r') ? '\n' : ' ';
        const std::string want = b == 0 ? "A" : std::string("A") + kept + "B";
        EXPECT_EQ((*c.waypoints)[size_t(b)].identifier.str(), want) << b;
    }
    EXPECT_EQ((*c.routes)[0].name.str(), "R  ");
    EXPECT_EQ((*c.routes)[0].waypoints[0].comment.str(), " [0m");
    // Raw control characters, as lenient writers leave them, read as they would be written again.
    DocumentContents raw;
    ASSERT_TRUE(decodeGpx("<gpx><wpt lat=\"1\" lon=\"2\"><name>\x13YD</name></wpt></gpx>", raw, wgs).ok());
    EXPECT_EQ((*raw.waypoints)[0].identifier.str(), " YD");
    // A carriage return from a character reference, which the writer could
    // only leave bare, reads as the line feed it would become.
    DocumentContents cr;
    ASSERT_TRUE(decodeGpx("<gpx><wpt lat=\"1\" lon=\"2\"><name>A</name><cmt>x&#13;y&#13;&#10;z</cmt></wpt></gpx>",
                          cr, wgs).ok());
    EXPECT_EQ((*cr.waypoints)[0].comment.str(), "x\ny\nz");
    // A comment of control characters alone is written as blanks and read back so.
    const std::vector<WaypointRecord> blank = {makeWaypointRecord("B", 1, 2, "\x01\x02", 0, 0, 0, 0, nullptr)};
    DocumentSource blanks;
    blanks.waypoints = blank;
    DocumentContents back;
    ASSERT_TRUE(decodeGpx(encodeGpx(blanks, wgs), back, wgs).ok());
    EXPECT_EQ((*back.waypoints)[0].comment.str(), "  ");
}
