#pragma once
// The dialogs a command opens, as the core asks for them. Each call is
// modal: it returns when the person is done with the dialog. The Qt front end
// shows its dialogs over the models of this room; tests answer with
// ScriptedDialogs (dialogs/testing). The rules of every dialog live in the
// models, so a host only shows fields and calls the model's gestures.

#include <cstdint>
#include <optional>

#include "dialogs/InputWaypoint.h"

namespace korvance {

class WaypointList;
class CRouteField;
class WaypointEditor;
class RouteEditor;
struct PreferenceForm;
struct GpsSettingForm;
struct PenForm;
struct AlarmForm;

// How a modal dialog ended.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;
inline constexpr int kDialogUpload = 1054;  // the route editor's "UpLoad"

// A route chosen by name, with the "Invert" box as it was when the entry was chosen.
struct RouteChoice {
    uint32_t index = 0;
    bool invert = false;
};

class DialogHost {
public:
    virtual ~DialogHost() = default;

    // "Input Waypoint" over `form`, whose labels the caller has set; true on
    // OK with the fields as typed (form.validate() passed).
    virtual bool inputWaypoint(WaypointForm& form) = 0;
    // The waypoint picker: the index of the entry chosen (one choice ends
    // it), nothing on Cancel. Over an empty list only Cancel ends it.
    virtual std::optional<uint32_t> pickWaypoint(const WaypointList& list) = 0;
    // "Select Route by Name".
    virtual std::optional<RouteChoice> selectRouteByName(const CRouteField& routes) = 0;
    // "Select Route No.": a number 0..99 (the field starts at 0).
    virtual std::optional<int32_t> selectRouteNumber() = 0;

    // The table editors over their models: kDialogOk or kDialogCancel, and
    // kDialogUpload from the route editor.
    virtual int editWaypoints(WaypointEditor& editor) = 0;
    virtual int editRoutes(RouteEditor& editor) = 0;
    // "Confirm Upload Route" with the receiver's route number; the number
    // confirmed, or nothing on Cancel.
    virtual std::optional<int32_t> confirmUploadRoute(int32_t routeNumber) = 0;

    // The settings dialogs over their forms: true on OK (the form validated).
    virtual bool preference(PreferenceForm& form) = 0;
    virtual bool gpsSetting(GpsSettingForm& form) = 0;
    virtual bool pen(PenForm& form) = 0;
    virtual bool alarm(AlarmForm& form) = 0;
};

}  // namespace korvance
