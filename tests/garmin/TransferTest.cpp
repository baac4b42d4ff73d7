#include <gtest/gtest.h>

#include <cmath>

#include "LinkFixture.h"
#include "garmin/Identification.h"
#include "garmin/Transfers.h"
#include "platform/testing/ScriptedPrompt.h"
#include "settings/AppSettings.h"

using namespace korvance;
using namespace korvance::testing;

namespace {

struct Session {
    explicit Session(SimProfile profile, SimFaults faults = {}, int byteTimeoutMs = 200)
        : sim(profile), link(quickOptions(), &clock) {
        ok = sim.start() && link.OpenPort(sim.devicePath());
        if (!ok) return;
        AppSettings s;
        s.GPSModelID = profile == SimProfile::New ? -1 : static_cast<int32_t>(sim.productId());
        s.GPSCharSet = profile == SimProfile::Japanese ? 2 : 1;
        ok = IdentifyReceiver(link, s, profile == SimProfile::New ? -1 : 4103, prompt);
        sim.setFaults(faults);  // faults start after identification
        link.setByteTimeout(byteTimeoutMs);
    }
    ReceiverSimulator sim;
    FixedClock clock;
    GarminLink link;
    ScriptedPrompt prompt;
    bool ok = false;
};

std::string pad(std::string s, size_t n) {
    s.resize(std::max(s.size(), n), ' ');
    return s;
}

std::string expectedIdentifier(SimProfile p, const WaypointRecord& w) {
    std::string id(w.identifier.view());
    if (p == SimProfile::New) return id.substr(0, 10);
    if (p == SimProfile::Japanese) id = japaneseToText(id);
    return pad(id, 6);
}

void expectWaypoints(SimProfile p, const std::vector<WaypointRecord>& want, const std::vector<WaypointPacket>& got,
                     const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].identifier(), expectedIdentifier(p, want[i])) << what << " " << i;
        EXPECT_NEAR(got[i].latitude(), want[i].latitude, 1e-6) << what << " " << i;
        EXPECT_NEAR(got[i].longitude(), want[i].longitude, 1e-6) << what << " " << i;
        EXPECT_EQ(got[i].symbol(), want[i].symbol) << what << " " << i;
        if (p == SimProfile::New) {
            EXPECT_FLOAT_EQ(static_cast<float>(got[i].altitude()), want[i].altitude) << what << " " << i;
        } else {
            EXPECT_EQ(got[i].comment(), pad(std::string(want[i].comment.view()), 40)) << what << " " << i;
        }
    }
}

void expectTrack(const std::vector<TrackPoint>& want, const std::vector<TrackSlot>& got, bool altitude,
                 const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_NEAR(SemicirclesToDegrees(got[i].latitude), want[i].latitude, 1e-6) << what << i;
        EXPECT_NEAR(SemicirclesToDegrees(got[i].longitude), want[i].longitude, 1e-6) << what << i;
        EXPECT_EQ(got[i].time, want[i].time) << what << i;
        EXPECT_EQ(got[i].newSegment, i == 0 || want[i].segment != want[i - 1].segment) << what << i;
        if (altitude) {
            EXPECT_FLOAT_EQ(got[i].altitude, want[i].altitude) << what << i;
        }
    }
}

// Every profile on a clean line; faults on the line are the link fault
// matrix's (LinkFaultMatrixTest.cpp), the link being the same for every profile.
const SimProfile kProfiles[] = {SimProfile::New, SimProfile::Old, SimProfile::Japanese};

}  // namespace

