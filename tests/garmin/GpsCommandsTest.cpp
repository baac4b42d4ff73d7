#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "LinkFixture.h"
#include "garmin/GpsCommands.h"
#include "garmin/Identification.h"
#include "platform/testing/ScriptedPrompt.h"
#include "support/TrackPoints.h"

using namespace korvance;
using namespace korvance::testing;

namespace {

// A document's parts as the commands see them, with a receiver simulator on its port.
struct Doc : GpsDoc {
    explicit Doc(SimProfile profile, ReceiverData data = {}) : sim(profile, std::move(data)) {
        sim.start();
        settings.CommDevice = sim.devicePath();
        settings.GPSModelID = profile == SimProfile::New ? -1 : sim.productId();
        settings.GPSCharSet = profile == SimProfile::Japanese ? 2 : 1;
        // An unsaved track of one point, and one waypoint.
        track = TrackField::create(1);
        track->append(pointsAlong(1, 1, 0, 0, 0)[0]);
        ScriptedPrompt quiet;
        waypoints.add(quiet, "OLD", 1, 2, "", 0, 0, 0, 0);
        clock.setBias(-3600);
    }
    ReceiverSimulator sim;
    ScriptedPrompt prompt;
};

}  // namespace

// Each download replaces its part of the document: the new receiver's
// waypoints into a list that keeps the first three, the old receiver's routes
// with a gap in their numbers.
TEST(GpsCommands, DownloadsReplaceTheDocumentsData) {
    for (SimProfile p : {SimProfile::New, SimProfile::Old}) {
        SCOPED_TRACE(SimProfileName(p));
        ReceiverData data = BuiltinReceiverData(p);
        if (p == SimProfile::Old) {
            data.routes.resize(6);
            data.routes[5] = data.routes[1];
            data.routes[1] = Route{};
        }
        Doc d(p, data);
        const size_t listLimit = p == SimProfile::New ? 3 : 500;
        d.waypoints = WaypointList(listLimit, &d.data.codePage);
        d.waypoints.add(d.prompt, "OLD", 1, 2, "", 0, 0, 0, 0);
        const ReceiverData want = d.sim.data();
        EXPECT_EQ(onDownloadTrack(d.a, d.prompt, d.prompt), Changes::Track | Changes::Modified);
        ASSERT_TRUE(d.track);
        EXPECT_EQ(d.track->pointCount(), want.track.size());
        EXPECT_EQ(d.track->capacity(), want.track.size());
        EXPECT_EQ(d.track->segmentCount(), 2u);
        EXPECT_EQ(d.track->point(13).segment, 1);
        EXPECT_EQ(d.track->point(14).segment, 2);
        EXPECT_EQ(d.track->point(5).time, want.track[5].time);
        EXPECT_EQ(d.bias, -3600);

        EXPECT_EQ(onDownloadWaypoint(d.a, d.prompt, d.prompt), Changes::Waypoints | Changes::Modified);
        ASSERT_EQ(d.waypoints.count(), std::min(listLimit, want.waypoints.size()));
        EXPECT_FALSE(d.waypoints.find("OLD"));
        for (uint32_t i = 0; i < d.waypoints.count(); ++i)
            EXPECT_NEAR(d.waypoints.latitude(i), want.waypoints[i].latitude, 1e-6) << i;

        EXPECT_EQ(onDownloadRoute(d.a, d.prompt, d.prompt), Changes::Routes | Changes::Modified);
        ASSERT_EQ(d.routes.routeCount(), want.routes.size());
        for (uint32_t r = 0; r < want.routes.size(); ++r) {
            EXPECT_EQ(d.routes.routeWaypointCount(r), want.routes[r].waypoints.size()) << r;
            EXPECT_EQ(d.routes.routeName(r).substr(0, want.routes[r].name.view().size()), want.routes[r].name.view());
        }
        EXPECT_EQ(d.prompt.texts(), p == SimProfile::New ? std::vector<std::string>{"Waypoint overflow!"}
                                                          : std::vector<std::string>{});
    }
}

// A receiver that falls silent during a transfer is the link fault matrix's
// (tests/garmin/LinkFaultMatrixTest.cpp); here the cable is not there at all.
TEST(GpsCommands, UnpluggedCableChangesNothing) {
    Doc d(SimProfile::Old);
    d.settings.CommDevice = "/dev/korvance-unplugged";
    EXPECT_EQ(onDownloadTrack(d.a, d.prompt, d.prompt), std::nullopt);
    EXPECT_EQ(d.prompt.texts(), std::vector<std::string>{std::string(kMsgCommunicationError) +
                                                         "\n/dev/korvance-unplugged: " + std::strerror(ENOENT)});
    EXPECT_EQ(d.prompt.last()->icon, Icon::Stop);
    ASSERT_TRUE(d.track);
    EXPECT_EQ(d.track->pointCount(), 1u);
    EXPECT_EQ(d.waypoints.count(), 1u);
    EXPECT_EQ(d.routes.routeCount(), 1u);
}

