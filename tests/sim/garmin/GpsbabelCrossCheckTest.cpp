// gpsbabel as a second, independent host: what it downloads from the
// simulator must be exactly the simulator's data, and what it uploads must be
// accepted and arrive intact. gpsbabel acknowledges strictly (the ACK must
// name the packet) and never sends a NAK, so a sloppy simulator fails here.

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>

#include "files/TempDir.h"
#include "sim/garmin/ReceiverSimulator.h"
#include "support/RequireTool.h"
#include "support/XmlNumber.h"

using namespace korvance;
using korvance::testing::xmlNumber;

namespace {

const korvance::testing::TempDir kScratch;

int gpsbabel(const std::string& args) {
    return std::system(("timeout 60 gpsbabel " + args + " > /dev/null 2>&1").c_str());
}

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

void expectWaypointsMatch(const pugi::xml_node& gpx, const std::vector<WaypointRecord>& want, bool altitude) {
    std::vector<pugi::xml_node> got;
    for (auto w : gpx.children("wpt")) got.push_back(w);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].child_value("name"), trimmed(want[i].identifier.str())) << i;
        EXPECT_NEAR(xmlNumber(got[i].attribute("lat")), want[i].latitude, 1e-6) << i;
        EXPECT_NEAR(xmlNumber(got[i].attribute("lon")), want[i].longitude, 1e-6) << i;
        if (!want[i].comment.empty()) {
            EXPECT_EQ(got[i].child_value("cmt"), trimmed(want[i].comment.str())) << i;
        }
        if (altitude) {
            EXPECT_NEAR(xmlNumber(got[i].child("ele").text()), want[i].altitude, 1e-3) << i;
        }
    }
}

class GpsbabelHost : public ::testing::TestWithParam<SimProfile> {};

}  // namespace

TEST_P(GpsbabelHost, DownloadsExactlyTheReceiversData) {
    KORVANCE_REQUIRE_TOOL("gpsbabel");
    ReceiverSimulator sim(GetParam());
    ASSERT_TRUE(sim.start());
    const ReceiverData want = sim.data();
    const std::string out = kScratch.file(std::string("down-") + SimProfileName(GetParam()) + ".gpx");
    ASSERT_EQ(gpsbabel("-w -t -r -i garmin -f " + sim.devicePath() + " -o gpx -F " + out), 0);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(out.c_str()));
    const auto gpx = doc.child("gpx");
    if (GetParam() != SimProfile::Japanese) expectWaypointsMatch(gpx, want.waypoints, GetParam() == SimProfile::New);

    std::vector<std::vector<pugi::xml_node>> segments;
    for (auto trk : gpx.children("trk"))
        for (auto seg : trk.children("trkseg")) {
            segments.emplace_back();
            for (auto p : seg.children("trkpt")) segments.back().push_back(p);
        }
    ASSERT_EQ(segments.size(), 2u);
    size_t k = 0;
    for (size_t s = 0; s < segments.size(); ++s)
        for (const auto& p : segments[s]) {
            ASSERT_LT(k, want.track.size());
            EXPECT_EQ(want.track[k].segment, s + 1) << k;
            EXPECT_NEAR(xmlNumber(p.attribute("lat")), want.track[k].latitude, 1e-6) << k;
            EXPECT_NEAR(xmlNumber(p.attribute("lon")), want.track[k].longitude, 1e-6) << k;
            if (GetParam() == SimProfile::New) {
                EXPECT_NEAR(xmlNumber(p.child("ele").text()), want.track[k].altitude, 1e-3);
            }
            ++k;
        }
    EXPECT_EQ(k, want.track.size());

    size_t r = 0;
    for (auto rte : gpx.children("rte")) {
        ASSERT_LT(r, want.routes.size());
        EXPECT_EQ(trimmed(rte.child_value("name")), want.routes[r].name.str());
        size_t i = 0;
        for (auto p : rte.children("rtept")) {
            ASSERT_LT(i, want.routes[r].waypoints.size());
            EXPECT_NEAR(xmlNumber(p.attribute("lat")), want.routes[r].waypoints[i].latitude, 1e-6);
            ++i;
        }
        EXPECT_EQ(i, want.routes[r].waypoints.size());
        ++r;
    }
    EXPECT_EQ(r, want.routes.size());
}