// Downloads, then uploads, in every profile; the new receiver shows its speed in the progress.
TEST(Transfers, EveryProfileDownloadsAndUploadsIntact) {
    for (SimProfile p : kProfiles) {
        SCOPED_TRACE(SimProfileName(p));
        Session s(p);
        ASSERT_TRUE(s.ok);
        const ReceiverData want = s.sim.data();

        std::vector<TrackSlot> downloaded;
        ASSERT_EQ(DownloadTrack(s.link, downloaded, s.prompt), static_cast<int>(want.track.size()));
        expectTrack(want.track, downloaded, p == SimProfile::New, "track ");
        if (p == SimProfile::New) {
            ASSERT_EQ(s.prompt.progressCaptions.size(), 1u);
            EXPECT_EQ(s.prompt.progressCaptions[0], "Downloading the track (115200 baud)");
            EXPECT_EQ(s.prompt.progressMaxima[0], 26);  // 24 points and 2 track headers
            EXPECT_EQ(s.prompt.progressPositions.back(), 26);
            EXPECT_FALSE(s.prompt.progressOpen);
            EXPECT_EQ(s.sim.highestSpeed(), 115200u);
        }

        std::vector<WaypointPacket> gotWaypoints;
        ASSERT_EQ(DownloadWaypoints(s.link, gotWaypoints, s.prompt), static_cast<int>(want.waypoints.size()));
        expectWaypoints(p, want.waypoints, gotWaypoints, "waypoints");

        std::vector<RouteSlot> gotRoutes;
        ASSERT_EQ(DownloadRoutes(s.link, gotRoutes, s.prompt), 2);
        for (size_t r = 0; r < 2; ++r) {
            EXPECT_EQ(gotRoutes[r].number, r);
            EXPECT_EQ(gotRoutes[r].name, pad(std::string(want.routes[r].name.view()), 20));
            ASSERT_EQ(gotRoutes[r].waypoints.size(), want.routes[r].waypoints.size());
            for (size_t i = 0; i < gotRoutes[r].waypoints.size(); ++i)
                EXPECT_EQ(gotRoutes[r].waypoints[i].identifier(), expectedIdentifier(p == SimProfile::Japanese ? SimProfile::Old : p, want.routes[r].waypoints[i]));
        }
        EXPECT_EQ(s.link.port().baudRate(), 9600u);
        EXPECT_EQ(s.sim.speed(), 9600u);

        const int32_t wt = s.link.waypointType;
        const bool japanese = p == SimProfile::Japanese;

        std::vector<WaypointPacket> wpts = {
            WaypointPacket(wt, pid::Waypoint, 47.5, 8.25, 420.0, "LAKE", "BY THE LAKE", 18, 0, 0),
            WaypointPacket(wt, pid::Waypoint, -12.125, -77.0, 0.0, japanese ? "\xC0\x31" : "LIMA", "", 10, 0, 0)};
        ASSERT_TRUE(UploadWaypoints(s.link, wpts, s.prompt));
        auto ups = s.sim.uploads();
        ASSERT_EQ(ups.size(), 1u);
        EXPECT_TRUE(ups[0].accepted) << ups[0].reason;
        ASSERT_EQ(ups[0].frames.size(), 2u);
        if (japanese) {  // the identifier travels in the receiver's codes
            EXPECT_EQ(std::string(ups[0].frames[1].begin() + 3, ups[0].frames[1].begin() + 6), "\x30\x53 ");
        }

        std::vector<TrackSlot> track;
        for (int i = 0; i < 12; ++i)
            track.push_back(TrackSlot{DegreesToSemicircles(46.0 + i * 0.001), DegreesToSemicircles(7.0),
                                      800000000u + i, 500.0f + i, 0, i == 0 || i == 8});
        ASSERT_TRUE(UploadTrack(s.link, track, s.prompt));
        ups = s.sim.uploads();
        ASSERT_EQ(ups.size(), 2u);
        EXPECT_TRUE(ups[1].accepted) << ups[1].reason;
        const auto got = s.sim.data().track;
        ASSERT_EQ(got.size(), track.size());
        EXPECT_EQ(got[7].segment, 1);
        EXPECT_EQ(got[8].segment, 2);
        if (p == SimProfile::New) {
            EXPECT_FLOAT_EQ(got[11].altitude, 511.0f);
        }

        RouteSlot r;
        r.number = 3;
        r.name = "UPLOADED";
        r.waypoints = {WaypointPacket(wt, pid::RouteWaypoint, 47.5, 8.25, 0, "A1", "", 0, 0, 0),
                       WaypointPacket(wt, pid::RouteWaypoint, 47.6, 8.35, 0, "A2", "", 0, 0, 0),
                       WaypointPacket(wt, pid::RouteWaypoint, 47.7, 8.45, 0, "A3", "", 0, 0, 0)};
        ASSERT_TRUE(UploadRoutes(s.link, {r}, s.prompt));
        ups = s.sim.uploads();
        ASSERT_EQ(ups.size(), 3u);
        EXPECT_TRUE(ups[2].accepted) << ups[2].reason;
        EXPECT_EQ(ups[2].frames.size(), p == SimProfile::New ? 6u : 4u);
        const auto routes = s.sim.data().routes;
        ASSERT_GE(routes.size(), 4u);
        EXPECT_EQ(routes[3].name.str(), "UPLOADED");
        EXPECT_EQ(routes[3].waypoints.size(), 3u);
    }
}

