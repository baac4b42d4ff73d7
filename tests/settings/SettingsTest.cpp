#include <gtest/gtest.h>

#include "platform/SettingsStore.h"
#include "settings/GpsModelList.h"
#include "settings/RegistryKey.h"
#include "settings/Settings.h"

using namespace korvance;

namespace {

// Every stored field set to a value unlike its default.
AppSettings changedSettings() {
    AppSettings s;
    s.CommDebug = 1;
    s.Comm_WriteFile_Wait = 7;
    s.CommOpenWait = 8;
    s.CommRetryWait = 9;
    s.DatumName = "Tokyo";
    s.DataPath = "/home/u/tracks";
    s.MapPath = "/home/u/maps";
    s.CenteringAlways = 1;
    s.WaypointAlarm = 1;
    s.WaypointAlarmDistance = 9999999;
    s.CommPort = 3;
    s.MaxWaypointCount = 1000;
    s.MaxRouteCount = 5;
    s.MaxRouteWaypointCount = 50;
    s.GPSModel = "GPS12XL(2)";
    s.GPSModelID = 96;
    s.GPSCharSet = 2;
    s.ReachDistance = 42;
    s.PenWidth = 3;
    s.MaxLogCount = 100;
    s.NMEASentence = "RMC;GGA";
    s.SaveOnlyValidNMEA = 0;
    s.LogInterval = 5000;
    s.CoordinateUTM = 1;
    s.Unit = 2;
    s.PenColor = 0x123456;
    s.WaypointColor = 0x654321;
    s.NMEAMonitorPath = "/usr/bin/monitor";
    s.AutoMapChange = 0;
    s.BlinkNavigationCursor = 0;
    s.RouteColor = 0x010203;
    s.NMEABaudrate = 9600;
    s.CommLimitBaudrate = 38400;
    s.AlarmFile = "/usr/share/sounds/bell.wav";
    s.TrackPlotCount = 64;
    s.CommDevice = "/dev/ttyUSB0";
    s.CodePage = "CP932";
    return s;
}

void expectSame(const AppSettings& a, const AppSettings& b) {
    EXPECT_EQ(a.DebugControl, b.DebugControl);
    EXPECT_EQ(a.CommDebug, b.CommDebug);
    EXPECT_EQ(a.Comm_WriteFile_Wait, b.Comm_WriteFile_Wait);
    EXPECT_EQ(a.CommOpenWait, b.CommOpenWait);
    EXPECT_EQ(a.CommRetryWait, b.CommRetryWait);
    EXPECT_EQ(a.DatumName, b.DatumName);
    EXPECT_EQ(a.DataPath, b.DataPath);
    EXPECT_EQ(a.MapPath, b.MapPath);
    EXPECT_EQ(a.CenteringAlways, b.CenteringAlways);
    EXPECT_EQ(a.WaypointAlarm, b.WaypointAlarm);
    EXPECT_EQ(a.WaypointAlarmDistance, b.WaypointAlarmDistance);
    EXPECT_EQ(a.CommPort, b.CommPort);
    EXPECT_EQ(a.MaxWaypointCount, b.MaxWaypointCount);
    EXPECT_EQ(a.MaxRouteCount, b.MaxRouteCount);
    EXPECT_EQ(a.MaxRouteWaypointCount, b.MaxRouteWaypointCount);
    EXPECT_EQ(a.GPSModel, b.GPSModel);
    EXPECT_EQ(a.GPSModelID, b.GPSModelID);
    EXPECT_EQ(a.GPSCharSet, b.GPSCharSet);
    EXPECT_EQ(a.ModelCount, b.ModelCount);
    EXPECT_EQ(a.ReachDistance, b.ReachDistance);
    EXPECT_EQ(a.PenWidth, b.PenWidth);
    EXPECT_EQ(a.MaxLogCount, b.MaxLogCount);
    EXPECT_EQ(a.NMEASentence, b.NMEASentence);
    EXPECT_EQ(a.SaveOnlyValidNMEA, b.SaveOnlyValidNMEA);
    EXPECT_EQ(a.LogInterval, b.LogInterval);
    EXPECT_EQ(a.CoordinateUTM, b.CoordinateUTM);
    EXPECT_EQ(a.Unit, b.Unit);
    EXPECT_EQ(a.PenColor, b.PenColor);
    EXPECT_EQ(a.WaypointColor, b.WaypointColor);
    EXPECT_EQ(a.NMEAMonitorPath, b.NMEAMonitorPath);
    EXPECT_EQ(a.AutoMapChange, b.AutoMapChange);
    EXPECT_EQ(a.BlinkNavigationCursor, b.BlinkNavigationCursor);
    EXPECT_EQ(a.RouteColor, b.RouteColor);
    EXPECT_EQ(a.NMEABaudrate, b.NMEABaudrate);
    EXPECT_EQ(a.CommLimitBaudrate, b.CommLimitBaudrate);
    EXPECT_EQ(a.AlarmFile, b.AlarmFile);
    EXPECT_EQ(a.TrackPlotCount, b.TrackPlotCount);
    EXPECT_EQ(a.CommDevice, b.CommDevice);
    EXPECT_EQ(a.CodePage, b.CodePage);
}

// A store whose key cannot be created: every read and write fails.
class BrokenStore : public MemorySettingsStore {
public:
    bool createKey(const std::string&) override { return false; }
};

}  // namespace

