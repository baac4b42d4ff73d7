#include <gtest/gtest.h>

#include "platform/SettingsStore.h"

using namespace korvance;

TEST(MemorySettingsStore, TypedValuesUnderKeys) {
    MemorySettingsStore s;
    const std::string key = "SOFTWARE\\Ostrel\\Korvance";
    EXPECT_FALSE(s.writeDword(key, "CommPort", 2));  // key not created yet
    ASSERT_TRUE(s.createKey(key));
    EXPECT_TRUE(s.writeDword(key, "CommPort", 2));
    EXPECT_TRUE(s.writeString(key, "DatumName", "Tokyo"));
    EXPECT_EQ(s.readDword(key, "CommPort"), 2u);
    EXPECT_EQ(s.readString(key, "DatumName"), "Tokyo");
    EXPECT_EQ(s.readDword(key, "DatumName"), std::nullopt);  // wrong type fails
    EXPECT_EQ(s.readString(key, "Missing"), std::nullopt);
    EXPECT_TRUE(s.deleteValue(key, "CommPort"));
    EXPECT_EQ(s.readDword(key, "CommPort"), std::nullopt);
    EXPECT_TRUE(s.deleteKey(key));
    EXPECT_FALSE(s.hasKey(key));
}
