#include "dialogs/testing/ScriptedDialogs.h"

#include "dialogs/Pickers.h"
#include "dialogs/RouteEditor.h"
#include "dialogs/WaypointEditor.h"

namespace korvance {

namespace {

template <class T>
std::optional<T> next(std::deque<T>& script) {
    if (script.empty()) return std::nullopt;
    T value = std::move(script.front());
    script.pop_front();
    return value;
}

// Fills the form from the script until its OK check passes; Cancel when the
// script says so or runs out. A cancelled form is left as it opened.
template <class Form>
bool runForm(std::deque<std::function<bool(Form&)>>& script, Form& form, UserPrompt& prompt) {
    Form working = form;
    while (auto answer = next(script)) {
        if (!(*answer)(working)) return false;
        if (working.validate(prompt)) {
            form = working;
            return true;
        }
    }
    return false;
}

// Runs the scripted gestures on the editor until one ends it; OK and
// "UpLoad" go through the editor's own OK, and when that refuses the editor
// stays open for the next script.
template <class Editor>
int runEditor(std::deque<std::function<int(Editor&)>>& script, Editor& editor) {
    while (auto run = next(script)) {
        const int result = (*run)(editor);
        if (result != kDialogOk && result != kDialogUpload) return kDialogCancel;
        if (editor.ok()) return result;
    }
    return kDialogCancel;
}

}  // namespace

bool ScriptedDialogs::inputWaypoint(WaypointForm& form) {
    opened.emplace_back(kInputWaypointTitle);
    formsShown.push_back(form);
    return runForm(forms, form, prompt_);
}

std::optional<uint32_t> ScriptedDialogs::pickWaypoint(const WaypointList& list) {
    opened.emplace_back("waypoint picker");
    pickerEntries.push_back(waypointPickerEntries(list));
    // Over an empty list nothing can be chosen: only Cancel ends the picker.
    while (auto pick = next(waypointPicks)) {
        if (!*pick) return std::nullopt;
        if (**pick < list.count()) return *pick;
    }
    return std::nullopt;
}

std::optional<RouteChoice> ScriptedDialogs::selectRouteByName(const CRouteField& routes) {
    opened.emplace_back(kSelectRouteByNameTitle);
    pickerEntries.push_back(routeNameEntries(routes));
    while (auto choice = next(routeChoices)) {
        if (!*choice) return std::nullopt;
        if ((*choice)->index < routes.routeCount()) return *choice;
    }
    return std::nullopt;
}

std::optional<int32_t> ScriptedDialogs::selectRouteNumber() {
    opened.emplace_back(kSelectRouteNoTitle);
    while (auto text = next(routeNumberTexts)) {
        if (!*text) return std::nullopt;
        if (auto n = readRouteNumber(**text, prompt_)) return n;
    }
    return std::nullopt;
}

int ScriptedDialogs::editWaypoints(WaypointEditor& editor) {
    opened.emplace_back("Edit Waypoint");
    return runEditor(waypointEditors, editor);
}

int ScriptedDialogs::editRoutes(RouteEditor& editor) {
    opened.emplace_back("Edit Route");
    return runEditor(routeEditors, editor);
}

std::optional<int32_t> ScriptedDialogs::confirmUploadRoute(int32_t routeNumber) {
    opened.emplace_back("Confirm Upload Route");
    uploadNumbersShown.push_back(routeNumber);
    auto answer = next(uploadConfirms);
    return answer ? *answer : std::nullopt;
}

bool ScriptedDialogs::preference(PreferenceForm& form) {
    opened.emplace_back(kPreferenceTitle);
    preferencesShown.push_back(form);
    return runForm(preferences, form, prompt_);
}

bool ScriptedDialogs::gpsSetting(GpsSettingForm& form) {
    opened.emplace_back(kGpsSettingTitle);
    gpsSettingsShown.push_back(form);
    return runForm(gpsSettings, form, prompt_);
}

bool ScriptedDialogs::pen(PenForm& form) {
    opened.emplace_back(kPenTitle);
    pensShown.push_back(form);
    return runForm(pens, form, prompt_);
}

bool ScriptedDialogs::alarm(AlarmForm& form) {
    opened.emplace_back(kAlarmTitle);
    alarmsShown.push_back(form);
    return runForm(alarms, form, prompt_);
}

}  // namespace korvance
