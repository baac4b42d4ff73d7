#pragma once
// The one document of a run: it owns the settings, the lists, the track log,
// the display datum and the map set, and answers the save-modified question.
// No Qt here: the front end reaches the user through UserPrompt.
//
// Command handlers of the document live beside their subsystem, one file per
// subsystem (files/DocumentCommands, maps/MapCommands, garmin/GpsCommands, ...).
// Each changes the parts it is given and returns what it changed (Changes);
// apply() turns that into the view's flags, the modified flag and a redraw.
// DocCommands connects the handlers to the ids of app/CommandIds.h.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "data/DocumentData.h"
#include "data/Changes.h"
#include "geodesy/Datum.h"
#include "files/DocumentCommands.h"
#include "garmin/GpsCommands.h"
#include "geodesy/TransverseMercator.h"
#include "maps/MapSet.h"
#include "settings/AppSettings.h"

namespace korvance {

class Clock;
class SettingsStore;
class UserPrompt;

class CKorvanceDoc {
public:
    // Builds in this order: map set, settings (loaded from `store`), lists,
    // flags and time-zone bias, datum and transverse Mercator set-up.
    CKorvanceDoc(SettingsStore& store, Clock& clock, UserPrompt& prompt);
    ~CKorvanceDoc();
    CKorvanceDoc(const CKorvanceDoc&) = delete;
    CKorvanceDoc& operator=(const CKorvanceDoc&) = delete;

    // ---- what the document owns (null only after closeDocument())
    AppSettings& settings() { return *settings_; }
    const AppSettings& settings() const { return *settings_; }
    DocumentData& data() { return *data_; }
    WaypointList& waypoints() { return data_->waypoints; }
    CRouteField& routes() { return data_->routes; }
    TrackLog& trackLog() { return data_->trackLog; }
    const CodePage& codePage() const { return data_->codePage; }
    MapSet& maps() { return *maps_; }
    const Datum& datum() const { return *datum_; }
    const TransverseMercator& transverseMercator() const { return tm_; }
    // Replaces the display datum (the Preference dialog) and sets up the
    // transverse Mercator projection for its ellipsoid.
    void setDatum(const std::string& name);
    bool isOpen() const { return settings_ != nullptr; }

    SettingsStore& store() { return store_; }
    Clock& clock() { return clock_; }
    UserPrompt& prompt() { return prompt_; }

    // ---- flags and values of the run
    bool isModified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }
    // The parts the file and receiver commands work on: this document's.
    files::FileCommandDoc fileParts();
    GpsCommandDoc gpsParts();
    // What every command's changes mean for the document and its views: new
    // data is fitted into the view (unless a map is loaded) from the scroll
    // origin, a new track or map centres the map on the track, a discarded
    // map fits the data, the modified flag follows, and the views redraw.
    void apply(Changes changes);
    // Asks every view to redraw; set by the front end (may stay empty).
    std::function<void()> redrawAll;
    bool fitPending = true;  // the view fits the data at its next redraw
    bool newData = false;    // the view centres a loaded map on the track at its next redraw
    uint32_t logInterval = 1;  // seconds, the LogInterval setting
    // The route that waypoints marked on the map join, route navigation
    // follows and the route editor's upload sends.
    uint32_t currentRoute = 0;
    // The navigation timer period: the log interval when below 1000, else 1.
    uint32_t effectiveLogInterval() const { return logInterval < 1000 ? logInterval : 1; }
    bool waypointAlarm() const { return settings_ && settings_->WaypointAlarm != 0; }
    // Time-zone bias, ticks and logging flag live with the track log.
    int32_t timeZoneBias() const { return data_->trackLog.timeZoneBias; }
    void setTimeZoneBias(int32_t bias) { data_->trackLog.timeZoneBias = bias; }
    void takeTimeZoneBias();
    bool trackLogging() const { return data_->trackLog.logging; }
    uint32_t trackCapacity() const { return data_->trackLog.trackCapacity(); }

    // ---- closing
    // Save As, run by the "Confirm" question's Yes; true when the document
    // was saved. Until it is set, Yes behaves like a cancelled save.
    std::function<bool()> saveAs;
    // Asks "Do you wish to save modified?" when modified. True: go on closing.
    bool saveModified();
    // Releases the track, lists, map set, settings (stored on the way) and
    // datum, in that order. Safe to call twice.
    void closeDocument();

private:
    SettingsStore& store_;
    Clock& clock_;
    UserPrompt& prompt_;
    bool modified_ = false;

    std::unique_ptr<MapSet> maps_;
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<DocumentData> data_;
    std::unique_ptr<Datum> datum_;
    TransverseMercator tm_;
};

}  // namespace korvance
