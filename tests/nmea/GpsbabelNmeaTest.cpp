// NMEA written by an independent producer: gpsbabel turns a GPX track into
// sentences, they go into a pseudo-terminal, and the reader must deliver the
// track's positions, heights and times.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>

#include "files/TempDir.h"
#include "nmea/NmeaReceiver.h"
#include "platform/PseudoTerminal.h"
#include "sim/nmea/NmeaSentences.h"
#include "support/RequireTool.h"
#include "TakingConsumer.h"

namespace korvance {
namespace {

using namespace std::chrono_literals;

struct Point {
    double lat, lon, ele;
    int64_t utc;
};

std::vector<Point> gpxTrack() {
    std::vector<Point> points;
    for (int i = 0; i < 40; ++i) {
        // Both hemispheres and both sides of Greenwich, heights below and above the sea.
        double lat = (i < 20 ? 35.681236 : -33.868820) + i * 0.000731;
        double lon = (i % 2 ? 139.767125 : -0.127758) - i * 0.000517;
        points.push_back({lat, lon, -20.0 + i * 37.3, 1325376000 + i * 5});  // from 2012-01-01
    }
    return points;
}

std::string isoTime(int64_t t) {
    time_t tt = static_cast<time_t>(t);
    std::tm tm{};
    gmtime_r(&tt, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

TEST(GpsbabelNmea, ReaderDeliversTheTrackGpsbabelWrote) {
    KORVANCE_REQUIRE_TOOL("gpsbabel");
    testing::TempDir dir;
    auto track = gpxTrack();
    {
        std::ofstream gpx(dir.file("track.gpx"));
        gpx << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<gpx version=\"1.1\" creator=\"korvance-test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
               "<trk><name>T</name><trkseg>\n";
        gpx.precision(9);
        for (const auto& p : track)
            gpx << "<trkpt lat=\"" << p.lat << "\" lon=\"" << p.lon << "\"><ele>" << p.ele << "</ele><time>"
                << isoTime(p.utc) << "</time><fix>3d</fix><sat>8</sat></trkpt>\n";
        gpx << "</trkseg></trk></gpx>\n";
    }
    std::string cmd = "gpsbabel -i gpx -f '" + dir.file("track.gpx") + "' -o nmea -F '" + dir.file("out.nme") + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::stringstream text;
    text << std::ifstream(dir.file("out.nme"), std::ios::binary).rdbuf();
    const std::string lf = text.str();
    ASSERT_FALSE(lf.empty());
    std::string crlf;
    for (char c : lf) {
        if (c == '\n' && (crlf.empty() || crlf.back() != '\r')) crlf += '\r';
        crlf += c;
    }

    // As written (gpsbabel ends lines with LF alone, so they pass unchecked),
    // and with CR LF, so every checksum is tested.
    for (const std::string* input : std::vector<const std::string*>{&lf, &crlf}) {
        PseudoTerminal pty;
        NmeaReceiver receiver;
        ASSERT_TRUE(receiver.openPort(pty.slavePath(), 4800));
        TakingConsumer consumer;
        ASSERT_TRUE(receiver.start(consumer));
        // A fix of another day first, until it comes through: then the reader is past its start.
        NmeaTrackPoint ping;
        ping.utc = 1000000000;
        const std::string pingText = FormatRmc(ping) + FormatGga(ping);
        bool ready = false;
        for (int i = 0; i < 500 && !ready; ++i) {
            pty.writeAll(reinterpret_cast<const uint8_t*>(pingText.data()), pingText.size());
            ready = consumer.waitUntil([&] { return !consumer.positions.empty(); }, 10ms);
        }
        ASSERT_TRUE(ready);
        std::this_thread::sleep_for(50ms);
        // In pieces, as a serial line delivers it.
        for (size_t i = 0; i < input->size(); i += 61) {
            std::string piece = input->substr(i, 61);
            pty.writeAll(reinterpret_cast<const uint8_t*>(piece.data()), piece.size());
        }
        auto last = track.back().utc;
        EXPECT_TRUE(consumer.waitUntil([&] { return consumer.positions.back().utcTime == last; }, 5000ms));
        receiver.stop();
        EXPECT_EQ(receiver.counters().linesRejected, 0u);
        std::vector<NmeaPosition> got;
        for (const auto& p : consumer.positions)
            if (p.utcTime != ping.utc) got.push_back(p);
        ASSERT_EQ(got.size(), track.size());
        for (size_t i = 0; i < track.size(); ++i) {
            // gpsbabel writes minutes with three decimals: half of 0.001' is 8.3e-6 degrees.
            EXPECT_NEAR(got[i].latitude, track[i].lat, 9e-6) << i;
            EXPECT_NEAR(got[i].longitude, track[i].lon, 9e-6) << i;
            EXPECT_NEAR(got[i].altitude, track[i].ele, 0.001) << i;
            EXPECT_EQ(got[i].utcTime, track[i].utc) << i;
        }
    }
}

}  // namespace
}  // namespace korvance
