// The choosers, the "Input Waypoint" form and the number fields of the
// dialogs, through the scripted dialog host and the scripted prompt.

#include <gtest/gtest.h>

#include "data/CRouteField.h"
#include "data/WaypointList.h"
#include "dialogs/DialogText.h"
#include "dialogs/InputWaypoint.h"
#include "dialogs/Pickers.h"
#include "dialogs/testing/ScriptedDialogs.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;

TEST(Pickers, EntriesAndChoices) {
    ScriptedPrompt prompt;
    ScriptedDialogs dialogs(prompt);
    WaypointList empty(10);
    // Over an empty list nothing can be chosen; only Cancel ends the picker.
    dialogs.waypointPicks = {0u, std::nullopt};
    EXPECT_EQ(dialogs.pickWaypoint(empty), std::nullopt);
    ASSERT_EQ(dialogs.pickerEntries.size(), 1u);
    EXPECT_TRUE(dialogs.pickerEntries[0].empty());

    WaypointList list(10);
    ASSERT_EQ(list.add(prompt, "TOKYO-STATION-EAST-GATE", 35.68, 139.76, "", 0, 0, 0, 0), 1);
    ASSERT_EQ(list.add(prompt, "W00001", 35.0, 139.0, "", 0, 0, 0, 0), 1);
    dialogs.waypointPicks = {1u};
    EXPECT_EQ(dialogs.pickWaypoint(list), 1u);
    EXPECT_EQ(dialogs.pickerEntries.back(), (std::vector<std::string>{"TOKYO-STATION-EA", "W00001"}));

    CRouteField routes(3, 20, 30);
    routes.setRouteName(0, "ROUTE-00");
    routes.setRouteName(2, "HOME");
    dialogs.routeChoices = {RouteChoice{2, true}};
    const auto choice = dialogs.selectRouteByName(routes);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->index, 2u);
    EXPECT_TRUE(choice->invert);
    EXPECT_EQ(dialogs.pickerEntries.back(), (std::vector<std::string>{"ROUTE-00", "", "HOME"}));
    EXPECT_EQ(dialogs.selectRouteByName(routes), std::nullopt);  // nothing scripted: Cancel
    EXPECT_TRUE(prompt.shown.empty());
}

TEST(Pickers, RouteNumberIsZeroToNinetyNine) {
    const struct {
        const char* typed;
        std::optional<int32_t> number;
        const char* message;
    } rows[] = {
        {"0", 0, nullptr},
        {"99", 99, nullptr},
        {" 7 ", 7, nullptr},
        {"100", std::nullopt, "Please enter an integer between 0 and 99."},
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
    // The chooser stays open after a refused number: the next one typed is taken.
    ScriptedPrompt prompt;
    ScriptedDialogs dialogs(prompt);
    dialogs.routeNumberTexts = {"100", "99"};
    EXPECT_EQ(dialogs.selectRouteNumber(), 99);
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"Please enter an integer between 0 and 99."});
    dialogs.routeNumberTexts = {std::nullopt};
    EXPECT_EQ(dialogs.selectRouteNumber(), std::nullopt);
}

TEST(InputWaypointForm, LabelsZoneAndLimits) {
    const WaypointForm geo = WaypointForm::geographic();
    EXPECT_EQ(geo.firstLabel, "Latitude");
    EXPECT_EQ(geo.secondLabel, "Longitude");
    EXPECT_EQ(geo.zoneLabel, "");
    EXPECT_FALSE(geo.zoneEnabled());
    const WaypointForm utm = WaypointForm::utm();
    EXPECT_EQ(utm.firstLabel, "Easting");
    EXPECT_EQ(utm.secondLabel, "Northing");
    EXPECT_TRUE(utm.zoneEnabled());

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

    // A refused form stays open; Cancel leaves the caller's form as it was.
    ScriptedPrompt prompt;
    ScriptedDialogs dialogs(prompt);
    WaypointForm form = WaypointForm::utm();
    form.identifier = "KEEP";
    dialogs.forms = {[](WaypointForm& f) { f.identifier = "TOO-LONG-NAME"; return true; },
                     [](WaypointForm& f) { f.identifier = "OTHER"; return false; }};
    EXPECT_FALSE(dialogs.inputWaypoint(form));
    EXPECT_EQ(form.identifier, "KEEP");
    EXPECT_EQ(dialogs.formsShown.at(0).zoneLabel, "Zone");
    dialogs.forms = {[](WaypointForm& f) { f.identifier = "W00012"; return true; }};
    EXPECT_TRUE(dialogs.inputWaypoint(form));
    EXPECT_EQ(form.identifier, "W00012");
}
