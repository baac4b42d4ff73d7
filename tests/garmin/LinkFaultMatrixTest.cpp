// Every receiver command over a faulty line: corrupt checksums, lost host
// packets, a receiver falling silent mid-transfer and noise between frames.
// Each command either moves the data exactly or fails with its message and
// leaves the document (or the receiver) as it was; none runs longer than its
// retry limits allow.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "LinkFixture.h"
#include "garmin/GpsCommands.h"
#include "garmin/Identification.h"
#include "platform/testing/ScriptedPrompt.h"

using namespace korvance;
using namespace korvance::testing;

namespace {

constexpr int kTrackPoints = 50;
constexpr int kAttempts = 100;      // reads, NAKs or writes a packet is given
constexpr int kSimReplyMs = 100;    // the simulator's wait before it sends again

ReceiverData matrixData() {
    ReceiverData d = BuiltinReceiverData(SimProfile::New);
    d.track.clear();
    for (int i = 0; i < kTrackPoints; ++i) {
        TrackPoint p;
        p.latitude = 46.5 + i * 0.0007;
        p.longitude = 7.25 - i * 0.0011;
        p.altitude = 600.0f + static_cast<float>(i);
        p.time = 900000000u + 7u * static_cast<uint32_t>(i);
        p.segment = i < 30 ? 1 : 2;
        d.track.push_back(p);
    }
    return d;
}

// A document holding data of its own (to see that a failure keeps it), with
// the simulator on its port.
struct Doc {
    Doc(const SimFaults& faults, int byteTimeoutMs) : sim(SimProfile::New, matrixData()) {
        sim.setReplyTimeout(kSimReplyMs);
        sim.setFaults(faults);
        started = sim.start();
        settings.CommDevice = sim.devicePath();
        settings.Comm_WriteFile_Wait = 0;
        settings.CommOpenWait = 0;
        settings.GPSModelID = -1;
        a.track = &track;
        a.waypoints = &waypoints;
        a.routes = &routes;
        a.timeZoneBias = &bias;
        a.modified = &modified;
        a.newData = &newData;
        a.fitPending = &fitPending;
        a.settings = &settings;
        a.datum = &datum;
        a.clock = &clock;
        a.byteTimeoutMs = byteTimeoutMs;
        a.mapLoaded = [] { return false; };
        a.redrawAll = [] {};
        ScriptedPrompt quiet;
        track = TrackField::create(kTrackPoints);
        for (int i = 0; i < kTrackPoints; ++i) {
            TrackPoint p;
            p.latitude = -33.9 + i * 0.001;
            p.longitude = 18.4 + i * 0.0005;
            p.altitude = 10.0f + static_cast<float>(i);
            p.time = 950000000u + 3u * static_cast<uint32_t>(i);
            p.segment = i < 20 ? 1 : 2;
            track->append(p);
        }
        waypoints.add(quiet, "CAPE", -34.35, 18.47, "", 0, 0, 0, 0);
        waypoints.add(quiet, "HARBOUR", -33.91, 18.42, "", 0, 0, 0, 0);
        waypoints.add(quiet, "TABLE", -33.96, 18.40, "", 0, 0, 0, 0);
        routes.setRouteName(0, "COAST");
        routes.appendWaypoint(quiet, 0, "R1", -34.0, 18.5, "", 0, 0, 0, 0);
        routes.appendWaypoint(quiet, 0, "R2", -34.1, 18.6, "", 0, 0, 0, 0);
        routes.appendWaypoint(quiet, 0, "R3", -34.2, 18.7, "", 0, 0, 0, 0);
    }
    ReceiverSimulator sim;
    bool started = false;
    AppSettings settings;
    Datum datum{"WGS 84"};
    FixedClock clock;
    std::unique_ptr<TrackField> track;
    WaypointList waypoints{500};
    CRouteField routes{1, 20, 30};
    int32_t bias = 0;
    bool modified = false, newData = false, fitPending = false;
    GpsDocumentAccess a;
    ScriptedPrompt prompt;
};

// The document's data in comparable form.
struct Snapshot {
    std::vector<TrackPoint> track;
    std::vector<WaypointRecord> waypoints;
    std::vector<Route> routes;
    bool modified = false;
};

Snapshot snapshot(const Doc& d) {
    Snapshot s;
    if (d.track)
        for (uint32_t i = 0; i < d.track->pointCount(); ++i) s.track.push_back(d.track->point(i));
    for (uint32_t i = 0; i < d.waypoints.count(); ++i) {
        WaypointRecord w;
        w.identifier.set(d.waypoints.identifier(i));
        w.latitude = d.waypoints.latitude(i);
        w.longitude = d.waypoints.longitude(i);
        s.waypoints.push_back(w);
    }
    for (uint32_t r = 0; r < d.routes.routeCount(); ++r) {
        Route route;
        route.name.set(d.routes.routeName(r));
        for (uint32_t i = 0; i < d.routes.routeWaypointCount(r); ++i) route.waypoints.push_back(*d.routes.routeWaypoint(r, i));
        s.routes.push_back(route);
    }
    s.modified = d.modified;
    return s;
}

std::string rtrim(std::string_view v) {
    std::string s(v);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

void expectSameTrack(const std::vector<TrackPoint>& want, const std::vector<TrackPoint>& got) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(got[i].latitude, want[i].latitude, 1e-6) << "track point " << i;
        EXPECT_NEAR(got[i].longitude, want[i].longitude, 1e-6) << "track point " << i;
        EXPECT_EQ(got[i].time, want[i].time) << "track point " << i;
        EXPECT_FLOAT_EQ(got[i].altitude, want[i].altitude) << "track point " << i;
        const bool wantBreak = i == 0 || want[i].segment != want[i - 1].segment;
        const bool gotBreak = i == 0 || got[i].segment != got[i - 1].segment;
        EXPECT_EQ(gotBreak, wantBreak) << "track point " << i;
    }
}

