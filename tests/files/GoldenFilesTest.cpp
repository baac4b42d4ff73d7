// Every writer against a reference file of tests/data/golden/: the same fixed
// data written through the real writers must give the same bytes, under any
// locale. A changed reference is regenerated with
//     KORVANCE_REGENERATE_GOLDEN=1 ctest --test-dir build -R Golden
// and committed with the reason for the change (tests/data/README.md).

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>

#include "data/TextUtil.h"
#include "files/DocumentFile.h"
#include "files/FileSizeLimit.h"
#include "files/GpxFile.h"
#include "files/PotFile.h"
#include "files/TempDir.h"
#include "files/WaypointText.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using namespace korvance::files;
using namespace korvance::testing;

namespace {

const std::string kGoldenDir = std::string(KORVANCE_TEST_DATA) + "/golden/";

WaypointRecord waypoint(const char* id, double lat, double lon, const char* comment, int16_t symbol, float alt) {
    return makeWaypointRecord(id, lat, lon, comment, symbol, 2, 50.0f, alt, nullptr);
}

// The fixed data: a track of three points in two segments, two waypoints (one
// name in Latin-1), one route of four waypoints, a time-zone bias of -9 h.
struct GoldenData {
    std::vector<TrackPoint> points;
    std::vector<WaypointRecord> waypoints;
    std::vector<Route> routes;

    GoldenData() {
        const uint32_t t0 = uint32_t(daysFromCivil(2009, 5, 15) * 86400 + 12 * 3600 + 34 * 60 + 56 - kReceiverEpochUnix);
        const struct {
            double lat, lon;
            float alt;
            uint32_t dt;
            uint16_t segment;
        } track[] = {{35.5, -139.25, 123.6f, 0, 1}, {35.5012345, -139.2487654, 124.0f, 7, 1}, {35.51, -139.2, 130.25f, 60, 2}};
        for (const auto& t : track) {
            TrackPoint p;
            p.latitude = t.lat;
            p.longitude = t.lon;
            p.altitude = t.alt;
            p.time = t0 + t.dt;
            p.segment = t.segment;
            points.push_back(p);
        }
        waypoints = {waypoint("HOME", 35.5, 139.25, "my house", 18, 10.2f),
                     waypoint("CAF\xC9", -33.8567844, 151.2152967, "", 7, 0.0f)};
        Route r;
        r.name.set("TO WORK");
        for (int i = 0; i < 4; ++i)
            r.waypoints.push_back(waypoint(("R" + std::to_string(i)).c_str(), 35 + i * 0.25, 139 + i * 0.5, "stop", 1, 5.0f));
        routes.push_back(r);
    }