TEST(Settings, EmptyStoreGivesDefaultsThenOtherGarmin) {
    MemorySettingsStore store;
    AppSettings s = loadAppSettings(store);
    expectSame(s, AppSettings{});
    EXPECT_TRUE(store.hasKey(kSettingsKey));  // opening creates the key
    validateModel(s);
    EXPECT_EQ(s.GPSModelID, -1);
    EXPECT_EQ(s.GPSModel, "Other Garmin");
    EXPECT_EQ(s.GPSCharSet, 1u);
}

TEST(Settings, RoundTripKeepsEveryFieldAndDebugControlIsZero) {
    MemorySettingsStore store;
    AppSettings out = changedSettings();
    out.DebugControl = 1;
    ASSERT_TRUE(saveAppSettings(store, out));
    AppSettings in = loadAppSettings(store);
    EXPECT_EQ(in.DebugControl, 0u);
    out.DebugControl = 0;
    expectSame(in, out);

    // A stored 1 is read as 0 and written back as 0.
    store.writeDword(kSettingsKey, "DebugControl", 1);
    AppSettings again = loadAppSettings(store);
    EXPECT_EQ(again.DebugControl, 0u);
    saveAppSettings(store, again);
    EXPECT_EQ(store.readDword(kSettingsKey, "DebugControl"), 0u);

    // Model 96 is in the list: the stored name stays.
    validateModel(in);
    EXPECT_EQ(in.GPSModelID, 96);
    EXPECT_EQ(in.GPSModel, "GPS12XL(2)");
}

TEST(Settings, NegativeModelIdSurvivesTheStore) {
    MemorySettingsStore store;
    AppSettings out;
    out.GPSModelID = -1;
    saveAppSettings(store, out);
    EXPECT_EQ(store.readDword(kSettingsKey, "GPSModelID"), 0xFFFFFFFFu);
    EXPECT_EQ(loadAppSettings(store).GPSModelID, -1);
}