// Cancel in the progress window ends a command down its failure path without
// a message and without touching the document; a finished upload says what it did.
TEST(GpsCommands, CancelIsSilentAndAFinishedUploadSaysSo) {
    struct Row {
        const char* what;
        GpsResult (*command)(GpsCommandDoc&, UserPrompt&, ProgressSink&);
        const char* done;  // after an upload that went well
    };
    const Row rows[] = {
        {"download track", onDownloadTrack, nullptr},
        {"download waypoints", onDownloadWaypoint, nullptr},
        {"upload track", onUploadTrack, "Uploaded 1 track point."},
        {"upload waypoints", onUploadWaypoint, "Uploaded 1 waypoint."},
        {"upload routes", onUploadRoute, "Uploaded 1 route."},
    };
    enum class Line { Answers, CancelWhileIdentifying, CancelWhileSilent };
    for (const Row& r : rows) {
        for (Line line : {Line::Answers, Line::CancelWhileIdentifying, Line::CancelWhileSilent}) {
            SCOPED_TRACE(std::string(r.what) + " " + std::to_string(int(line)));
            Doc d(SimProfile::Old);
            ScriptedPrompt quiet;
            d.routes.appendWaypoint(quiet, 0, "R1", 10, 20, "", 0, 0, 0, 0);
            if (line != Line::Answers) {
                d.sim.setFaults({0, 0, line == Line::CancelWhileSilent ? 4 : 0});
                d.prompt.stopAfterAsks = 1;  // the first wait on the line is cut short
            }
            const GpsResult result = r.command(d.a, d.prompt, d.prompt);
            EXPECT_EQ(d.prompt.progressCaptions.at(0), "Connecting to the receiver on " + d.sim.devicePath());
            EXPECT_FALSE(d.prompt.progressOpen);
            EXPECT_TRUE(d.prompt.texts().empty());
            if (line == Line::Answers) {
                EXPECT_TRUE(result);
                if (r.done) {
                    EXPECT_EQ(d.prompt.doneTexts, std::vector<std::string>{r.done});
                }
                continue;
            }
            EXPECT_EQ(result, std::nullopt);
            EXPECT_TRUE(d.prompt.doneTexts.empty());
            for (const auto& u : d.sim.uploads()) EXPECT_FALSE(u.accepted);
            ASSERT_TRUE(d.track);
            EXPECT_EQ(d.track->pointCount(), 1u);
            EXPECT_EQ(d.waypoints.count(), 1u);
            EXPECT_EQ(d.routes.routeWaypointCount(0), 1u);
        }
    }
}

TEST(GpsCommands, TwoRoutesTravelInTwoExchanges) {
    Doc d(SimProfile::New);
    ScriptedPrompt quiet;
    d.routes.appendRoute(quiet);
    d.routes.appendRoute(quiet);
    for (uint32_t r : {0u, 2u}) {
        d.routes.setRouteName(r, r == 0 ? "FIRST" : "THIRD");
        d.routes.appendWaypoint(quiet, r, "A", 10, 20, "", 0, 0, 0, 0);
        d.routes.appendWaypoint(quiet, r, "B", 11, 21, "", 0, 0, 0, 0);
    }
    ASSERT_TRUE(onUploadRoute(d.a, d.prompt, d.prompt));
    auto ups = d.sim.uploads();
    ASSERT_EQ(ups.size(), 2u);
    EXPECT_TRUE(ups[0].accepted && ups[1].accepted);
    const auto routes = d.sim.data().routes;
    ASSERT_GE(routes.size(), 3u);
    EXPECT_EQ(routes[2].name.str(), "THIRD");
    EXPECT_EQ(routes[0].name.str(), "FIRST");
}

TEST(GpsCommands, NothingWhileTheTrackLogRecordsOrWithoutData) {
    Doc d(SimProfile::New);
    d.data.trackLog.logging = true;
    EXPECT_FALSE(onDownloadTrack(d.a, d.prompt, d.prompt));
    EXPECT_FALSE(onUploadWaypoint(d.a, d.prompt, d.prompt));
    d.data.trackLog.logging = false;
    d.track.reset();
    EXPECT_FALSE(onUploadTrack(d.a, d.prompt, d.prompt));
    d.waypoints.clear();
    EXPECT_FALSE(onUploadWaypoint(d.a, d.prompt, d.prompt));
    EXPECT_FALSE(onUploadRoute(d.a, d.prompt, d.prompt));  // the one route has no waypoints
    EXPECT_TRUE(d.sim.receivedIds().empty());
    EXPECT_TRUE(d.prompt.texts().empty());
}