    DocumentSource source() const {
        DocumentSource s;
        s.timeZoneBias = -32400;
        s.hasTrack = true;
        s.segmentCount = 2;
        s.points = points;
        s.waypoints = waypoints;
        s.routes = routes;
        return s;
    }
};

struct Row {
    const char* file;
    bool text;  // shown by lines on a difference, else in hex
    std::function<bool(const std::string& path, const GoldenData& d, UserPrompt& prompt)> write;
};

// Where two byte strings part, in a form a person can read in a test log.
std::string describeDifference(const std::vector<uint8_t>& want, const std::vector<uint8_t>& got, bool text) {
    size_t at = 0;
    while (at < want.size() && at < got.size() && want[at] == got[at]) ++at;
    std::ostringstream out;
    out << "expected " << want.size() << " bytes, got " << got.size() << "; first difference at offset " << at;
    if (text) {
        auto lineAround = [at](const std::vector<uint8_t>& b) {
            size_t start = at;
            while (start > 0 && b[start - 1] != '\n') --start;
            size_t end = start;
            while (end < b.size() && b[end] != '\n') ++end;
            return std::string(b.begin() + long(std::min(start, b.size())), b.begin() + long(end));
        };
        out << ", line " << 1 + std::count(want.begin(), want.begin() + long(std::min(at, want.size())), '\n')
            << "\n  expected: " << lineAround(want) << "\n  got:      " << lineAround(got);
    } else {
        auto hex = [at](const std::vector<uint8_t>& b) {
            std::string s;
            char byte[4];
            for (size_t i = at - std::min<size_t>(at, 8); i < std::min(b.size(), at + 8); ++i) {
                std::snprintf(byte, sizeof byte, "%02x ", b[i]);
                s += byte;
            }
            return s;
        };
        out << "\n  expected: " << hex(want) << "\n  got:      " << hex(got);
    }
    return out.str();
}

const Row kRows[] = {
    {"document.kvn", false,
     [](const std::string& path, const GoldenData& d, UserPrompt& p) { return writeDocumentFile(path, d.source(), p); }},
    {"track.pot", true,
     [](const std::string& path, const GoldenData& d, UserPrompt& p) {
         return writePotTrack(path, Datum("Tokyo"), d.points, p);
     }},
    {"routes.pot", true,
     [](const std::string& path, const GoldenData& d, UserPrompt& p) {
         return writePotRoutes(path, Datum("Tokyo"), d.routes, p);
     }},
    {"waypoints.txt", true,
     [](const std::string& path, const GoldenData& d, UserPrompt& p) {
         Datum tokyo("Tokyo");
         return exportWaypointText(path, tokyo, TransverseMercator(tokyo), d.waypoints, false, p);
     }},
    {"waypoints-utm.txt", true,
     [](const std::string& path, const GoldenData& d, UserPrompt& p) {
         Datum wgs("WGS 84");
         return exportWaypointText(path, wgs, TransverseMercator(wgs), d.waypoints, true, p);
     }},
    {"document.gpx", true,
     [](const std::string& path, const GoldenData& d, UserPrompt& p) {
         return writeGpxFile(path, d.source(), Datum("WGS 84"), p);
     }},
};

TEST(GoldenFiles, WritersGiveTheReferenceBytes) {
    const bool regenerate = std::getenv("KORVANCE_REGENERATE_GOLDEN") != nullptr;
    TempDir dir;
    const GoldenData data;
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.file);
        ScriptedPrompt prompt;
        const std::string path = dir.file(r.file);
        ASSERT_TRUE(r.write(path, data, prompt));
        EXPECT_TRUE(prompt.shown.empty());
        const std::vector<uint8_t> got = readBytes(path);
        const std::string golden = kGoldenDir + r.file;
        if (regenerate) {
            std::filesystem::create_directories(kGoldenDir);
            writeBytes(golden, got);
            ASSERT_EQ(readBytes(golden), got) << "cannot write " << golden;
            std::printf("regenerated %s\n", golden.c_str());
            continue;
        }
        const std::vector<uint8_t> want = readBytes(golden);
        ASSERT_FALSE(want.empty()) << golden << " is missing; KORVANCE_REGENERATE_GOLDEN=1 writes it";
        EXPECT_TRUE(got == want) << golden << ": " << describeDifference(want, got, r.text);
    }
}

// A write the system refuses shows the error report with the reason in words
// and leaves the previous file as it was, with no temporary file behind.
TEST(GoldenFiles, RefusedWritesKeepThePreviousFile) {
    TempDir dir;
    const GoldenData data;
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.file);
        const std::string path = dir.file(r.file);
        writeText(path, "previous");
        ScriptedPrompt full;
        {
            FileSizeLimit limit(readBytes(kGoldenDir + r.file).size() / 2);
            EXPECT_FALSE(r.write(path, data, full));
        }
        ASSERT_EQ(full.shown.size(), 1u);
        EXPECT_EQ(full.shown[0].text, "Save\n" + path + ": " + std::strerror(EFBIG));
        EXPECT_EQ(full.shown[0].caption, "GetLastError=" + std::to_string(EFBIG));
        EXPECT_EQ(full.shown[0].icon, Icon::Stop);
        EXPECT_EQ(readText(path), "previous");
        EXPECT_EQ(dir.entries().size(), 1u);
        std::filesystem::remove(path);

        ScriptedPrompt missing;
        const std::string nowhere = dir.file("no/folder/") + r.file;
        EXPECT_FALSE(r.write(nowhere, data, missing));
        EXPECT_EQ(missing.texts(), std::vector<std::string>{nowhere + "\n" + std::strerror(ENOENT)});
        EXPECT_EQ(missing.shown[0].caption, "GetLastError=" + std::to_string(ENOENT));
    }
}

}  // namespace
