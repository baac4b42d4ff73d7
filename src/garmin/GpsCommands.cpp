#include "garmin/GpsCommands.h"

#include <algorithm>

#include "data/ListMessages.h"
#include "data/TextUtil.h"
#include "garmin/GarminConvert.h"
#include "garmin/Identification.h"
#include "garmin/ReceiverSession.h"
#include "garmin/Transfers.h"

namespace korvance {

namespace {

// The failure message of a transfer, unless the person stopped it.
void stop(UserPrompt& prompt, const GarminLink& link, const char* text) {
    if (!link.cancelled()) prompt.message(text, kMessageCaption, Icon::Stop);
}

std::unique_ptr<GarminLink> identified(GpsCommandDoc& doc, UserPrompt& prompt, ProgressSink& progress) {
    return OpenIdentifiedLink(doc.settings, prompt, &doc.clock, nullptr, doc.linkTrouble, doc.byteTimeoutMs,
                              &progress);
}

bool ready(const GpsCommandDoc& doc) { return !doc.data.trackLog.logging; }

}  // namespace

GpsResult onDownloadTrack(GpsCommandDoc& doc, UserPrompt& prompt, ProgressSink& progress) {
    if (!ready(doc)) return std::nullopt;
    std::vector<TrackSlot> slots;
    {
        auto link = identified(doc, prompt, progress);
        if (!link) return std::nullopt;
        if (DownloadTrack(*link, slots, progress) < 0) {
            stop(prompt, *link, kMsgDownloadTrackError);
            return std::nullopt;
        }
    }
    // The old track goes only now that the new one is complete.
    auto points = TrackPointsFromSlots(slots, doc.datum);
    auto field = TrackField::create(static_cast<uint32_t>(points.size()));
    if (!field) {
        showNotEnoughMemory(prompt);
        return std::nullopt;
    }
    for (const auto& p : points) field->append(p);
    field->setSegmentCount(SegmentCountOf(points));
    doc.data.trackLog.track = std::move(field);
    doc.data.trackLog.timeZoneBias = doc.clock.timeZoneBiasSeconds();
    return Changes::Track | Changes::Modified;
}

GpsResult onDownloadWaypoint(GpsCommandDoc& doc, UserPrompt& prompt, ProgressSink& progress) {
    if (!ready(doc)) return std::nullopt;
    std::vector<WaypointPacket> packets;
    {
        auto link = identified(doc, prompt, progress);
        if (!link) return std::nullopt;
        if (DownloadWaypoints(*link, packets, progress) < 0) {
            stop(prompt, *link, kMsgDownloadWaypointError);
            return std::nullopt;
        }
    }
    WaypointList& waypoints = doc.data.waypoints;
    waypoints.clear();
    for (const auto& p : packets) {
        const WaypointRecord w = WaypointFromPacket(p, doc.datum);
        if (!waypoints.add(prompt, w.identifier.view(), w.latitude, w.longitude, w.comment.view(), w.symbol,
                                w.displayOption, w.proximity, w.altitude))
            break;  // list full, or the user declined a duplicate: the rest is dropped
    }
    doc.data.trackLog.timeZoneBias = doc.clock.timeZoneBiasSeconds();
    return Changes::Waypoints | Changes::Modified;
}

GpsResult onDownloadRoute(GpsCommandDoc& doc, UserPrompt& prompt, ProgressSink& progress) {
    if (!ready(doc)) return std::nullopt;
    std::vector<RouteSlot> slots;
    {
        auto link = identified(doc, prompt, progress);
        if (!link) return std::nullopt;
        if (DownloadRoutes(*link, slots, progress) <= 0) {
            stop(prompt, *link, kMsgNoRouteData);
            return std::nullopt;
        }
    }
    uint32_t count = static_cast<uint32_t>(slots.size());
    for (const auto& s : slots) count = std::max<uint32_t>(count, uint32_t(s.number) + 1);
    CRouteField field(count, doc.settings.MaxRouteCount, doc.settings.MaxRouteWaypointCount,
                      &doc.data.codePage);
    for (const auto& s : slots) {
        field.setRouteName(s.number, s.name);
        for (const auto& p : s.waypoints) {
            const WaypointRecord w = RouteWaypointFromPacket(p, doc.datum);
            if (!field.appendWaypoint(prompt, s.number, w.identifier.view(), w.latitude, w.longitude, w.comment.view(),
                                      w.symbol, w.displayOption, w.proximity, 0.0))
                break;
        }
    }
    doc.data.routes = std::move(field);
    return Changes::Routes | Changes::Modified;
}

GpsResult onUploadTrack(GpsCommandDoc& doc, UserPrompt& prompt, ProgressSink& progress) {
    const TrackField* track = doc.data.trackLog.track.get();
    if (!ready(doc) || !track || track->pointCount() == 0) return std::nullopt;
    auto link = identified(doc, prompt, progress);
    if (!link) return std::nullopt;
    if (!UploadTrack(*link, SlotsFromTrackPoints(track->points(), doc.datum), progress)) {
        stop(prompt, *link, kMsgUploadTrackError);
        return std::nullopt;
    }
    progress.done("Uploaded " + counted(track->pointCount(), "track point") + ".");
    return Changes{};
}

GpsResult onUploadWaypoint(GpsCommandDoc& doc, UserPrompt& prompt, ProgressSink& progress) {
    if (!ready(doc) || doc.data.waypoints.count() == 0) return std::nullopt;
    auto link = identified(doc, prompt, progress);
    if (!link) return std::nullopt;
    std::vector<WaypointPacket> packets;
    for (const auto& w : doc.data.waypoints.records())
        packets.push_back(PacketFromWaypoint(w, link->waypointType, pid::Waypoint, doc.datum));
    if (!UploadWaypoints(*link, packets, progress)) {
        stop(prompt, *link, kMsgUploadWaypointError);
        return std::nullopt;
    }
    progress.done("Uploaded " + counted(packets.size(), "waypoint") + ".");
    return Changes{};
}

namespace {

// One exchange per route, each on a link of its own seeded by the identification.
GpsResult uploadRoutes(GpsCommandDoc& doc, const std::vector<std::pair<uint8_t, const Route*>>& chosen,
                  UserPrompt& prompt, ProgressSink& progress) {
    auto link = identified(doc, prompt, progress);
    if (!link) return std::nullopt;
    link->ClosePort();
    for (const auto& [number, route] : chosen) {
        auto one = ReopenLike(*link, doc.settings, &doc.clock, &progress);
        if (!UploadRoutes(*one, {RouteSlotFromRoute(*route, number, link->waypointType, doc.datum)}, progress)) {
            stop(prompt, *one, kMsgUploadRouteError);
            return std::nullopt;
        }
    }
    progress.done("Uploaded " + counted(chosen.size(), "route") + ".");
    return Changes{};
}

}  // namespace

GpsResult onUploadRoute(GpsCommandDoc& doc, UserPrompt& prompt, ProgressSink& progress) {
    if (!ready(doc) || doc.data.routes.routeCount() == 0) return std::nullopt;
    std::vector<std::pair<uint8_t, const Route*>> chosen;
    const auto& routes = doc.data.routes.routes();
    for (size_t i = 0; i < routes.size() && i < 256; ++i)
        if (!routes[i].waypoints.empty()) chosen.emplace_back(static_cast<uint8_t>(i), &routes[i]);
    if (chosen.empty()) return std::nullopt;
    return uploadRoutes(doc, chosen, prompt, progress);
}

GpsResult uploadOneRoute(GpsCommandDoc& doc, uint32_t routeIndex, uint8_t routeNumber, UserPrompt& prompt,
                         ProgressSink& progress) {
    if (!ready(doc)) return std::nullopt;
    const Route* r = doc.data.routes.route(routeIndex);
    if (!r || r->waypoints.empty()) return std::nullopt;
    return uploadRoutes(doc, {{routeNumber, r}}, prompt, progress);
}

}  // namespace korvance
