// The position sources over real pseudo-terminals with the receiver
// simulators at the other end, and a receiver that goes away.

#include <gtest/gtest.h>

#include <chrono>

#include "app/CKorvanceDoc.h"
#include "garmin/LinkFixture.h"
#include "navigation/PositionSources.h"
#include "nmea/TakingConsumer.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/testing/ScriptedPrompt.h"
#include "sim/garmin/ReceiverSimulator.h"
#include "sim/nmea/NmeaSentences.h"
#include "sim/nmea/NmeaSource.h"

namespace korvance {
namespace {

TEST(PositionSources, GarminPollingFollowsTheReceiverAndFailsWhenItIsGone) {
    MemorySettingsStore store;
    FixedClock clock;
    ScriptedPrompt prompt;
    CKorvanceDoc doc(store, clock, prompt);
    auto sim = StartReceiverSimulator(SimProfile::New);
    ASSERT_TRUE(sim);
    GarminLink link(testing::quickOptions(), &clock);
    ASSERT_TRUE(link.OpenPort(sim->devicePath()));
    GarminPollSource source(link, doc.datum());
    const auto track = sim->data().track;
    ASSERT_GE(track.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const auto fix = source.fix();
        ASSERT_TRUE(fix);
        EXPECT_EQ(source.status(), SourceStatus::Running);
        const GeoPosition want = doc.datum().FromWgs84({track[i].latitude, track[i].longitude});
        EXPECT_NEAR(fix->latitude, want.latitude, 1e-9);
        EXPECT_NEAR(fix->longitude, want.longitude, 1e-9);
        EXPECT_EQ(fix->unixTime, int64_t(track[i].time) + 631065600);
    }
    sim.reset();  // the receiver is pulled out
    EXPECT_FALSE(source.fix());
    EXPECT_EQ(source.status(), SourceStatus::Failed);
}

TEST(PositionSources, NmeaGivesTheLastPositionTakenWithSpeedAndCourse) {
    const auto track = BuiltinNmeaTrack(5);
    NmeaSource sim(track, 50.0, {}, false);
    sim.hold();
    ASSERT_TRUE(sim.start());
    NmeaReceiver receiver;
    ASSERT_TRUE(receiver.openPort(sim.devicePath(), 4800)) << receiver.portError();
    TakingConsumer taker;  // takes every position on the reader thread, as the program's queued take does
    NmeaPositionSource source(receiver);
    ASSERT_TRUE(receiver.start(taker));
    ASSERT_TRUE(receiver.waitUntilReading(5000));
    EXPECT_EQ(source.status(), SourceStatus::Running);
    sim.release();
    ASSERT_TRUE(taker.waitFor(track.size(), std::chrono::seconds(10)));
    const auto fix = source.fix();
    ASSERT_TRUE(fix);
    EXPECT_NEAR(fix->latitude, track.back().latitude, 1e-6);
    EXPECT_NEAR(fix->longitude, track.back().longitude, 1e-6);
    EXPECT_NEAR(fix->height, track.back().altitude, 0.051);
    EXPECT_EQ(fix->unixTime, receiver.time());
    ASSERT_TRUE(fix->speedKmh && fix->course);
    EXPECT_NEAR(*fix->speedKmh, track.back().speedKmh, 0.01);
    EXPECT_EQ(*fix->course, static_cast<int>(track.back().course));
    receiver.stop();
    EXPECT_EQ(source.status(), SourceStatus::Stopped);
}

}  // namespace
}  // namespace korvance