void expectSameWaypoints(const std::vector<WaypointRecord>& want, const std::vector<WaypointRecord>& got) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(rtrim(got[i].identifier.view()), rtrim(want[i].identifier.view())) << "waypoint " << i;
        EXPECT_NEAR(got[i].latitude, want[i].latitude, 1e-6) << "waypoint " << i;
        EXPECT_NEAR(got[i].longitude, want[i].longitude, 1e-6) << "waypoint " << i;
    }
}

void expectSameRoutes(const std::vector<Route>& want, const std::vector<Route>& got) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t r = 0; r < want.size(); ++r) {
        EXPECT_EQ(rtrim(got[r].name.view()), rtrim(want[r].name.view())) << "route " << r;
        expectSameWaypoints(want[r].waypoints, got[r].waypoints);
    }
}

void expectSameDocument(const Snapshot& want, const Snapshot& got) {
    expectSameTrack(want.track, got.track);
    expectSameWaypoints(want.waypoints, got.waypoints);
    expectSameRoutes(want.routes, got.routes);
    EXPECT_EQ(got.modified, want.modified);
}

enum class Kind { DownloadTrack, DownloadWaypoints, DownloadRoutes, UploadTrack, UploadWaypoints, UploadRoutes };

struct Transfer {
    const char* name;
    Kind kind;
    bool (*run)(GpsDocumentAccess&, UserPrompt&, ProgressSink&);
    const char* message;
    int packets;  // packets of the exchange, identification and speed change included
};

const Transfer kTransfers[] = {
    {"download track", Kind::DownloadTrack, onDownloadTrack, kMsgDownloadTrackError, kTrackPoints + 20},
    {"download waypoints", Kind::DownloadWaypoints, onDownloadWaypoint, kMsgDownloadWaypointError, 30},
    {"download routes", Kind::DownloadRoutes, onDownloadRoute, kMsgNoRouteData, 30},
    {"upload track", Kind::UploadTrack, onUploadTrack, kMsgUploadTrackError, kTrackPoints + 20},
    {"upload waypoints", Kind::UploadWaypoints, onUploadWaypoint, kMsgUploadWaypointError, 20},
    {"upload routes", Kind::UploadRoutes, onUploadRoute, kMsgUploadRouteError, 25},
};

struct Fault {
    const char* name;
    SimFaults faults;
    int byteTimeoutMs;
    bool mustSucceed;  // the retries are meant to carry the transfer through
};

const Fault kFaults[] = {
    {"checksum 1/3", {3, 0, -1, 0}, 50, true},
    {"checksum 1/10", {10, 0, -1, 0}, 50, true},
    {"checksum 1/30", {30, 0, -1, 0}, 50, true},
    {"checksum 1/100", {100, 0, -1, 0}, 50, true},
    {"ack lost 1/5", {0, 5, -1, 0}, 50, true},
    {"ack lost 1/20", {0, 20, -1, 0}, 50, true},
    {"silent after 12", {0, 0, 12, 0}, 5, false},
    {"silent after 30", {0, 0, 30, 0}, 5, false},
    {"garbage 1/4", {0, 0, -1, 4}, 50, true},
    {"garbage 1/1", {0, 0, -1, 1}, 50, true},
};

struct Timing {
    std::string fault, transfer;
    bool ok;
    double ms, boundMs;
};

