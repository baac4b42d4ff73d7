#include <gtest/gtest.h>

#include <string>

#include "data/WaypointList.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using Kind = ScriptedPrompt::Kind;

namespace {
int addSimple(WaypointList& list, UserPrompt& p, const std::string& id, double lat = 1, double lon = 2) {
    return list.add(p, id, lat, lon, "c", 3, 4, 5.5, 6.5);
}
}  // namespace

TEST(WaypointList, AddStoresEveryFieldAndGrowsByOne) {
    ScriptedPrompt p;
    WaypointList list(500);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(list.capacity(), 0u);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(list.add(p, "WP" + std::to_string(i), 35 + i, 139 - i, "comment", int16_t(i), 2, 10.25,
                           123.456),
                  1);
        EXPECT_EQ(list.count(), uint32_t(i + 1));
        EXPECT_EQ(list.capacity(), size_t(i + 1)) << "no spare capacity";
    }
    EXPECT_TRUE(p.shown.empty());
    EXPECT_EQ(list.identifier(3), "WP3");
    EXPECT_EQ(list.latitude(3), 38);
    EXPECT_EQ(list.longitude(3), 136);
    EXPECT_EQ(list.comment(3), "comment");
    EXPECT_EQ(list.symbol(3), 3);
    EXPECT_EQ(list.displayOption(3), 2);
    EXPECT_EQ(list.proximity(3), 10.25);
    EXPECT_EQ(list.altitude(3), double(123.456f));  // the nearest float, widened
    EXPECT_NE(list.altitude(3), 123.456);
}

// The question shows the identifier converted from the list's code page.
TEST(WaypointList, DuplicateQuestionAnsweredBothWays) {
    struct Row {
        Answer answer;
        int result;
    } rows[] = {{Answer::Yes, 1}, {Answer::No, 0}};
    CodePage cp("CP1252");
    for (const auto& r : rows) {
        ScriptedPrompt p({r.answer});
        WaypointList list(10, &cp);
        ASSERT_EQ(addSimple(list, p, "Caf\xE9"), 1);
        EXPECT_EQ(addSimple(list, p, "CAF\xC9"), 1) << "case-sensitive";
        EXPECT_EQ(addSimple(list, p, "Caf\xE9", 9, 9), r.result);
        EXPECT_EQ(list.count(), 2u);
        EXPECT_EQ(list.latitude(0), 1) << "existing record untouched";
        ASSERT_EQ(p.shown.size(), 1u);
        EXPECT_EQ(p.shown[0].kind, Kind::Question);
        EXPECT_EQ(p.shown[0].text, "Caf\xC3\xA9 already exist.\nDo you wish to continue?");
        EXPECT_EQ(p.shown[0].buttons, Buttons::YesNo);
    }
}

TEST(WaypointList, LimitRefusesWithMessageAndBeepAndKeepsRecords) {
    ScriptedPrompt p;
    WaypointList list(3);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(addSimple(list, p, "W" + std::to_string(i), i, i), 1);
    EXPECT_EQ(addSimple(list, p, "NEW"), 0);
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.shown[0].kind, Kind::ErrorWindow);
    EXPECT_EQ(p.shown[0].text, "Waypoint overflow!");
    ASSERT_EQ(p.beeps.size(), 1u);
    EXPECT_EQ(p.beeps[0], BeepKind::Asterisk);
    EXPECT_EQ(list.count(), 3u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(list.latitude(i), double(i));

    p.clear();
    EXPECT_FALSE(list.nextAutoIdentifier(p));
    ASSERT_EQ(p.shown.size(), 1u);
    EXPECT_EQ(p.shown[0].text, "Waypoint overflow!");

    // A list read from a file may hold more than the limit: every add is refused.
    p.clear();
    list.assign(std::vector<WaypointRecord>(5));
    EXPECT_EQ(addSimple(list, p, "X"), 0);
    EXPECT_EQ(addSimple(list, p, "Y"), 0);
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"Waypoint overflow!", "Waypoint overflow!"}));
}

TEST(WaypointList, BadIndexChangesNothing) {
    ScriptedPrompt p;
    WaypointList list(10);
    ASSERT_EQ(addSimple(list, p, "A"), 1);
    EXPECT_FALSE(list.setIdentifier(1, "B"));
    EXPECT_FALSE(list.setPosition(1, 5, 5));
    EXPECT_FALSE(list.setComment(1, "x"));
    EXPECT_FALSE(list.setSymbol(1, 1));
    EXPECT_FALSE(list.setDisplayOption(1, 1));
    EXPECT_FALSE(list.setProximity(1, 1));
    EXPECT_FALSE(list.setAltitude(1, 1));
    EXPECT_EQ(list.identifier(1), "");
    EXPECT_EQ(list.latitude(7), 0);
    EXPECT_EQ(list.altitude(7), 0);
    char buf[8] = "garbage";
    EXPECT_EQ(list.copyComment(9, buf, sizeof buf), 0u);
    EXPECT_EQ(buf[0], 0);
}

TEST(WaypointList, AutomaticIdentifiers) {
    struct Row {
        std::vector<std::string> existing;
        std::string expected;
    } rows[] = {
        {{}, "W00000"},
        {{"W00000", "W00002"}, "W00001"},
        {{"W00001", "W00000", "w00002"}, "W00002"},
    };
    for (const auto& r : rows) {
        ScriptedPrompt p;
        WaypointList list(500);
        for (const auto& id : r.existing) ASSERT_EQ(addSimple(list, p, id), 1);
        auto next = list.nextAutoIdentifier(p);
        ASSERT_TRUE(next);
        EXPECT_EQ(*next, r.expected);
        EXPECT_TRUE(p.shown.empty());
    }
}

TEST(WaypointList, TwoByteCharactersAreCutWhole) {
    CodePage cp932("CP932");
    ASSERT_TRUE(cp932.valid());
    ScriptedPrompt p;
    WaypointList list(10, &cp932);
    const std::string kanji = "\x93\x8C";  // one CP932 character, two bytes
    std::string id = std::string(22, 'A') + kanji;
    std::string comment;
    for (int i = 0; i < 40; ++i) comment += kanji;  // 80 bytes
    ASSERT_EQ(list.add(p, id, 0, 0, comment, 0, 0, 0, 0), 1);
    EXPECT_EQ(list.identifier(0), std::string(22, 'A'));
    EXPECT_EQ(list.comment(0).size(), 62u) << "31 whole characters; the 32nd would end at byte 64";
    ASSERT_TRUE(list.setIdentifier(0, "B" + id));
    EXPECT_EQ(list.identifier(0), "B" + std::string(22, 'A'));
}
