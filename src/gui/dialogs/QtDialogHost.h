#pragma once
// The dialogs of the program as Qt widgets over the dialog models: each
// dialog shows the model's fields and calls the model's gestures, nothing
// more. Every dialog works from the keyboard: Tab between fields, Enter for
// OK (or, in a chooser list, for the entry under the cursor), Escape for Cancel.

#include <QPointer>
#include <QWidget>

#include "dialogs/DialogHost.h"
#include "platform/FileChooser.h"
#include "platform/UserPrompt.h"

namespace korvance {

class QtDialogHost : public DialogHost {
public:
    // Dialogs open over `parent` (the main window); `prompt` shows the
    // messages of refused OKs; `chooser` serves the Alarm dialog's "...".
    QtDialogHost(QWidget* parent, UserPrompt& prompt, FileChooser& chooser)
        : parent_(parent), prompt_(prompt), chooser_(chooser) {}

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
    QPointer<QWidget> parent_;
    UserPrompt& prompt_;
    FileChooser& chooser_;
};

}  // namespace korvance