TEST_P(GpsbabelHost, ItsUploadsAreAcceptedAndArriveIntact) {
    KORVANCE_REQUIRE_TOOL("gpsbabel");
    const std::string in = kScratch.file(std::string("up-") + SimProfileName(GetParam()) + ".gpx");
    {
        std::ofstream f(in);
        f << R"(<?xml version="1.0" encoding="UTF-8"?>
<gpx version="1.1" creator="korvance test" xmlns="http://www.topografix.com/GPX/1/1">
<wpt lat="46.5" lon="7.25"><ele>1200</ele><name>ALP1</name><cmt>HUT</cmt></wpt>
<wpt lat="-45.125" lon="170.5"><ele>5</ele><name>KIWI</name></wpt>
<rte><name>UP</name>
 <rtept lat="46.5" lon="7.25"><name>ALP1</name></rtept>
 <rtept lat="46.6" lon="7.35"><name>ALP2</name></rtept>
 <rtept lat="46.7" lon="7.45"><name>ALP3</name></rtept>
</rte>
<trk><name>T</name>
 <trkseg><trkpt lat="46.0" lon="7.0"><ele>500</ele><time>2020-01-01T10:00:00Z</time></trkpt>
         <trkpt lat="46.001" lon="7.001"><ele>510</ele><time>2020-01-01T10:00:30Z</time></trkpt></trkseg>
 <trkseg><trkpt lat="46.01" lon="7.01"><ele>520</ele><time>2020-01-01T11:00:00Z</time></trkpt></trkseg>
</trk>
</gpx>
)";
    }
    ReceiverSimulator sim(GetParam());
    ASSERT_TRUE(sim.start());
    const std::string dev = sim.devicePath();
    ASSERT_EQ(gpsbabel("-w -i gpx -f " + in + " -o garmin -F " + dev), 0);
    ASSERT_EQ(gpsbabel("-r -i gpx -f " + in + " -o garmin -F " + dev), 0);
    ASSERT_EQ(gpsbabel("-t -i gpx -f " + in + " -o garmin -F " + dev), 0);
    const auto ups = sim.uploads();
    ASSERT_EQ(ups.size(), 3u);
    for (const auto& u : ups) EXPECT_TRUE(u.accepted) << u.reason;

    const ReceiverData d = sim.data();
    const WaypointRecord* alp = nullptr;
    for (const auto& w : d.waypoints)
        if (w.identifier.str() == "ALP1") alp = &w;
    ASSERT_NE(alp, nullptr);
    EXPECT_NEAR(alp->latitude, 46.5, 1e-6);
    EXPECT_NEAR(alp->longitude, 7.25, 1e-6);
    EXPECT_EQ(alp->comment.str(), "HUT");
    if (GetParam() == SimProfile::New) {
        EXPECT_NEAR(alp->altitude, 1200, 1e-3);
    }

    // gpsbabel leaves the comment of a D201 header blank, and for receivers
    // without route links it puts unnamed points between the route's own.
    ASSERT_FALSE(d.routes.empty());
    const Route& r = d.routes[0];
    ASSERT_GE(r.waypoints.size(), 3u);
    EXPECT_EQ(r.waypoints.front().identifier.str(), "ALP1");
    EXPECT_EQ(r.waypoints.back().identifier.str(), "ALP3");
    EXPECT_NEAR(r.waypoints.back().longitude, 7.45, 1e-6);

    // For D300 receivers gpsbabel sends a leading point of its own: look at the last three.
    ASSERT_GE(d.track.size(), 3u);
    const TrackPoint* t = d.track.data() + d.track.size() - 3;
    EXPECT_NEAR(t[0].latitude, 46.0, 1e-6);
    EXPECT_EQ(t[1].segment, t[0].segment);
    EXPECT_EQ(t[2].segment, t[1].segment + 1);
    EXPECT_EQ(t[1].time, 1577872830u - 631065600u);
    if (GetParam() == SimProfile::New) {
        EXPECT_NEAR(t[2].altitude, 520, 1e-3);
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles, GpsbabelHost,
                         ::testing::Values(SimProfile::New, SimProfile::Old, SimProfile::Japanese),
                         [](const auto& info) { return std::string(SimProfileName(info.param)); });
