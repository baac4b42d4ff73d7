#include "navigation/NavigationFigures.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "geodesy/TrackMotionOf.h"
#include "navigation/RouteNavigator.h"

namespace korvance {

namespace {

constexpr size_t kTargetNameChars = 16;
// Degrees to radians as the time en route and the pointer have always used them.
constexpr double kEteDegToRad = 0.01745330555555556;
constexpr double kPointerDegToRad = 0.017453292522222223;

// Whole degrees from a bearing: half added, cut toward zero.
int WholeDegrees(double degrees) { return static_cast<int>(degrees + 0.5); }

std::string ThreeDigits(int degrees) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", degrees);
    return text;
}

}  // namespace

std::optional<NavigationTarget> TargetOf(const WaypointList& waypoints, const CRouteField& routes, int gotoIndex,
                                         const RouteNavigator* navigator) {
    const WaypointRecord* w = nullptr;
    // A Goto waypoint deleted since it was chosen is no target.
    if (gotoIndex >= 0) w = waypoints.record(static_cast<uint32_t>(gotoIndex));
    if (!w && navigator)
        w = navigator->target(routes);
    if (!w) return std::nullopt;
    return NavigationTarget{std::string(w->identifier.view().substr(0, kTargetNameChars)), w->latitude,
                            w->longitude};
}

int RelativeBearing(int bearing, int track) {
    int relative = bearing - track;
    if (relative < -180) relative += 360;
    if (relative > 180) relative -= 360;
    return relative;
}

void SetTargetFigures(NavigationFigures& f, double distanceKm, double bearingDegrees) {
    f.hasDistance = true;
    f.distanceKm = distanceKm;
    f.bearing = WholeDegrees(bearingDegrees);
    f.relative = RelativeBearing(f.bearing, f.track);
    f.eteHours = f.eteMinutes = 99;
    f.eteSeconds = 0;
    if (std::abs(f.relative) <= kEteMaxRelative && f.speedKmh >= 0.1) {
        const double s = distanceKm / (f.speedKmh * std::cos(f.relative * kEteDegToRad)) * 3600.0;
        // A distance beyond any on earth cannot come from a real track; keep the
        // cut to an integer defined.
        const int64_t seconds = s < 1e12 ? static_cast<int64_t>(s) : int64_t{999999999};
        f.eteHours = static_cast<int>(seconds / 3600);
        f.eteMinutes = static_cast<int>(seconds % 3600 / 60);
        f.eteSeconds = static_cast<int>(seconds % 60);
    }
}

NavigationFigures ComputeFigures(const TrackLog& log, const Datum& datum, BearingMemory& bearing,
                                 const std::optional<NavigationTarget>& target) {
    NavigationFigures f;
    const TrackMotion motion = TrackMotionOf(log.track.get(), log.previousPointTick, log.lastPointTick);
    f.speedKmh = TrackSpeedKmh(motion, datum);
    f.track = WholeDegrees(TrackCourse(bearing, motion, datum));
    if (!target) return f;
    f.hasTarget = true;
    f.targetName = target->name;
    if (!log.track || log.track->pointCount() == 0) return f;
    const TrackPoint& newest = log.track->point(log.track->pointCount() - 1);
    SetTargetFigures(f, datum.DistanceKm(newest.latitude, newest.longitude, target->latitude, target->longitude),
                     Bearing(bearing, f.speedKmh, newest.latitude, newest.longitude, target->latitude,
                             target->longitude));
    return f;
}

DataFieldTexts DataFieldTextsOf(const NavigationFigures& f, uint32_t unit) {
    const UnitSystem& u = UnitFor(unit);
    DataFieldTexts t;
    t.speedLabel = u.speedField;
    t.distanceLabel = u.distanceField;
    const double speed = f.speedKmh * u.speedFactor;
    t.speed = FormatFixed(speed, 1);
    t.track = ThreeDigits(f.track);
    if (!f.hasTarget) return t;
    t.target = f.targetName;
    if (!f.hasDistance) return t;
    t.distance = FormatFixed(f.distanceKm * u.distanceFactor, 2);
    t.bearing = ThreeDigits(f.bearing);
    if (std::abs(f.relative) > kEteMaxRelative || speed < 0.1) {
        t.ete = kNoEteText;
    } else {
        char text[32];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", f.eteHours, f.eteMinutes, f.eteSeconds);
        t.ete = text;
    }
    return t;
}

DataFieldLayout DataFieldLayoutFor(bool landscape, int clientWidth, int clientHeight) {
    if (landscape) {
        constexpr int R = 31;
        return {90,          clientHeight,   {0, 0, 0, 11},          {0, R, 0, R + 11},
                {0, 2 * R, 0, 2 * R + 11}, {0, 3 * R, 0, 3 * R + 11}, {0, 4 * R, 0, 4 * R + 11},
                {0, 5 * R, 0, 5 * R + 11}, 55, 4 * R + 29, kBearingFieldLabelLandscape};
    }
    constexpr int R = 34;
    return {clientWidth,      68,    {0, 0, 0, 11},  {65, 0, 75, 11}, {120, 0, 120, 11}, {0, R, 0, R + 11},
            {65, R, 75, R + 11}, {120, R, 120, R + 11}, 220, R + 16, kBearingFieldLabelPortrait};
}

std::array<std::array<int, 2>, 8> PointerPolyline(int cx, int cy, int relative) {
    static constexpr int kArrow[8][2] = {{0, -15}, {-10, 0}, {-3, 0}, {-3, 10}, {3, 10}, {3, 0}, {10, 0}, {0, -15}};
    const double a = relative * kPointerDegToRad;
    const double c = std::cos(a), s = std::sin(a);
    std::array<std::array<int, 2>, 8> points{};
    for (size_t i = 0; i < 8; ++i) {
        const double x = kArrow[i][0] * c - kArrow[i][1] * s;
        const double y = kArrow[i][0] * s + kArrow[i][1] * c;
        // Half added, then cut toward zero.
        points[i] = {cx + static_cast<int>(x + 0.5), cy + static_cast<int>(y + 0.5)};
    }
    return points;
}

}  // namespace korvance
