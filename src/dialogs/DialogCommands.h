#pragma once
// The document's commands that work through dialogs: the settings dialogs
// ("&Preference...", "&GPS...", "Pen(&1)...", "&Alarm...", "Register &NMEA
// Monitor...") and the editors ("&Edit Waypoint...", "Ed&it Route..."). Each
// handler returns what it changed; the document applies it.
//
// While the track log records, Preference, GPS, Alarm and both editors do
// nothing; Pen and the NMEA monitor still open.

#include <cstdint>

#include "app/CKorvanceDoc.h"
#include "app/CommandRouter.h"
#include "dialogs/DialogHost.h"
#include "platform/FileChooser.h"
#include "platform/UserPrompt.h"

namespace korvance {

Changes onPreference(CKorvanceDoc& doc, DialogHost& host);
Changes onGpsSetting(CKorvanceDoc& doc, DialogHost& host);
Changes onPen(CKorvanceDoc& doc, DialogHost& host);
Changes onAlarm(CKorvanceDoc& doc, DialogHost& host);
Changes onRegisterNmeaMonitor(CKorvanceDoc& doc, FileChooser& chooser);
// OK replaces the document's waypoint list with the edited one.
Changes onEditWaypoint(CKorvanceDoc& doc, DialogHost& host, UserPrompt& prompt);
// OK and "UpLoad" replace the document's routes with the edited ones and
// merge their waypoints into the waypoint list; "UpLoad" then sends the
// shown route, under the number confirmed, to the receiver.
Changes onEditRoute(CKorvanceDoc& doc, DialogHost& host, UserPrompt& prompt, ProgressSink& progress);

// The document's link of the command chain for these ids.
class DialogCommands : public CommandTarget {
public:
    DialogCommands(CKorvanceDoc& doc, DialogHost& host, FileChooser& chooser, UserPrompt& prompt,
                   ProgressSink& progress);

    bool handles(uint16_t id) const override;
    void onCommand(uint16_t id) override;

private:
    CKorvanceDoc& doc_;
    DialogHost& host_;
    FileChooser& chooser_;
    UserPrompt& prompt_;
    ProgressSink& progress_;
};

}  // namespace korvance
