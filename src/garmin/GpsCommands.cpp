#include "garmin/GpsCommands.h"

#include <algorithm>

#include "data/ListMessages.h"
#include "garmin/GarminConvert.h"
#include "garmin/Identification.h"
#include "garmin/ReceiverSession.h"
#include "garmin/Transfers.h"

namespace korvance {

namespace {

SystemClock& systemClock() {
    static SystemClock clock;
    return clock;
}

Clock& clockOf(const GpsDocumentAccess& doc) { return doc.clock ? *doc.clock : systemClock(); }

void stop(UserPrompt& prompt, const char* text) { prompt.message(text, kMessageCaption, Icon::Stop); }

// What every download does once data arrived.
void dataArrived(GpsDocumentAccess& doc) {
    if (doc.fitPending && !(doc.mapLoaded && doc.mapLoaded())) *doc.fitPending = true;
    if (doc.resetScrollOrigin) doc.resetScrollOrigin();
    if (doc.modified) *doc.modified = true;
    if (doc.redrawAll) doc.redrawAll();
}

std::unique_ptr<GarminLink> identified(GpsDocumentAccess& doc, UserPrompt& prompt) {
    return OpenIdentifiedLink(*doc.settings, prompt, &clockOf(doc), nullptr, nullptr, doc.byteTimeoutMs);
}

bool ready(const GpsDocumentAccess& doc) { return !doc.trackLogging && doc.settings && doc.datum; }

}  // namespace

bool onDownloadTrack(GpsDocumentAccess& doc, UserPrompt& prompt, ProgressSink& progress) {
    if (!ready(doc) || !doc.track) return false;
    std::vector<TrackSlot> slots;
    {
        auto link = identified(doc, prompt);
        if (!link) return false;
        if (DownloadTrack(*link, slots, progress) < 0) {
            stop(prompt, kMsgDownloadTrackError);
            return false;
        }
    }
    // The old track goes only now that the new one is complete.
    auto points = TrackPointsFromSlots(slots, *doc.datum);
    auto field = TrackField::create(static_cast<uint32_t>(points.size()));
    if (!field) {
        showNotEnoughMemory(prompt);
        return false;
    }
    for (const auto& p : points) field->append(p);
    field->setSegmentCount(SegmentCountOf(points));
    *doc.track = std::move(field);
    if (doc.newData) *doc.newData = true;
    if (doc.timeZoneBias) *doc.timeZoneBias = clockOf(doc).timeZoneBiasSeconds();
    dataArrived(doc);
    return true;
}

bool onDownloadWaypoint(GpsDocumentAccess& doc, UserPrompt& prompt, ProgressSink& progress) {
    if (!ready(doc) || !doc.waypoints) return false;
    std::vector<WaypointPacket> packets;
    {
        auto link = identified(doc, prompt);
        if (!link) return false;
        if (DownloadWaypoints(*link, packets, progress) < 0) {
            stop(prompt, kMsgDownloadWaypointError);
            return false;
        }
    }
    doc.waypoints->clear();
    for (const auto& p : packets) {
        const WaypointRecord w = WaypointFromPacket(p, *doc.datum);
        if (!doc.waypoints->add(prompt, w.identifier.view(), w.latitude, w.longitude, w.comment.view(), w.symbol,
                                w.displayOption, w.proximity, w.altitude))
            break;  // list full, or the user declined a duplicate: the rest is dropped
    }
    if (doc.timeZoneBias) *doc.timeZoneBias = clockOf(doc).timeZoneBiasSeconds();
    dataArrived(doc);
    return true;
}

bool onDownloadRoute(GpsDocumentAccess& doc, UserPrompt& prompt, ProgressSink& progress) {
    if (!ready(doc) || !doc.routes) return false;
    std::vector<RouteSlot> slots;
    {
        auto link = identified(doc, prompt);
        if (!link) return false;
        if (DownloadRoutes(*link, slots, progress) <= 0) {
            stop(prompt, kMsgNoRouteData);
            return false;
        }
    }
    uint32_t count = static_cast<uint32_t>(slots.size());
    for (const auto& s : slots) count = std::max<uint32_t>(count, uint32_t(s.number) + 1);
    CRouteField field(count, doc.settings->MaxRouteCount, doc.settings->MaxRouteWaypointCount, doc.codePage);
    for (const auto& s : slots) {
        field.setRouteName(s.number, s.name);
        for (const auto& p : s.waypoints) {
            const WaypointRecord w = RouteWaypointFromPacket(p, *doc.datum);
            if (!field.appendWaypoint(prompt, s.number, w.identifier.view(), w.latitude, w.longitude, w.comment.view(),
                                      w.symbol, w.displayOption, w.proximity, 0.0))
                break;
        }
    }
    *doc.routes = std::move(field);
    dataArrived(doc);
    return true;
}

bool onUploadTrack(GpsDocumentAccess& doc, UserPrompt& prompt, ProgressSink& progress) {
    if (!ready(doc) || !doc.track || !*doc.track || (*doc.track)->pointCount() == 0) return false;
    auto link = identified(doc, prompt);
    if (!link) return false;
    if (!UploadTrack(*link, SlotsFromTrackPoints((*doc.track)->points(), *doc.datum), progress)) {
        stop(prompt, kMsgUploadTrackError);
        return false;
    }
    return true;
}

bool onUploadWaypoint(GpsDocumentAccess& doc, UserPrompt& prompt, ProgressSink& progress) {
    if (!ready(doc) || !doc.waypoints || doc.waypoints->count() == 0) return false;
    auto link = identified(doc, prompt);
    if (!link) return false;
    std::vector<WaypointPacket> packets;
    for (const auto& w : doc.waypoints->records())
        packets.push_back(PacketFromWaypoint(w, link->waypointType, pid::Waypoint, *doc.datum));
    if (!UploadWaypoints(*link, packets, progress)) {
        stop(prompt, kMsgUploadWaypointError);
        return false;
    }
    return true;
}

namespace {

// One exchange per route, each on a link of its own seeded by the identification.
bool uploadRoutes(GpsDocumentAccess& doc, const std::vector<std::pair<uint8_t, const Route*>>& chosen,
                  UserPrompt& prompt, ProgressSink& progress) {
    auto link = identified(doc, prompt);
    if (!link) return false;
    link->ClosePort();
    for (const auto& [number, route] : chosen) {
        auto one = ReopenLike(*link, *doc.settings, &clockOf(doc));
        if (!UploadRoutes(*one, {RouteSlotFromRoute(*route, number, link->waypointType, *doc.datum)}, progress)) {
            stop(prompt, kMsgUploadRouteError);
            return false;
        }
    }
    return true;
}

}  // namespace

bool onUploadRoute(GpsDocumentAccess& doc, UserPrompt& prompt, ProgressSink& progress) {
    if (!ready(doc) || !doc.routes || doc.routes->routeCount() == 0) return false;
    std::vector<std::pair<uint8_t, const Route*>> chosen;
    const auto& routes = doc.routes->routes();
    for (size_t i = 0; i < routes.size() && i < 256; ++i)
        if (!routes[i].waypoints.empty()) chosen.emplace_back(static_cast<uint8_t>(i), &routes[i]);
    if (chosen.empty()) return false;
    return uploadRoutes(doc, chosen, prompt, progress);
}

bool uploadOneRoute(GpsDocumentAccess& doc, uint32_t routeIndex, uint8_t routeNumber, UserPrompt& prompt,
                    ProgressSink& progress) {
    if (!ready(doc) || !doc.routes) return false;
    const Route* r = doc.routes->route(routeIndex);
    if (!r || r->waypoints.empty()) return false;
    return uploadRoutes(doc, {{routeNumber, r}}, prompt, progress);
}

}  // namespace korvance
