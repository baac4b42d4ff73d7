#include "dialogs/DialogCommands.h"

#include "app/CommandIds.h"
#include "app/GpsCommands.h"
#include "dialogs/RouteEditor.h"
#include "dialogs/SettingsForms.h"
#include "dialogs/WaypointEditor.h"

namespace korvance {

bool onPreference(CKorvanceDoc& doc, DialogHost& host) {
    if (doc.trackLogging()) return false;
    PreferenceForm form = PreferenceForm::from(doc.settings());
    if (!host.preference(form)) return false;
    form.store(doc.settings());
    // Positions keep their numbers; only the datum they are read in changes.
    doc.setDatum(doc.settings().DatumName);
    doc.logInterval = doc.settings().LogInterval;
    return true;
}

bool onGpsSetting(CKorvanceDoc& doc, DialogHost& host) {
    if (doc.trackLogging()) return false;
    GpsSettingForm form = GpsSettingForm::open(doc.settings());
    if (!host.gpsSetting(form)) return false;
    form.store(doc.settings());
    return true;
}

bool onPen(CKorvanceDoc& doc, DialogHost& host) {
    PenForm form = PenForm::from(doc.settings());
    if (!host.pen(form)) return false;
    form.store(doc.settings());
    return true;
}

bool onAlarm(CKorvanceDoc& doc, DialogHost& host) {
    if (doc.trackLogging()) return false;
    AlarmForm form = AlarmForm::from(doc.settings());
    if (!host.alarm(form)) return false;
    form.store(doc.settings());
    return true;
}

bool onRegisterNmeaMonitor(CKorvanceDoc& doc, FileChooser& chooser) {
    auto path = chooser.chooseOpen(nmeaMonitorFilters(), "", "");
    if (!path) return false;
    doc.settings().NMEAMonitorPath = *path;
    return true;
}

bool onEditWaypoint(CKorvanceDoc& doc, DialogHost& host, UserPrompt& prompt) {
    if (doc.trackLogging()) return false;
    WaypointEditor editor(doc.waypoints(), doc.settings().CoordinateUTM != 0, doc.transverseMercator(), host, prompt);
    if (host.editWaypoints(editor) != kDialogOk) return false;
    // The working list went through the list's own add row by row, so it is
    // taken as it stands.
    doc.waypoints().assign(editor.working().records());
    doc.setModified(true);
    return true;
}

bool onEditRoute(CKorvanceDoc& doc, DialogHost& host, UserPrompt& prompt, ProgressSink& progress) {
    if (doc.trackLogging()) return false;
    // The editor always has a route to show.
    if (doc.routes().routeCount() == 0) doc.routes().appendRoute(prompt);
    RouteEditor editor(doc.routes(), doc.waypoints(), host, prompt);
    const int result = host.editRoutes(editor);
    if (result != kDialogOk && result != kDialogUpload) return false;
    doc.routes().assign(editor.working().routes());
    doc.routes().mergeInto(doc.waypoints(), prompt);
    doc.setModified(true);
    if (result == kDialogUpload) {
        doc.currentRoute = editor.shownRoute();
        if (auto number = host.confirmUploadRoute(static_cast<int32_t>(doc.currentRoute))) {
            WaitCursor wait(prompt);
            runUploadOneRoute(doc, doc.currentRoute, static_cast<uint8_t>(*number), prompt, progress);
        }
    }
    return true;
}

DialogCommands::DialogCommands(CKorvanceDoc& doc, DialogHost& host, FileChooser& chooser, UserPrompt& prompt,
                               ProgressSink& progress, std::function<void()> redrawAll)
    : doc_(doc),
      host_(host),
      chooser_(chooser),
      prompt_(prompt),
      progress_(progress),
      redrawAll_(std::move(redrawAll)) {}

bool DialogCommands::handles(uint16_t id) const {
    switch (id) {
    case cmd::Preference:
    case cmd::GpsOption:
    case cmd::Pen:
    case cmd::Alarm:
    case cmd::RegisterNmeaMonitor:
    case cmd::EditWaypoint:
    case cmd::EditRoute:
        return true;
    default:
        return false;
    }
}

void DialogCommands::onCommand(uint16_t id) {
    if (!doc_.isOpen()) return;
    bool changed = false;
    switch (id) {
    case cmd::Preference: changed = onPreference(doc_, host_); break;
    case cmd::GpsOption: changed = onGpsSetting(doc_, host_); break;
    case cmd::Pen: changed = onPen(doc_, host_); break;
    case cmd::Alarm: changed = onAlarm(doc_, host_); break;
    case cmd::RegisterNmeaMonitor: changed = onRegisterNmeaMonitor(doc_, chooser_); break;
    case cmd::EditWaypoint: changed = onEditWaypoint(doc_, host_, prompt_); break;
    case cmd::EditRoute: changed = onEditRoute(doc_, host_, prompt_, progress_); break;
    default: break;
    }
    if (changed && redrawAll_) redrawAll_();
}

}  // namespace korvance
