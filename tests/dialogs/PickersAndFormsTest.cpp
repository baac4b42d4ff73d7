// What the choosers list and read, and the limits of the "Input Waypoint"
// form, with the scripted prompt.

#include <gtest/gtest.h>

#include "data/CRouteField.h"
#include "data/WaypointList.h"
#include "dialogs/InputWaypoint.h"
#include "dialogs/Pickers.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;

TEST(Pickers, EntriesInListOrderCutTo16Characters) {
    ScriptedPrompt prompt;
    WaypointList list(10);
    EXPECT_TRUE(waypointPickerEntries(list).empty());
    ASSERT_EQ(list.add(prompt, "TOKYO-STATION-EAST-GATE", 35.68, 139.76, "", 0, 0, 0, 0), 1);
    ASSERT_EQ(list.add(prompt, "W00001", 35.0, 139.0, "", 0, 0, 0, 0), 1);
    EXPECT_EQ(waypointPickerEntries(list), (std::vector<std::string>{"TOKYO-STATION-EA", "W00001"}));
    CRouteField routes(3, 20, 30);
    routes.setRouteName(0, "ROUTE-00");
    routes.setRouteName(2, "HOME");
    EXPECT_EQ(routeNameEntries(routes), (std::vector<std::string>{"ROUTE-00", "", "HOME"}));
}

TEST(Pickers, RouteNumberIsZeroToNinetyNine) {
    const struct {
        const char* typed;
        std::optional<int32_t> number;
        const char* message;
    } rows[] = {
        // 99 taken and 100 refused are the chooser window's test.
        {"0", 0, nullptr},
        {" 7 ", 7, nullptr},
        {"-1", std::nullopt, "Please enter an integer between 0 and 99."},
        {"99999999999999999999", std::nullopt, "Please enter an integer between 0 and 99."},
        {"", std::nullopt, "Please enter an integer."},
        {"1x", std::nullopt, "Please enter an integer."},
    };
    for (const auto& r : rows) {
        ScriptedPrompt prompt;
        EXPECT_EQ(readRouteNumber(r.typed, prompt), r.number) << r.typed;
        if (r.message) {
            ASSERT_EQ(prompt.shown.size(), 1u) << r.typed;
            EXPECT_EQ(prompt.shown[0].text, r.message);
        } else {
            EXPECT_TRUE(prompt.shown.empty()) << r.typed;
        }
    }
}

TEST(InputWaypointForm, Limits) {
    const struct {
        const char* name;
        void (*change)(WaypointForm&);
        const char* message;
    } rows[] = {
        {"all at their limits",
         [](WaypointForm& f) {
             f.identifier = "ABCDEFGHIJ";
             f.first = "35^30'15.48\"NN";
             f.second = "139^30'15.48\"E";
             f.comment = std::string(40, 'c');
             f.symbol = std::string(50, '1');
             f.zone = std::string(50, 'z');
         },
         nullptr},
        {"identifier of 11", [](WaypointForm& f) { f.identifier = "ABCDEFGHIJK"; },
         "Enter no more than 10 characters."},
        {"coordinate of 15", [](WaypointForm& f) { f.second = std::string(15, '1'); },
         "Enter no more than 14 characters."},
        {"comment of 41", [](WaypointForm& f) { f.comment = std::string(41, 'c'); },
         "Enter no more than 40 characters."},
        // Characters count, not bytes.
        {"ten two-byte characters", [](WaypointForm& f) { f.identifier = "ＡＢＣＤＥＦＧＨＩＪ"; }, nullptr},
    };
    for (const auto& r : rows) {
        ScriptedPrompt prompt;
        WaypointForm f;
        r.change(f);
        EXPECT_EQ(f.validate(prompt), r.message == nullptr) << r.name;
        if (r.message) {
            EXPECT_EQ(prompt.texts(), std::vector<std::string>{r.message}) << r.name;
        }
    }
}
