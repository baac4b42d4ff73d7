// The NMEA position as the navigation tick takes it, over a real pseudo-terminal with the NMEA
// simulator at the other end (Garmin polling is the view's navigation test).

#include <gtest/gtest.h>

#include <chrono>

#include "navigation/PositionSources.h"
#include "nmea/TakingConsumer.h"
#include "sim/nmea/NmeaSentences.h"
#include "sim/nmea/NmeaSource.h"

namespace korvance {
namespace {

TEST(PositionSources, NmeaFixIsTheLastPositionTakenWithSpeedAndCourse) {
    const auto track = BuiltinNmeaTrack(5);
    NmeaSource sim(track, 50.0, {}, false);
    sim.hold();
    ASSERT_TRUE(sim.start());
    NmeaReceiver receiver;
    ASSERT_TRUE(receiver.openPort(sim.devicePath(), 4800)) << receiver.portError();
    TakingConsumer taker;  // takes every position on the reader thread, as the program's queued take does
    ASSERT_TRUE(receiver.start(taker));
    ASSERT_TRUE(receiver.waitUntilReading(5000));
    EXPECT_TRUE(receiver.running());
    sim.release();
    ASSERT_TRUE(taker.waitFor(track.size(), std::chrono::seconds(10)));
    const PositionFix fix = FixOf(receiver.lastPosition());
    EXPECT_NEAR(fix.latitude, track.back().latitude, 1e-6);
    EXPECT_NEAR(fix.longitude, track.back().longitude, 1e-6);
    EXPECT_NEAR(fix.height, track.back().altitude, 0.051);
    EXPECT_EQ(fix.unixTime, receiver.time());
    ASSERT_TRUE(fix.speedKmh && fix.course);
    EXPECT_NEAR(*fix.speedKmh, track.back().speedKmh, 0.01);
    EXPECT_EQ(*fix.course, static_cast<int>(track.back().course));
    receiver.stop();
    EXPECT_FALSE(receiver.running());
}

}  // namespace
}  // namespace korvance
