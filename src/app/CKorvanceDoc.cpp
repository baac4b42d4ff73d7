#include "app/CKorvanceDoc.h"

#include "geodesy/DisplayDatum.h"

#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/UserPrompt.h"
#include "settings/Settings.h"

namespace korvance {

CKorvanceDoc::CKorvanceDoc(SettingsStore& store, Clock& clock, UserPrompt& prompt)
    : store_(store), clock_(clock), prompt_(prompt) {
    maps_ = std::make_unique<MapSet>();
    settings_ = std::make_unique<AppSettings>(loadAppSettings(store_));
    validateModel(*settings_);
    data_ = std::make_unique<DocumentData>(settings_->MaxWaypointCount, settings_->MaxRouteCount,
                                           settings_->MaxRouteWaypointCount, settings_->CodePage, clock_);
    logInterval = settings_->LogInterval;
    takeTimeZoneBias();
    fitPending = true;
    setDatum(DisplayDatumName(settings_->DatumName));
}

CKorvanceDoc::~CKorvanceDoc() { closeDocument(); }

void CKorvanceDoc::setDatum(const std::string& name) {
    datum_ = std::make_unique<Datum>(name);
    tm_.SetTmEllipsoid(datum_->da(), datum_->df());
}

void CKorvanceDoc::takeTimeZoneBias() { data_->trackLog.timeZoneBias = clock_.timeZoneBiasSeconds(); }

files::FileCommandDoc CKorvanceDoc::fileParts() {
    return {*data_, *settings_, *datum_, tm_, [this] { return saveModified(); }};
}

GpsCommandDoc CKorvanceDoc::gpsParts() { return {*data_, *settings_, *datum_, clock_}; }

void CKorvanceDoc::apply(Changes changes) {
    if (!isOpen()) return;
    if (changes.dataArrived()) {
        if (!maps_->hasMap()) fitPending = true;
        maps_->ResetScrollOrigin();
    }
    if (changes.has(Changes::Track) || changes.has(Changes::MapOpened)) newData = true;
    if (changes.has(Changes::MapDiscarded)) fitPending = true;
    if (changes.has(Changes::Saved))
        modified_ = false;
    else if (changes.has(Changes::Modified))
        modified_ = true;
    if (changes.needsRedraw() && redrawAll) redrawAll();
}

bool CKorvanceDoc::saveModified() {
    if (!modified_) return true;
    switch (prompt_.ask("Do you wish to save modified?", "Confirm", Buttons::YesNoCancel, Icon::Question)) {
    case Answer::Yes:
        if (saveAs) saveAs();
        return !modified_;
    case Answer::No:
        return true;
    default:
        return false;
    }
}

void CKorvanceDoc::closeDocument() {
    if (data_) data_->trackLog.track.reset();
    // The lists hold a pointer to the document data's code page, so they go
    // together with it.
    data_.reset();
    maps_.reset();
    if (settings_) {
        saveAppSettings(store_, *settings_);
        store_.sync();
        settings_.reset();
    }
    datum_.reset();
}

}  // namespace korvance
