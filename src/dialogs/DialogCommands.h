#pragma once
// The document's commands that work through dialogs: the settings dialogs
// ("&Preference...", "&GPS...", "Pen(&1)...", "&Alarm...", "Register &NMEA
// Monitor...") and the editors ("&Edit Waypoint...", "Ed&it Route..."). Each
// handler returns true when it changed something the views show.
//
// While the track log records, Preference, GPS, Alarm and both editors do
// nothing; Pen and the NMEA monitor still open.

#include <cstdint>
#include <functional>

#include "app/CKorvanceDoc.h"
#include "app/CommandRouter.h"
#include "dialogs/DialogHost.h"
#include "platform/FileChooser.h"
#include "platform/UserPrompt.h"

namespace korvance {

bool onPreference(CKorvanceDoc& doc, DialogHost& host);
bool onGpsSetting(CKorvanceDoc& doc, DialogHost& host);
bool onPen(CKorvanceDoc& doc, DialogHost& host);
bool onAlarm(CKorvanceDoc& doc, DialogHost& host);
bool onRegisterNmeaMonitor(CKorvanceDoc& doc, FileChooser& chooser);
// OK replaces the document's waypoint list with the edited one.
bool onEditWaypoint(CKorvanceDoc& doc, DialogHost& host, UserPrompt& prompt);
// OK and "UpLoad" replace the document's routes with the edited ones and
// merge their waypoints into the waypoint list; "UpLoad" then sends the
// shown route, under the number confirmed, to the receiver.
bool onEditRoute(CKorvanceDoc& doc, DialogHost& host, UserPrompt& prompt, ProgressSink& progress);

// The document's link of the command chain for these ids.
class DialogCommands : public CommandTarget {
public:
    DialogCommands(CKorvanceDoc& doc, DialogHost& host, FileChooser& chooser, UserPrompt& prompt,
                   ProgressSink& progress, std::function<void()> redrawAll = {});

    bool handles(uint16_t id) const override;
    void onCommand(uint16_t id) override;

private:
    CKorvanceDoc& doc_;
    DialogHost& host_;
    FileChooser& chooser_;
    UserPrompt& prompt_;
    ProgressSink& progress_;
    std::function<void()> redrawAll_;
};

}  // namespace korvance
