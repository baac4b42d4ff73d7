#pragma once
// A DialogHost that answers from a script, for tests: each dialog of a kind
// takes the next scripted answer, and one left without an answer is
// cancelled. Forms are filled by the scripted function and go through the
// form's own OK check: a form it refuses stays open and takes the next
// answer, as a person would type again. Everything opened is recorded.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/DialogHost.h"
#include "dialogs/SettingsForms.h"
#include "platform/UserPrompt.h"

namespace korvance {

class ScriptedDialogs : public DialogHost {
public:
    // `prompt` shows the messages of refused OKs.
    explicit ScriptedDialogs(UserPrompt& prompt) : prompt_(prompt) {}

    // A scripted form: change the fields and return true for OK, false for Cancel.
    template <class Form>
    using FormAnswer = std::function<bool(Form&)>;

    std::deque<FormAnswer<WaypointForm>> forms;
    std::deque<std::optional<uint32_t>> waypointPicks;
    std::deque<std::optional<RouteChoice>> routeChoices;
    std::deque<std::optional<std::string>> routeNumberTexts;  // typed, then OK; nothing: Cancel
    // Gestures on an editor, ending with the button that closes it: OK and
    // "UpLoad" run the editor's OK, and one it refuses keeps it open for the next.
    std::deque<std::function<int(WaypointEditor&)>> waypointEditors;
    std::deque<std::function<int(RouteEditor&)>> routeEditors;
    std::deque<std::optional<int32_t>> uploadConfirms;
    std::deque<FormAnswer<PreferenceForm>> preferences;
    std::deque<FormAnswer<GpsSettingForm>> gpsSettings;
    std::deque<FormAnswer<PenForm>> pens;
    std::deque<FormAnswer<AlarmForm>> alarms;

    // Titles of the dialogs in the order they opened ("Input Waypoint",
    // "waypoint picker", "Select Route by Name", "Select Route No.", "Edit
    // Waypoint", "Edit Route", "Confirm Upload Route", "Preference", ...).
    std::vector<std::string> opened;
    // Each "Input Waypoint" form as it opened; the entries each picker showed;
    // the route number each upload confirmation opened with.
    std::vector<WaypointForm> formsShown;
    std::vector<std::vector<std::string>> pickerEntries;
    std::vector<int32_t> uploadNumbersShown;
    // The forms of the settings dialogs as they opened.
    std::vector<PreferenceForm> preferencesShown;
    std::vector<GpsSettingForm> gpsSettingsShown;
    std::vector<PenForm> pensShown;
    std::vector<AlarmForm> alarmsShown;

    bool inputWaypoint(WaypointForm& form) override;
    std::optional<uint32_t> pickWaypoint(const WaypointList& list) override;
    std::optional<RouteChoice> selectRouteByName(const CRouteField& routes) override;
    std::optional<int32_t> selectRouteNumber() override;
    int editWaypoints(WaypointEditor& editor) override;
    int editRoutes(RouteEditor& editor) override;
    std::optional<int32_t> confirmUploadRoute(int32_t routeNumber) override;
    bool preference(PreferenceForm& form) override;
    bool gpsSetting(GpsSettingForm& form) override;
    bool pen(PenForm& form) override;
    bool alarm(AlarmForm& form) override;

private:
    UserPrompt& prompt_;
};

}  // namespace korvance