// The receiver's data after an upload, seen as the document sent it.
void expectUploaded(Kind kind, const Snapshot& sent, const ReceiverData& before, const ReceiverData& after) {
    switch (kind) {
        case Kind::UploadTrack: expectSameTrack(sent.track, after.track); break;
        case Kind::UploadWaypoints: {
            // Merged by identifier: every sent waypoint is there, nothing else changed.
            for (const auto& w : sent.waypoints) {
                auto it = std::find_if(after.waypoints.begin(), after.waypoints.end(),
                                       [&](const WaypointRecord& x) { return rtrim(x.identifier.view()) == rtrim(w.identifier.view()); });
                ASSERT_NE(it, after.waypoints.end()) << w.identifier.str();
                EXPECT_NEAR(it->latitude, w.latitude, 1e-6);
                EXPECT_NEAR(it->longitude, w.longitude, 1e-6);
            }
            size_t kept = 0;
            for (const auto& w : before.waypoints)
                kept += std::none_of(sent.waypoints.begin(), sent.waypoints.end(), [&](const WaypointRecord& x) {
                    return rtrim(x.identifier.view()) == rtrim(w.identifier.view());
                });
            EXPECT_EQ(after.waypoints.size(), kept + sent.waypoints.size());
            break;
        }
        case Kind::UploadRoutes:
            ASSERT_GE(after.routes.size(), 1u);
            expectSameRoutes(sent.routes, {after.routes[0]});
            break;
        default: break;
    }
}

}  // namespace

TEST(LinkFaults, EveryTransferDeliversExactlyOrFailsAndChangesNothing) {
    std::vector<Timing> timings;
    for (const Fault& f : kFaults) {
        for (const Transfer& t : kTransfers) {
            SCOPED_TRACE(std::string(f.name) + ", " + t.name);
            Doc d(f.faults, f.byteTimeoutMs);
            ASSERT_TRUE(d.started);
            const Snapshot before = snapshot(d);
            const ReceiverData simBefore = d.sim.data();

            const auto t0 = std::chrono::steady_clock::now();
            const bool ok = t.run(d.a, d.prompt, d.prompt);
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();

            // Every packet may use all its attempts, each a byte timeout on our
            // side or a resend wait on the receiver's.
            const double bound = static_cast<double>(t.packets) * kAttempts * (f.byteTimeoutMs + kSimReplyMs);
            timings.push_back({f.name, t.name, ok, ms, bound});
            EXPECT_LT(ms, bound);
            if (f.mustSucceed) {
                EXPECT_TRUE(ok) << d.prompt.texts().size();
            }


            const Snapshot after = snapshot(d);
            if (ok) {
                EXPECT_TRUE(d.prompt.texts().empty());
                switch (t.kind) {
                    case Kind::DownloadTrack: expectSameTrack(simBefore.track, after.track); break;
                    case Kind::DownloadWaypoints: expectSameWaypoints(simBefore.waypoints, after.waypoints); break;
                    case Kind::DownloadRoutes: expectSameRoutes(simBefore.routes, after.routes); break;
                    default: {
                        expectSameDocument(before, after);
                        // The receiver stores what it acknowledged last on its own thread.
                        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                        while (d.sim.uploads().empty() && std::chrono::steady_clock::now() < until)
                            std::this_thread::sleep_for(std::chrono::milliseconds(5));
                        expectUploaded(t.kind, before, simBefore, d.sim.data());
                    }
                }
            } else {
                // One message: the command's own, or the link's when the
                // receiver fell silent before it was identified.
                ASSERT_EQ(d.prompt.texts().size(), 1u);
                const std::string msg = d.prompt.texts()[0];
                EXPECT_TRUE(msg == t.message || msg == kMsgCommunicationError || msg == kMsgUnsupportedProtocol) << msg;
                EXPECT_EQ(d.prompt.last()->icon, Icon::Stop);
                expectSameDocument(before, after);
                for (const auto& u : d.sim.uploads()) EXPECT_FALSE(u.accepted);
                const ReceiverData simAfter = d.sim.data();
                expectSameTrack(simBefore.track, simAfter.track);
                expectSameWaypoints(simBefore.waypoints, simAfter.waypoints);
                expectSameRoutes(simBefore.routes, simAfter.routes);
            }
        }
    }
    std::printf("%-18s %-20s %-7s %10s %12s\n", "fault", "transfer", "result", "ms", "bound ms");
    double worst = 0;
    for (const auto& r : timings) {
        std::printf("%-18s %-20s %-7s %10.1f %12.0f\n", r.fault.c_str(), r.transfer.c_str(), r.ok ? "ok" : "failed",
                    r.ms, r.boundMs);
        worst = std::max(worst, r.ms);
    }
    std::printf("worst case %.1f ms\n", worst);
    RecordProperty("worst_case_ms", static_cast<int>(worst));
}