TEST(Settings, BadValuesKeepTheirDefaults) {
    struct Case {
        const char* what;
        void (*plant)(MemorySettingsStore&);
    };
    const Case cases[] = {
        {"text where a number belongs",
         [](MemorySettingsStore& s) { s.writeString(kSettingsKey, "CommPort", "three"); }},
        {"number where a text belongs",
         [](MemorySettingsStore& s) { s.writeDword(kSettingsKey, "DatumName", 7); }},
        {"binary where a number belongs",
         [](MemorySettingsStore& s) { s.writeBinary(kSettingsKey, "LogInterval", {1, 2, 3, 4, 5, 6, 7, 8}); }},
        {"text of 2048 characters", [](MemorySettingsStore& s) {
             s.writeString(kSettingsKey, "DatumName", std::string(2048, 'x'));
         }},
        {"text of 1100 three-byte characters over 2047 when doubled", [](MemorySettingsStore& s) {
             std::string t;
             for (int i = 0; i < 2100; ++i) t += "\xe6\x97\xa5";  // 2100 UTF-16 units
             s.writeString(kSettingsKey, "MapPath", t);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySettingsStore store;
        store.createKey(kSettingsKey);
        c.plant(store);
        expectSame(loadAppSettings(store), AppSettings{});
    }

    // 2047 characters still fit.
    MemorySettingsStore store;
    store.createKey(kSettingsKey);
    store.writeString(kSettingsKey, "DatumName", std::string(2047, 'y'));
    EXPECT_EQ(loadAppSettings(store).DatumName.size(), 2047u);
}

TEST(Settings, UnopenableStoreLeavesDefaults) {
    BrokenStore store;
    expectSame(loadAppSettings(store), AppSettings{});
    EXPECT_FALSE(saveAppSettings(store, changedSettings()));
}

TEST(GpsModelList, Lookups) {
    EXPECT_EQ(GpsModelList::count(), 15u);
    EXPECT_EQ(GpsModelList::count(), AppSettings{}.ModelCount);
    EXPECT_EQ(GpsModelList::indexOfId(96), 3);  // the first of the two rows with 96
    EXPECT_EQ(GpsModelList::protocolCode(96), 4103);
    EXPECT_EQ(GpsModelList::protocolCode(129), 4104);
    EXPECT_EQ(GpsModelList::protocolCode(41), 4101);
    EXPECT_EQ(GpsModelList::protocolCode(130), 4101);  // not in the list
    EXPECT_EQ(GpsModelList::protocolCode(-1), -1);
    EXPECT_EQ(GpsModelList::idAt(14), -1);
    EXPECT_EQ(GpsModelList::idAt(15), 0);
    EXPECT_EQ(GpsModelList::charSetAt(4), 2u);
    EXPECT_EQ(GpsModelList::charSetAt(99), 1u);
    EXPECT_EQ(GpsModelList::nameAt(3, 5), "GPS1");
    EXPECT_EQ(GpsModelList::nameAt(3), "GPS12XL(2)");
    EXPECT_EQ(GpsModelList::nameAt(13, 1), "");
    EXPECT_EQ(GpsModelList::nameAt(15), "");
    EXPECT_EQ(GpsModelList::indexOfName("Other Garmin"), 14);
    for (const auto& row : GpsModelList::rows()) EXPECT_LT(std::string(row.name).size(), kGpsModelNameWidth);
}

TEST(RegistryKey, ReadsFailWithoutAnOpenKey) {
    MemorySettingsStore store;
    RegistryKey key(&store);
    uint32_t v = 5;
    std::string t = "keep";
    EXPECT_FALSE(key.readDword("CommPort", v));
    EXPECT_FALSE(key.writeDword("CommPort", 1));
    ASSERT_TRUE(key.open("SOFTWARE\\Other"));
    EXPECT_FALSE(key.readString("Missing", t, 4096));
    EXPECT_EQ(t, "keep");
    EXPECT_TRUE(key.writeString("Name", "abc"));
    EXPECT_FALSE(key.readString("Name", t, 6));  // needs 8 bytes with the terminator
    EXPECT_TRUE(key.readString("Name", t, 8));
    EXPECT_EQ(t, "abc");
    EXPECT_TRUE(key.deleteValue("Name"));
    key.close();
    EXPECT_FALSE(key.deleteValue("Name"));
    EXPECT_EQ(v, 5u);
}
