#include "dialogs/DialogCommands.h"

#include "app/CommandIds.h"
#include "dialogs/RouteEditor.h"
#include "dialogs/SettingsForms.h"
#include "dialogs/WaypointEditor.h"

namespace korvance {

Changes onPreference(CKorvanceDoc& doc, DialogHost& host) {
    if (doc.trackLogging()) return {};
    PreferenceForm form = PreferenceForm::from(doc.settings());
    if (!host.preference(form)) return {};
    form.store(doc.settings());
    // Positions keep their numbers; only the datum they are read in changes.
    doc.setDatum(doc.settings().DatumName);
    doc.logInterval = doc.settings().LogInterval;
    return Changes::Redraw;
}

Changes onGpsSetting(CKorvanceDoc& doc, DialogHost& host) {
    if (doc.trackLogging()) return {};
    GpsSettingForm form = GpsSettingForm::open(doc.settings());
    if (!host.gpsSetting(form)) return {};
    form.store(doc.settings());
    return Changes::Redraw;
}

Changes onPen(CKorvanceDoc& doc, DialogHost& host) {
    PenForm form = PenForm::from(doc.settings());
    if (!host.pen(form)) return {};
    form.store(doc.settings());
    return Changes::Redraw;
}

Changes onAlarm(CKorvanceDoc& doc, DialogHost& host) {
    if (doc.trackLogging()) return {};
    AlarmForm form = AlarmForm::from(doc.settings());
    if (!host.alarm(form)) return {};
    form.store(doc.settings());
    return Changes::Redraw;
}

Changes onRegisterNmeaMonitor(CKorvanceDoc& doc, FileChooser& chooser) {
    auto path = chooser.chooseOpen(nmeaMonitorFilters(), "", "", "Register NMEA Monitor");
    if (!path) return {};
    doc.settings().NMEAMonitorPath = *path;
    return Changes::Redraw;
}

Changes onEditWaypoint(CKorvanceDoc& doc, DialogHost& host, UserPrompt& prompt) {
    if (doc.trackLogging()) return {};
    WaypointEditor editor(doc.waypoints(), doc.settings().CoordinateUTM != 0, doc.transverseMercator(), host, prompt);
    if (host.editWaypoints(editor) != kDialogOk) return {};
    // The working list went through the list's own add row by row, so it is
    // taken as it stands.
    doc.waypoints().assign(editor.working().records());
    // Edited in place: the view stays where it is.
    return Changes::Modified | Changes::Redraw;
}

Changes onEditRoute(CKorvanceDoc& doc, DialogHost& host, UserPrompt& prompt, ProgressSink& progress) {
    if (doc.trackLogging()) return {};
    // The editor always has a route to show.
    if (doc.routes().routeCount() == 0) doc.routes().appendRoute(prompt);
    RouteEditor editor(doc.routes(), doc.waypoints(), host, prompt);
    const int result = host.editRoutes(editor);
    if (result != kDialogOk && result != kDialogUpload) return {};
    doc.routes().assign(editor.working().routes());
    doc.routes().mergeInto(doc.waypoints(), prompt);
    if (result == kDialogUpload) {
        doc.currentRoute = editor.shownRoute();
        if (auto number = host.confirmUploadRoute(static_cast<int32_t>(doc.currentRoute))) {
            WaitCursor wait(prompt);
            GpsCommandDoc parts = doc.gpsParts();
            uploadOneRoute(parts, doc.currentRoute, static_cast<uint8_t>(*number), prompt, progress);
        }
    }
    return Changes::Modified | Changes::Redraw;
}

DialogCommands::DialogCommands(CKorvanceDoc& doc, DialogHost& host, FileChooser& chooser, UserPrompt& prompt,
                               ProgressSink& progress)
    : doc_(doc), host_(host), chooser_(chooser), prompt_(prompt), progress_(progress) {}

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
        return {};
    }
}

void DialogCommands::onCommand(uint16_t id) {
    if (!doc_.isOpen()) return;
    Changes changes;
    switch (id) {
    case cmd::Preference: changes = onPreference(doc_, host_); break;
    case cmd::GpsOption: changes = onGpsSetting(doc_, host_); break;
    case cmd::Pen: changes = onPen(doc_, host_); break;
    case cmd::Alarm: changes = onAlarm(doc_, host_); break;
    case cmd::RegisterNmeaMonitor: changes = onRegisterNmeaMonitor(doc_, chooser_); break;
    case cmd::EditWaypoint: changes = onEditWaypoint(doc_, host_, prompt_); break;
    case cmd::EditRoute: changes = onEditRoute(doc_, host_, prompt_, progress_); break;
    default: break;
    }
    doc_.apply(changes);
}

}  // namespace korvance
