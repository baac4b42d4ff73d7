// The settings record through a real INI file: a round trip of every field,
// and a file edited by hand into garbage or wrong types keeps the defaults.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "files/TempDir.h"
#include "qtplatform/QtSettingsStore.h"
#include "settings/Settings.h"
#include "support/ChangedSettings.h"

using namespace korvance;
namespace fs = std::filesystem;

TEST(QtSettingsStore, EveryFieldSurvivesARoundTripThroughTheFile) {
    const korvance::testing::TempDir dir;
    const std::string ini = dir.file("korvance.ini");
    AppSettings s = korvance::testing::changedSettings();
    s.DebugControl = 5;
    {
        QtSettingsStore store(ini);
        ASSERT_TRUE(saveAppSettings(store, s));
    }
    ASSERT_TRUE(fs::exists(ini));
    QtSettingsStore store(ini);
    const AppSettings r = loadAppSettings(store);
    EXPECT_EQ(r.DebugControl, 0u);  // never taken from the store
    s.DebugControl = 0;
    EXPECT_EQ(r, s);
}

// A file written by hand: plain values are read by the type of their setting,
// the tagged values of older files still read, and a value that does not fit
// keeps the default and is named once on stderr. Keys the program does not
// know are still in the file after a save.
TEST(QtSettingsStore, HandWrittenFileIsReadAndKeptBySave) {
    const korvance::testing::TempDir dir;
    const std::string ini = dir.file("korvance.ini");
    {
        std::ofstream out(ini, std::ios::binary);
        out << "[SOFTWARE/Ostrel/Korvance]\n"
            << "CommDevice=/dev/ttyUSB0\n"
            << "PenWidth=3\n"
            << "GPSModelID=-1\n"
            << "DatumName=Tokyo\n"
            << "MapPath=sz:/maps/old style\n"       // tagged as earlier versions wrote
            << "LogInterval=dword:12\n"
            << "NMEASentence=GGA, RMC\n"           // unquoted commas
            << "MaxLogCount=99999999999\n"         // beyond 32 bits
            << "Unit=metric\n"                     // not a number
            << "TrackPlotCount=sz:12\n"            // a text where a number belongs
            << "DataPath=dword:5\n"                // a number where a text belongs
            << "AlarmFile=\xff\xfe garbage\n"      // not UTF-8
            << "NMEAMonitorPath=@Variant(\\0\\0\\0\\x7f)\n"
            << "ColourScheme=night\n"              // not a setting of this version
            << "this line is not INI at all\n"
            << "[Elsewhere]\nkept=yes\n";
    }
    const AppSettings d;
    AppSettings expected = d;
    expected.CommDevice = "/dev/ttyUSB0";
    expected.PenWidth = 3;
    expected.GPSModelID = -1;
    expected.DatumName = "Tokyo";
    expected.MapPath = "/maps/old style";
    expected.LogInterval = 12;
    expected.NMEASentence = "GGA, RMC";

    ::testing::internal::CaptureStderr();
    AppSettings r;
    {
        QtSettingsStore store(ini);
        r = loadAppSettings(store);
        loadAppSettings(store);  // a second read names nothing again
        r.PenWidth = 4;
        ASSERT_TRUE(saveAppSettings(store, r));
    }
    const std::string err = ::testing::internal::GetCapturedStderr();
    r.PenWidth = 3;
    EXPECT_EQ(r, expected);
    for (const char* key : {"MaxLogCount", "Unit", "TrackPlotCount", "DataPath", "AlarmFile", "NMEAMonitorPath"}) {
        const std::string named = "SOFTWARE/Ostrel/Korvance/" + std::string(key) + " in " + ini;
        const size_t at = err.find(named);
        EXPECT_NE(at, std::string::npos) << key << "\n" << err;
        EXPECT_EQ(err.find(named, at + 1), std::string::npos) << key << " named twice\n" << err;
    }
    EXPECT_EQ(err.find("PenWidth"), std::string::npos) << err;

    // Plain values after the save, and what the program does not know is still there.
    const std::string text = korvance::testing::readText(ini);
    for (const char* line : {"PenWidth=4\n", "CommDevice=/dev/ttyUSB0\n", "ColourScheme=night\n", "kept=yes\n",
                             "MapPath=/maps/old style\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    EXPECT_EQ(text.find("sz:"), std::string::npos) << text;
    EXPECT_EQ(text.find("dword:"), std::string::npos) << text;
    QtSettingsStore again(ini);
    AppSettings back = loadAppSettings(again);
    EXPECT_EQ(back.PenWidth, 4);
    EXPECT_EQ(back.MapPath, "/maps/old style");
    EXPECT_EQ(back.GPSModelID, -1);
}

TEST(QtSettingsStore, TypedValuesAndBinary) {
    const korvance::testing::TempDir dir;
    QtSettingsStore store(dir.file("k.ini"));
    ASSERT_TRUE(store.writeBinary("A\\B", "bin", {0, 1, 0xFF}));
    ASSERT_TRUE(store.writeString("A\\B", "text", "x"));
    EXPECT_EQ(store.readBinary("A\\B", "bin"), (std::vector<uint8_t>{0, 1, 0xFF}));
    EXPECT_FALSE(store.readDword("A\\B", "text"));
    EXPECT_FALSE(store.readBinary("A\\B", "text"));
    EXPECT_FALSE(store.readString("A\\B", "missing"));
    EXPECT_TRUE(store.deleteValue("A\\B", "text"));
    EXPECT_FALSE(store.readString("A\\B", "text"));
}
