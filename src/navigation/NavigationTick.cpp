#include "navigation/NavigationTick.h"

#include "data/TrackPoint.h"

namespace korvance {

TickResult NavigationState::tick(PositionSource& source, NavigationDisplay* display, Sound& sound) {
    TickResult result;
    if (busy_) return result;
    busy_ = true;
    result.ran = true;
    const std::optional<PositionFix> fix = source.fix();
    if (fix) {
        result.hadFix = true;
        result.fix = *fix;
        const auto receiverTime = static_cast<uint32_t>(fix->unixTime - kReceiverEpochUnix);
        result.appended =
            doc_.trackLog().append(fix->latitude, fix->longitude, fix->height, receiverTime, doc_.clock()) == 1;
        if (display) {
            display->follow(*fix);
            display->redraw();
        }
        const AppSettings& s = doc_.settings();
        const double alarmMetres = static_cast<double>(s.WaypointAlarmDistance);
        result.alarm = AlarmDistanceAt(doc_.datum(), doc_.waypoints(), doc_.routes(), gotoIndex, routeNavigator.get(),
                                       {fix->latitude, fix->longitude}, alarmMetres);
        result.sounded = alarm.update(doc_.waypointAlarm(), result.alarm.km, alarmMetres, sound, s.AlarmFile);
    }
    busy_ = false;
    return result;
}

}  // namespace korvance
