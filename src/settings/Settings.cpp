#include "settings/Settings.h"

#include <algorithm>
#include <variant>

#include "platform/SettingsStore.h"
#include "settings/GpsModelList.h"
#include "settings/RegistryKey.h"

namespace korvance {

namespace {

using DwordField = uint32_t AppSettings::*;
using SignedField = int32_t AppSettings::*;
using TextField = std::string AppSettings::*;

struct StoredField {
    const char* name;
    std::variant<DwordField, SignedField, TextField> member;
};

// In stored order. ModelCount is not stored; the last two are this platform's own.
const StoredField kFields[] = {
    {"DebugControl", &AppSettings::DebugControl},
    {"CommDebug", &AppSettings::CommDebug},
    {"Comm_WriteFile_Wait", &AppSettings::Comm_WriteFile_Wait},
    {"CommOpenWait", &AppSettings::CommOpenWait},
    {"CommRetryWait", &AppSettings::CommRetryWait},
    {"DatumName", &AppSettings::DatumName},
    {"DataPath", &AppSettings::DataPath},
    {"MapPath", &AppSettings::MapPath},
    {"CenteringAlways", &AppSettings::CenteringAlways},
    {"WaypointAlarm", &AppSettings::WaypointAlarm},
    {"WaypointAlarmDistance", &AppSettings::WaypointAlarmDistance},
    {"CommPort", &AppSettings::CommPort},
    {"MaxWaypointCount", &AppSettings::MaxWaypointCount},
    {"MaxRouteCount", &AppSettings::MaxRouteCount},
    {"MaxRouteWaypointCount", &AppSettings::MaxRouteWaypointCount},
    {"GPSModel", &AppSettings::GPSModel},
    {"GPSModelID", &AppSettings::GPSModelID},
    {"GPSCharSet", &AppSettings::GPSCharSet},
    {"ReachDistance", &AppSettings::ReachDistance},
    {"PenWidth", &AppSettings::PenWidth},
    {"MaxLogCount", &AppSettings::MaxLogCount},
    {"NMEASentence", &AppSettings::NMEASentence},
    {"SaveOnlyValidNMEA", &AppSettings::SaveOnlyValidNMEA},
    {"LogInterval", &AppSettings::LogInterval},
    {"CoordinateUTM", &AppSettings::CoordinateUTM},
    {"Unit", &AppSettings::Unit},
    {"PenColor", &AppSettings::PenColor},
    {"WaypointColor", &AppSettings::WaypointColor},
    {"NMEAMonitorPath", &AppSettings::NMEAMonitorPath},
    {"AutoMapChange", &AppSettings::AutoMapChange},
    {"BlinkNavigationCursor", &AppSettings::BlinkNavigationCursor},
    {"RouteColor", &AppSettings::RouteColor},
    {"NMEABaudrate", &AppSettings::NMEABaudrate},
    {"CommLimitBaudrate", &AppSettings::CommLimitBaudrate},
    {"AlarmFile", &AppSettings::AlarmFile},
    {"TrackPlotCount", &AppSettings::TrackPlotCount},
    {"CommDevice", &AppSettings::CommDevice},
    {"CodePage", &AppSettings::CodePage},
};

template <class... F>
struct Visit : F... {
    using F::operator()...;
};
template <class... F>
Visit(F...) -> Visit<F...>;

}  // namespace

AppSettings loadAppSettings(SettingsStore& store) {
    AppSettings s;
    RegistryKey key(&store);
    key.open(kSettingsKey);  // when it fails every read fails and the defaults stay
    for (const StoredField& f : kFields) {
        std::visit(Visit{
                       [&](DwordField m) { key.readDword(f.name, s.*m); },
                       [&](SignedField m) {
                           uint32_t v;
                           if (key.readDword(f.name, v)) s.*m = static_cast<int32_t>(v);
                       },
                       [&](TextField m) { key.readString(f.name, s.*m, kSettingsTextBufferBytes); },
                   },
                   f.member);
    }
    s.DebugControl = 0;
    return s;
}

bool saveAppSettings(SettingsStore& store, const AppSettings& s) {
    RegistryKey key(&store);
    if (!key.open(kSettingsKey)) return false;
    bool ok = true;
    for (const StoredField& f : kFields) {
        ok &= std::visit(Visit{
                             [&](DwordField m) { return key.writeDword(f.name, s.*m); },
                             [&](SignedField m) { return key.writeDword(f.name, static_cast<uint32_t>(s.*m)); },
                             [&](TextField m) { return key.writeString(f.name, s.*m); },
                         },
                         f.member);
    }
    store.sync();
    return ok;
}

void validateModel(AppSettings& s) {
    size_t rows = std::min<size_t>(s.ModelCount, GpsModelList::count());
    for (size_t i = 0; i < rows; ++i)
        if (GpsModelList::idAt(i) == s.GPSModelID) return;
    s.GPSModelID = -1;
    s.GPSModel = kOtherGarmin;
}

}  // namespace korvance
