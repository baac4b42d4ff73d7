#include "dialogs/SettingsForms.h"

#include "app/CKorvanceDoc.h"
#include "dialogs/DialogText.h"
#include "geodesy/Coordinates.h"
#include "geodesy/Datum.h"
#include "geodesy/DisplayDatum.h"
#include "platform/SerialPort.h"
#include "settings/GpsModelList.h"

namespace korvance {

namespace {

NumberField numberField(int64_t value, int64_t spinMin, int64_t spinMax, int64_t min, int64_t max) {
    return NumberField{intText(value), spinMin, spinMax, min, max};
}

template <class List, class T>
int indexOf(const List& list, const T& value) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == value) return static_cast<int>(i);
    return 0;
}

int clampIndex(int index, size_t size) { return index >= 0 && static_cast<size_t>(index) < size ? index : 0; }

// Colours hold red in the low byte, green in the next and blue in the third.
PenForm::Colour splitColour(uint32_t rgb) {
    auto byte = [](uint32_t v) { return numberField(v & 0xFF, 0, 255, 0, 255); };
    return {byte(rgb), byte(rgb >> 8), byte(rgb >> 16)};
}

uint32_t joinColour(const PenForm::Colour& c) {
    return static_cast<uint32_t>(c.red.value()) | static_cast<uint32_t>(c.green.value()) << 8 |
           static_cast<uint32_t>(c.blue.value()) << 16;
}

}  // namespace

bool NumberField::read(UserPrompt& prompt) const { return readIntegerField(text, min, max, prompt).has_value(); }

int64_t NumberField::value() const {
    const auto v = parseIntegerField(text);
    return v ? *v : min;
}

// ---- Preference

PreferenceForm PreferenceForm::from(const AppSettings& s) {
    PreferenceForm f;
    for (const DatumRow& row : DatumTable()) f.datumNames.push_back(row.name);
    f.datum = indexOf(f.datumNames, DisplayDatumName(s.DatumName));
    for (int i = 0; i < kUnitSystemCount; ++i) f.units.emplace_back(UnitFor(static_cast<uint32_t>(i)).name);
    f.unit = s.Unit < f.units.size() ? static_cast<int>(s.Unit) : 0;
    f.logInterval = numberField(s.LogInterval, 1, 30000, 1, 999);
    f.nmeaSentence = s.NMEASentence;
    f.saveOnlyValidNmea = s.SaveOnlyValidNMEA != 0;
    f.centeringAlways = s.CenteringAlways != 0;
    f.coordinateUtm = s.CoordinateUTM != 0;
    f.autoMapChange = s.AutoMapChange != 0;
    f.blinkNavigationCursor = s.BlinkNavigationCursor != 0;
    return f;
}

bool PreferenceForm::validate(UserPrompt& prompt) const { return logInterval.read(prompt); }

std::string PreferenceForm::datumName() const {
    return datumNames.empty() ? std::string() : datumNames[static_cast<size_t>(clampIndex(datum, datumNames.size()))];
}

void PreferenceForm::store(AppSettings& s) const {
    s.CenteringAlways = centeringAlways;
    s.CoordinateUTM = coordinateUtm;
    s.AutoMapChange = autoMapChange;
    s.BlinkNavigationCursor = blinkNavigationCursor;
    s.DatumName = datumName();
    s.Unit = static_cast<uint32_t>(clampIndex(unit, units.size()));
    s.LogInterval = static_cast<uint32_t>(logInterval.value());
    s.NMEASentence = uiLeft(nmeaSentence, kNmeaSentenceChars);
    s.SaveOnlyValidNMEA = saveOnlyValidNmea;
}

// ---- GPS Setting

GpsSettingForm GpsSettingForm::open(AppSettings& s) {
    if (s.CommLimitBaudrate < 9600 || s.CommLimitBaudrate > 115200) s.CommLimitBaudrate = 115200;
    GpsSettingForm f;
    for (size_t i = 0; i < GpsModelList::count(); ++i) f.models.push_back(GpsModelList::nameAt(i));
    f.model = indexOf(f.models, s.GPSModel);
    f.commPort = numberField(s.CommPort, 1, 9, 1, 9);
    for (uint32_t rate : kLimitBaudRates) f.baudRates.push_back(intText(rate));
    f.baudRate = indexOf(kLimitBaudRates, s.CommLimitBaudrate);
    f.commDevice = s.CommDevice;
    return f;
}

std::string GpsSettingForm::portDevice(int port) const { return describeSerialPort(commDevice, port); }

bool GpsSettingForm::validate(UserPrompt& prompt) const { return commPort.read(prompt); }

void GpsSettingForm::store(AppSettings& s) const {
    const size_t rate = static_cast<size_t>(clampIndex(baudRate, kLimitBaudRates.size()));
    s.CommLimitBaudrate = kLimitBaudRates[rate];
    const size_t m = static_cast<size_t>(clampIndex(model, models.size()));
    s.GPSModel = models.empty() ? std::string() : models[m];
    s.GPSModelID = GpsModelList::idAt(m);
    s.GPSCharSet = GpsModelList::charSetAt(m);
    s.CommPort = static_cast<uint32_t>(commPort.value());
}

// ---- Pen

PenForm PenForm::from(const AppSettings& s) {
    PenForm f;
    f.colours = {splitColour(s.PenColor), splitColour(s.WaypointColor), splitColour(s.RouteColor)};
    f.width = numberField(s.PenWidth, 1, 99, 1, 99);
    return f;
}

bool PenForm::validate(UserPrompt& prompt) const {
    for (const Colour& c : colours)
        if (!c.red.read(prompt) || !c.green.read(prompt) || !c.blue.read(prompt)) return false;
    return width.read(prompt);
}

void PenForm::store(AppSettings& s) const {
    s.PenColor = joinColour(colours[0]);
    s.WaypointColor = joinColour(colours[1]);
    s.RouteColor = joinColour(colours[2]);
    s.PenWidth = static_cast<uint32_t>(width.value());
}

// ---- Alarm

AlarmForm AlarmForm::from(const AppSettings& s) {
    AlarmForm f;
    f.waypointAlarm = s.WaypointAlarm != 0;
    f.distance = numberField(s.WaypointAlarmDistance, 0, 9999999, 0, 9999999);
    f.alarmFile = s.AlarmFile;
    f.storedAlarmFile = s.AlarmFile;
    return f;
}

void AlarmForm::browse(FileChooser& chooser) {
    if (auto path = chooser.chooseOpen(alarmFileFilters(), storedAlarmFile, "", "Alarm File")) alarmFile = *path;
}

bool AlarmForm::validate(UserPrompt& prompt) const { return distance.read(prompt); }

void AlarmForm::store(AppSettings& s) const {
    s.WaypointAlarm = waypointAlarm;
    s.WaypointAlarmDistance = static_cast<uint32_t>(distance.value());
    s.AlarmFile = alarmFile;
}

std::vector<FileFilter> alarmFileFilters() { return {{"Wave files(*.wav)", "*.wav"}, {"all files", "*.*"}}; }
std::vector<FileFilter> nmeaMonitorFilters() { return {{"NMEA Monitor", "NMEAMon.exe"}, {"all files", "*.*"}}; }

}  // namespace korvance
