#include <gtest/gtest.h>

#include "platform/SettingsStore.h"
#include "settings/RegistryKey.h"
#include "settings/Settings.h"
#include "support/ChangedSettings.h"

using namespace korvance;
using korvance::testing::changedSettings;

namespace {

// A store whose key cannot be created: every read and write fails.
class BrokenStore : public MemorySettingsStore {
public:
    bool createKey(const std::string&) override { return false; }
};

}  // namespace

// The round trip of every field is the INI store's test.
TEST(Settings, EmptyStoreGivesDefaultsThenOtherGarminAndDebugControlIsNeverRead) {
    MemorySettingsStore store;
    AppSettings s = loadAppSettings(store);
    EXPECT_EQ(s, AppSettings{});
    EXPECT_TRUE(store.hasKey(kSettingsKey));  // opening creates the key
    validateModel(s);
    EXPECT_EQ(s.GPSModelID, -1);
    EXPECT_EQ(s.GPSModel, "Other Garmin");
    EXPECT_EQ(s.GPSCharSet, 1u);

    // A stored 1 is read as 0 and written back as 0.
    store.writeDword(kSettingsKey, "DebugControl", 1);
    AppSettings again = loadAppSettings(store);
    EXPECT_EQ(again.DebugControl, 0u);
    saveAppSettings(store, again);
    EXPECT_EQ(store.readDword(kSettingsKey, "DebugControl"), 0u);

    // Model 96 is in the list: the stored name stays.
    AppSettings listed = changedSettings();
    validateModel(listed);
    EXPECT_EQ(listed.GPSModelID, 96);
    EXPECT_EQ(listed.GPSModel, "GPS12XL(2)");
}

TEST(Settings, BadValuesKeepTheirDefaults) {
    struct Case {
        const char* what;
        void (*plant)(MemorySettingsStore&);
    };
    const Case cases[] = {
        // A text where a number belongs and the other way round are the INI store's test.
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
        EXPECT_EQ(loadAppSettings(store), AppSettings{});
    }

    // 2047 characters still fit.
    MemorySettingsStore store;
    store.createKey(kSettingsKey);
    store.writeString(kSettingsKey, "DatumName", std::string(2047, 'y'));
    EXPECT_EQ(loadAppSettings(store).DatumName.size(), 2047u);
}

TEST(Settings, UnopenableStoreLeavesDefaults) {
    BrokenStore store;
    EXPECT_EQ(loadAppSettings(store), AppSettings{});
    EXPECT_FALSE(saveAppSettings(store, changedSettings()));
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
