#include "garmin/Transfers.h"

#include <string>

#include "platform/UserPrompt.h"

namespace korvance {

namespace {

bool newerWaypointType(int32_t t) { return t == 4108 || t == 4109 || t == 4110; }

// Raises the speed, opens the progress display with what is transferred and
// the speed as caption, and restores the speed and closes the display when
// the transfer ends.
class TransferScope {
public:
    TransferScope(GarminLink& link, ProgressSink& progress, const char* what)
        : link_(link), progress_(progress), what_(what) {
        link_.WaitBeforeWrite();
        speed_ = link_.RaiseBaudRate();
    }
    ~TransferScope() {
        link_.RestoreBaudRate();
        if (started_) progress_.finish();
    }
    void start(int maximum) {
        progress_.start(std::string(what_) + " (" + std::to_string(speed_) + " baud)", maximum);
        started_ = true;
    }
    void position(int p) { progress_.setPosition(p); }

private:
    GarminLink& link_;
    ProgressSink& progress_;
    const char* what_;
    uint32_t speed_ = 9600;
    bool started_ = false;
};

// Sends a command and receives the records packet; the count, or -1.
int requestRecords(GarminLink& link, uint16_t command) {
    Frame f;
    if (!link.SendPacket(commandFrame(command)) || !link.ReceivePacket(f)) return -1;
    if (frameId(f) != pid::Records || frameDataLength(f) < 2) return -1;
    return frameU16(f, 0);
}

bool finishUpload(GarminLink& link, uint16_t command) {
    return link.SendPacket(u16Frame(pid::XferComplete, command));
}

}  // namespace

int TrackUploadPacketCount(const GarminLink& link, size_t points) {
    return static_cast<int>(points) + (newerWaypointType(link.waypointType) ? 1 : 0);
}

int RouteUploadPacketCount(const GarminLink& link, const std::vector<RouteSlot>& routes) {
    int n = 0;
    for (const auto& r : routes) {
        const int w = static_cast<int>(r.waypoints.size());
        n += 1 + w;
        if (link.routeLinks && w > 1) n += w - 1;
    }
    return n;
}

int DownloadTrack(GarminLink& link, std::vector<TrackSlot>& out, ProgressSink& progress) {
    out.clear();
    TransferScope scope(link, progress, "Downloading the track");
    if (!link.isOpen()) return -1;
    const int n = requestRecords(link, cmd::Track);
    if (n < 0) return -1;
    scope.start(n);
    std::vector<TrackSlot> slots;
    slots.reserve(static_cast<size_t>(n));
    Frame f;
    for (int i = 0; i < n; ++i) {
        if (!link.ReceivePacket(f) || frameId(f) == pid::XferComplete) return -1;
        if (frameId(f) == pid::TrackPoint) slots.push_back(trackSlotFromFrame(link.trackPointType, f));
        if ((i + 1) % 50 == 0) scope.position(i + 1);
    }
    scope.position(n);
    // The closing transfer complete.
    if (!link.ReceivePacket(f)) return -1;
    out = std::move(slots);
    return static_cast<int>(out.size());
}

bool UploadTrack(GarminLink& link, const std::vector<TrackSlot>& slots, ProgressSink& progress) {
    TransferScope scope(link, progress, "Uploading the track");
    if (!link.isOpen()) return false;
    const int count = TrackUploadPacketCount(link, slots.size());
    if (count > 0xFFFF) return false;
    scope.start(count);
    if (!link.SendPacket(u16Frame(pid::Records, static_cast<uint16_t>(count)))) return false;
    int sent = 0;
    if (newerWaypointType(link.waypointType)) {
        if (!link.SendPacket(trackHeaderFrame())) return false;
        ++sent;
    }
    for (const auto& s : slots) {
        if (!link.SendPacket(trackPointFrame(link.trackPointType, s))) return false;
        if (++sent % 50 == 0) scope.position(sent);
    }
    scope.position(sent);
    return finishUpload(link, cmd::Track);
}

int DownloadWaypoints(GarminLink& link, std::vector<WaypointPacket>& out, ProgressSink& progress) {
    out.clear();
    TransferScope scope(link, progress, "Downloading waypoints");
    if (!link.isOpen() || !WaypointPacket::knownType(link.waypointType)) return -1;
    const int n = requestRecords(link, cmd::Waypoints);
    if (n < 0) return -1;
    scope.start(n);
    std::vector<WaypointPacket> packets;
    packets.reserve(static_cast<size_t>(n));
    Frame f;
    for (int i = 0; i < n; ++i) {
        if (!link.ReceivePacket(f) || frameId(f) == pid::XferComplete) return -1;
        WaypointPacket p = WaypointPacket::fromFrame(link.waypointType, f);
        if (link.japanese) p.setIdentifier(japaneseToText(p.identifier()));
        packets.push_back(std::move(p));
        if ((i + 1) % 10 == 0) scope.position(i + 1);
    }
    scope.position(n);
    if (!link.ReceivePacket(f)) return -1;
    out = std::move(packets);
    return n;
}

bool UploadWaypoints(GarminLink& link, const std::vector<WaypointPacket>& packets, ProgressSink& progress) {
    TransferScope scope(link, progress, "Uploading waypoints");
    if (!link.isOpen() || packets.size() > 0xFFFF) return false;
    scope.start(static_cast<int>(packets.size()));
    if (!link.SendPacket(u16Frame(pid::Records, static_cast<uint16_t>(packets.size())))) return false;
    int sent = 0;
    for (const auto& p : packets) {
        WaypointPacket q = p;
        if (link.japanese) q.setIdentifier(japaneseToReceiver(q.identifier()));
        if (!link.SendPacket(q.frame())) return false;
        if (++sent % 10 == 0) scope.position(sent);
    }
    scope.position(sent);
    return finishUpload(link, cmd::Waypoints);
}

int DownloadRoutes(GarminLink& link, std::vector<RouteSlot>& out, ProgressSink& progress) {
    out.clear();
    TransferScope scope(link, progress, "Downloading routes");
    if (!link.isOpen() || !WaypointPacket::knownType(link.waypointType)) return -1;
    const int n = requestRecords(link, cmd::Routes);
    if (n < 0) return -1;
    scope.start(n);
    std::vector<Frame> frames;
    frames.reserve(static_cast<size_t>(n));
    Frame f;
    for (int i = 0; i < n; ++i) {
        if (!link.ReceivePacket(f) || frameId(f) == pid::XferComplete) return -1;
        frames.push_back(f);
        scope.position(i + 1);
    }
    if (!link.ReceivePacket(f)) return -1;

    const int32_t layout = routeHeaderLayout(link.routeHeaderType, link.waypointType);
    std::vector<RouteSlot> routes;
    for (const auto& fr : frames) {
        if (frameId(fr) == pid::RouteHeader) {
            RouteSlot slot;
            readRouteHeader(layout, fr, static_cast<int>(routes.size()), slot);
            routes.push_back(std::move(slot));
        } else if (frameId(fr) == pid::RouteWaypoint && !routes.empty()) {
            routes.back().waypoints.push_back(WaypointPacket::fromFrame(link.waypointType, fr));
        }
        // route links and anything else carry nothing we keep
    }
    out = std::move(routes);
    return static_cast<int>(out.size());
}

bool UploadRoutes(GarminLink& link, const std::vector<RouteSlot>& routes, ProgressSink& progress) {
    TransferScope scope(link, progress, "Uploading routes");
    if (!link.isOpen()) return false;
    const int count = RouteUploadPacketCount(link, routes);
    if (count > 0xFFFF) return false;
    scope.start(count);
    if (!link.SendPacket(u16Frame(pid::Records, static_cast<uint16_t>(count)))) return false;
    const int32_t layout = routeHeaderLayout(link.routeHeaderType, link.waypointType);
    int sent = 0;
    for (const auto& r : routes) {
        if (!link.SendPacket(routeHeaderFrame(layout, r))) return false;
        scope.position(++sent);
        for (size_t i = 0; i < r.waypoints.size(); ++i) {
            if (i > 0 && link.routeLinks) {
                if (!link.SendPacket(routeLinkFrame())) return false;
                scope.position(++sent);
            }
            WaypointPacket w = r.waypoints[i];
            w.setPacketId(pid::RouteWaypoint);
            if (!link.SendPacket(w.frame())) return false;
            scope.position(++sent);
        }
    }
    return finishUpload(link, cmd::Routes);
}

bool ReadPosition(GarminLink& link, double& latitude, double& longitude, int64_t& unixTime) {
    latitude = longitude = 0;
    unixTime = 0;
    double la = 0, lo = 0;
    int64_t t = 0;
    Frame f;
    link.WaitBeforeWrite();
    bool ok = link.isOpen() && link.SendPacket(commandFrame(cmd::Position)) && link.ReceivePacket(f) &&
              parsePosition(f, la, lo);
    if (ok) {
        link.WaitBeforeWrite();
        ok = link.SendPacket(commandFrame(cmd::DateTime)) && link.ReceivePacket(f) && parseDateTime(f, t);
    }
    if (!ok) {
        link.sleep(1000);
        link.FlushInput();
        return false;
    }
    latitude = la;
    longitude = lo;
    unixTime = t;
    return true;
}

}  // namespace korvance
