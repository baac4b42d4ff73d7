// Every writer against a reference file of tests/data/golden/: the same fixed
// data written through the real writers must give the same bytes, under any
// locale. A changed reference is regenerated with
//     KORVANCE_REGENERATE_GOLDEN=1 ctest --test-dir build -R Golden
// and committed with the reason for the change (tests/data/README.md).

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "files/DocumentFile.h"
#include "files/FileSizeLimit.h"
#include "files/GpxFile.h"
#include "files/PotFile.h"
#include "files/SampleDocument.h"
#include "files/TempDir.h"
#include "files/WaypointText.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using namespace korvance::files;
using namespace korvance::testing;

namespace {

const std::string kGoldenDir = std::string(KORVANCE_TEST_DATA) + "/golden/";

struct Row {
    const char* file;
    bool text;  // a difference is shown by lines, else by its offset
    std::function<bool(const std::string& path, const SampleDocument& d, UserPrompt& prompt)> write;
};

const Row kRows[] = {
    {"document.kvn", false,
     [](const std::string& path, const SampleDocument& d, UserPrompt& p) { return writeDocumentFile(path, d.source(), p); }},
    {"track.pot", true,
     [](const std::string& path, const SampleDocument& d, UserPrompt& p) {
         return writePotTrack(path, Datum("Tokyo"), d.points, p);
     }},
    {"routes.pot", true,
     [](const std::string& path, const SampleDocument& d, UserPrompt& p) {
         return writePotRoutes(path, Datum("Tokyo"), d.routes, p);
     }},
    {"waypoints.txt", true,
     [](const std::string& path, const SampleDocument& d, UserPrompt& p) {
         Datum tokyo("Tokyo");
         return exportWaypointText(path, tokyo, TransverseMercator(tokyo), d.waypoints, false, p);
     }},
    {"waypoints-utm.txt", true,
     [](const std::string& path, const SampleDocument& d, UserPrompt& p) {
         Datum wgs("WGS 84");
         return exportWaypointText(path, wgs, TransverseMercator(wgs), d.waypoints, true, p);
     }},
    {"document.gpx", true,
     [](const std::string& path, const SampleDocument& d, UserPrompt& p) {
         return writeGpxFile(path, d.source(), Datum("WGS 84"), p);
     }},
};

TEST(GoldenFiles, WritersGiveTheReferenceBytes) {
    const bool regenerate = std::getenv("KORVANCE_REGENERATE_GOLDEN") != nullptr;
    TempDir dir;
    const SampleDocument data;
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
        if (r.text) {  // gtest shows the lines that differ
            EXPECT_EQ(std::string(got.begin(), got.end()), std::string(want.begin(), want.end())) << golden;
        } else {
            const auto at = std::mismatch(want.begin(), want.end(), got.begin(), got.end()).first - want.begin();
            EXPECT_TRUE(got == want) << golden << ": " << got.size() << " bytes for " << want.size()
                                     << ", the first difference at byte " << at;
        }
    }
}

// A write the system refuses shows the error report with the reason in words
// and leaves the previous file as it was, with no temporary file behind.
TEST(GoldenFiles, RefusedWritesKeepThePreviousFile) {
    TempDir dir;
    const SampleDocument data;
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