TEST(Transfers, ReceiverRejectsStrayRouteRecordsAndWrongCounts) {
    struct Row {
        const char* what;
        std::vector<Frame> frames;
        int announced;  // -1: the number of frames
        const char* reason;
    };
    const Frame header = makeFrame(29, std::vector<uint8_t>(21, ' '));
    const Frame w = WaypointPacket(4108, 30, 1, 2, 0, "W", "", 0, 0, 0).frame();
    const Frame link = routeLinkFrame();
    const Row rows[] = {
        {"link after the last waypoint", {header, w, link, w, link}, -1, "Route Waypoint was Deleted"},
        {"one packet more announced", {header, w, link, w}, 5, "records count 5 but 4 packets"},
        {"name-only header to a D201 receiver", {makeFrame(29, {'R', 0}), w}, -1, "invalid route header"},
        {"no link between waypoints", {header, w, w}, -1, "without a route link"},
    };
    for (const auto& r : rows) {
        Session s(SimProfile::New);
        ASSERT_TRUE(s.ok);
        const int n = r.announced < 0 ? static_cast<int>(r.frames.size()) : r.announced;
        ASSERT_TRUE(s.link.SendPacket(u16Frame(27, static_cast<uint16_t>(n))));
        for (const auto& f : r.frames) ASSERT_TRUE(s.link.SendPacket(f));
        ASSERT_TRUE(s.link.SendPacket(u16Frame(12, 4)));
        auto ups = s.sim.uploads();
        ASSERT_EQ(ups.size(), 1u) << r.what;
        EXPECT_FALSE(ups[0].accepted) << r.what;
        EXPECT_NE(ups[0].reason.find(r.reason), std::string::npos) << r.what << ": " << ups[0].reason;
    }
}

// A position read that gets no answer leaves no stale position behind.
TEST(Transfers, ReadPositionOfASilentReceiverFails) {
    Session s(SimProfile::New, {0, 0, 0}, 2);
    ASSERT_TRUE(s.ok);
    double lat = 1, lon = 1;
    int64_t t = 1;
    EXPECT_FALSE(ReadPosition(s.link, lat, lon, t));
    EXPECT_EQ(lat, 0);
    EXPECT_EQ(t, 0);
}

TEST(Transfers, EarlyTransferCompleteIsAFailure) {
    // The receiver announces 5 packets and completes after 3.
    PseudoTerminal pty;
    FixedClock clock;
    GarminLink link(quickOptions(20), &clock);
    ASSERT_TRUE(link.OpenPort(pty.slavePath()));
    link.limitBaud = 9600;
    link.protocolMark = 77;
    std::thread device([&] {
        auto send = [&](const Frame& f) {
            auto w = stuffFrame(f);
            pty.writeAll(w.data(), w.size());
        };
        drain(pty, stuffFrame(commandFrame(6)).size(), 1000);
        send(makeFrame(6, {10, 0}));
        send(u16Frame(27, 5));
        for (int i = 0; i < 3; ++i) send(trackPointFrame(4300, TrackSlot{}));
        send(u16Frame(12, 6));
    });
    std::vector<TrackSlot> out;
    NullProgress progress;
    EXPECT_EQ(DownloadTrack(link, out, progress), -1);
    device.join();
    EXPECT_TRUE(out.empty());
}
