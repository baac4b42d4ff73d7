// Every receiver command over a faulty line: corrupt checksums, lost host
// packets, a receiver falling silent mid-transfer and noise between frames.
// Each command either moves the data exactly or fails with its message and
// leaves the document (or the receiver) as it was; none runs longer than its
// retry limits allow.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <thread>

#include "LinkFixture.h"
#include "garmin/GpsCommands.h"
#include "garmin/Identification.h"
#include "platform/testing/ScriptedPrompt.h"
#include "support/TrackPoints.h"

using namespace korvance;
using namespace korvance::testing;

namespace {

constexpr int kTrackPoints = 50;
constexpr int kAttempts = 100;      // reads, NAKs or writes a packet is given
constexpr int kSimReplyMs = 100;    // the simulator's wait before it sends again
constexpr int kRetriesPerPacket = 3;  // retries a packet may need on the faultiest line of the matrix
// Host packets of identification and the speed change: a receiver that falls
// silent later has been identified.
constexpr int kIdentifiedAfter = 12;

ReceiverData matrixData() {
    ReceiverData d = BuiltinReceiverData(SimProfile::New);
    d.track = pointsAlong(kTrackPoints, 46.5, 7.25, 0.0007, -0.0011, 900000000u, 7, 600.0f, 30);
    return d;
}

// A document holding data of its own (to see that a failure keeps it), with
// the simulator on its port.
struct Doc : GpsDoc {
    Doc(const SimFaults& faults, int byteTimeoutMs) : sim(SimProfile::New, matrixData()) {
        sim.setReplyTimeout(kSimReplyMs);
        sim.setFaults(faults);
        started = sim.start();
        settings.CommDevice = sim.devicePath();
        settings.GPSModelID = -1;
        a.byteTimeoutMs = byteTimeoutMs;
        ScriptedPrompt quiet;
        track = TrackField::create(kTrackPoints);
        for (const TrackPoint& p : pointsAlong(kTrackPoints, -33.9, 18.4, 0.001, 0.0005, 950000000u, 3, 10.0f, 20))
            track->append(p);
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
    ScriptedPrompt prompt;
};

// The document's data in the receiver's form, to compare the two.
ReceiverData snapshot(const Doc& d) {
    ReceiverData r;
    r.track = d.track ? d.track->points() : std::vector<TrackPoint>{};
    r.waypoints = d.waypoints.records();
    r.routes = d.routes.routes();
    return r;
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

void expectSameData(const ReceiverData& want, const ReceiverData& got) {
    expectSameTrack(want.track, got.track);
    expectSameWaypoints(want.waypoints, got.waypoints);
    expectSameRoutes(want.routes, got.routes);
}

enum class Kind { DownloadTrack, DownloadWaypoints, DownloadRoutes, UploadTrack, UploadWaypoints, UploadRoutes };

struct Transfer {
    const char* name;
    Kind kind;
    GpsResult (*run)(GpsCommandDoc&, UserPrompt&, ProgressSink&);
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

// An acknowledgement names only the packet type, so a byte timeout shorter
// than the receiver's answer on a slow (sanitized or busy) build turns a late
// acknowledgement into that of the next packet: where our side waits out a
// lost acknowledgement it waits as on a real line, and the silent lines too
// keep a margin over the simulator's reply time. One row per way a line fails.
const Fault kFaults[] = {
    {"checksum 1/3", {3, 0, -1, 0}, 50, true},
    {"checksum 1/100", {100, 0, -1, 0}, 50, true},
    {"ack lost 1/5", {0, 5, -1, 0}, 200, true},
    {"ack lost 1/20", {0, 20, -1, 0}, 200, true},
    {"silent after 12", {0, 0, 12, 0}, 20, false},
    {"silent after 30", {0, 0, 30, 0}, 20, false},
    {"garbage 1/1", {0, 0, -1, 1}, 50, true},
};

// The receiver's data after an upload, seen as the document sent it.
void expectUploaded(Kind kind, const ReceiverData& sent, const ReceiverData& before, const ReceiverData& after) {
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


// The longest a case may take: every packet may meet a fault a few times,
// each costing a byte timeout on our side and a resend wait on the
// receiver's, and one packet may use up all its attempts before the link
// gives up. A link that retried longer than that would fail here.
double boundMs(const Fault& f, const Transfer& t) {
    const double perRetry = f.byteTimeoutMs + kSimReplyMs;
    return 1000.0 + t.packets * kRetriesPerPacket * perRetry + kAttempts * perRetry;
}

std::string caseName(const Fault& f, const Transfer& t) {
    std::string name = std::string(f.name) + "_" + t.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

class LinkFaults : public ::testing::TestWithParam<std::tuple<Fault, Transfer>> {};

}  // namespace

TEST_P(LinkFaults, DeliversExactlyOrFailsAndChangesNothingWithinItsRetryBound) {
    const auto& [f, t] = GetParam();
    Doc d(f.faults, f.byteTimeoutMs);
    ASSERT_TRUE(d.started);
    const ReceiverData before = snapshot(d);
    const ReceiverData simBefore = d.sim.data();

    const auto t0 = std::chrono::steady_clock::now();
    const GpsResult result = t.run(d.a, d.prompt, d.prompt);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    const bool ok = result.has_value();
    RecordProperty("ms", static_cast<int>(ms));
    EXPECT_LT(ms, boundMs(f, t));
    if (f.mustSucceed) {
        EXPECT_TRUE(ok) << d.prompt.texts().size();
    }

    const ReceiverData after = snapshot(d);
    if (ok) {
        EXPECT_TRUE(d.prompt.texts().empty());
        switch (t.kind) {
            case Kind::DownloadTrack: expectSameTrack(simBefore.track, after.track); break;
            case Kind::DownloadWaypoints: expectSameWaypoints(simBefore.waypoints, after.waypoints); break;
            case Kind::DownloadRoutes: expectSameRoutes(simBefore.routes, after.routes); break;
            default: {
                EXPECT_EQ(*result, Changes{});  // an upload changes nothing in the document
                expectSameData(before, after);
                // The receiver stores what it acknowledged last on its own thread.
                const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                while (d.sim.uploads().empty() && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                expectUploaded(t.kind, before, simBefore, d.sim.data());
            }
        }
        return;
    }
    // One message: the command's own once the receiver was identified, else
    // the identification's.
    ASSERT_EQ(d.prompt.texts().size(), 1u);
    const std::string msg = d.prompt.texts()[0];
    if (f.faults.silentAfter >= kIdentifiedAfter)
        EXPECT_EQ(msg, t.message);
    else
        EXPECT_TRUE(msg == t.message || msg.rfind(kMsgCommunicationError, 0) == 0 || msg == kMsgUnsupportedProtocol) << msg;
    EXPECT_EQ(d.prompt.last()->icon, Icon::Stop);
    expectSameData(before, after);
    for (const auto& u : d.sim.uploads()) EXPECT_FALSE(u.accepted);
    expectSameData(simBefore, d.sim.data());
}

INSTANTIATE_TEST_SUITE_P(Matrix, LinkFaults, ::testing::Combine(::testing::ValuesIn(kFaults), ::testing::ValuesIn(kTransfers)),
                         [](const ::testing::TestParamInfo<LinkFaults::ParamType>& info) {
                             return caseName(std::get<0>(info.param), std::get<1>(info.param));
                         });
