#include <gtest/gtest.h>

#include "platform/CodePage.h"

using namespace korvance;

TEST(CodePage, ConvertsBothWays) {
    struct Row {
        const char* page;
        std::string oem;
        std::string utf8;
    } rows[] = {
        {"CP1252", "Caf\xE9 \x80", "Caf\xC3\xA9 \xE2\x82\xAC"},
        {"CP932", "\x93\x8C\x8B\x9E", "\xE6\x9D\xB1\xE4\xBA\xAC"},  // Tokyo
        {"CP932", "\xB1", "\xEF\xBD\xB1"},                          // half-width katakana A
        {"CP437", "\x82", "\xC3\xA9"},
        {"NO-SUCH-PAGE", "A\xE9", "A\xC3\xA9"},  // an unknown name falls back to CP1252
    };
    for (const auto& r : rows) {
        CodePage cp(r.page);
        EXPECT_EQ(cp.valid(), std::string(r.page) != "NO-SUCH-PAGE") << r.page;
        EXPECT_EQ(cp.name(), cp.valid() ? r.page : "CP1252");
        EXPECT_EQ(cp.toUtf8(r.oem), r.utf8) << r.page;
        EXPECT_EQ(cp.fromUtf8(r.utf8), r.oem) << r.page;
        EXPECT_EQ(cp.fromUtf16(cp.toUtf16(r.oem)), r.oem) << r.page;
    }
}

TEST(CodePage, BadInputIsReplacedNotDropped) {
    CodePage cp1252("CP1252");
    EXPECT_EQ(cp1252.fromUtf8("a\xE6\x9D\xB1z"), "a?z");       // no kanji in CP1252
    EXPECT_EQ(cp1252.toUtf8("a\x81z"), "a\xEF\xBF\xBDz");       // 0x81 is undefined
    CodePage cp932("CP932");
    EXPECT_EQ(cp932.toUtf8("ab\x93"), "ab\xEF\xBF\xBD");        // lead byte without trail
    EXPECT_EQ(cp1252.fromUtf8("x\xFF"), "x?");                   // broken UTF-8
}

TEST(CodePage, Utf16RoundTripKeepsSurrogatePairs) {
    std::string s = "x\xF0\x9F\x97\xBA y";  // world map emoji
    std::u16string w = utf8ToUtf16(s);
    EXPECT_EQ(w.size(), 5u);
    EXPECT_EQ(utf16ToUtf8(w), s);
}
