// The program's NMEA delivery path without a window: NmeaFeed posting
// through QtCallQueue, the user-interface thread's event loop running the
// navigation tick while the reader waits, and the stop at any moment of a
// delivery.
// Also the QTimer behind Garmin polling.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <thread>

#include "app/CKorvanceDoc.h"
#include "navigation/NavigationTick.h"
#include "navigation/PositionSources.h"
#include "platform/Clock.h"
#include "platform/PseudoTerminal.h"
#include "platform/SettingsStore.h"
#include "platform/testing/RecordingSound.h"
#include "platform/testing/ScriptedPrompt.h"
#include "qtplatform/QtNavigationTimer.h"
#include "qtplatform/QtCallQueue.h"
#include "sim/nmea/NmeaSentences.h"
#include "view/NmeaFeed.h"

namespace korvance {
namespace {

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "qtnavigation_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* a = new QCoreApplication(argc, argv);  // never destroyed, as Qt wants
    return *a;
}

// Runs the event loop until `done` or about five seconds passed.
template <typename F>
bool spinUntil(F done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > 5000) return false;
        app().processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

struct Fixture {
    MemorySettingsStore store;
    FixedClock clock;
    ScriptedPrompt prompt{{}, Answer::No};  // no NMEA log
    ScriptedFileChooser chooser;
    CKorvanceDoc doc{store, clock, prompt};
    RecordingSound sound;
    NavigationState nav{doc};
    PseudoTerminal pty;
    QtCallQueue queue;
    NmeaFeed feed{[this](NmeaFeed::Call call) { queue.post(std::move(call)); }};
    NmeaReceiver& receiver = feed.receiver();
    DeliveredPositionSource source;

    void send(size_t i) {
        static const auto track = BuiltinNmeaTrack(8);
        const std::string epoch = FormatRmc(track[i % track.size()]) + FormatGga(track[i % track.size()]);
        pty.writeAll(reinterpret_cast<const uint8_t*>(epoch.data()), epoch.size());
    }
};

TEST(QtCallQueue, StopNmeaNavigationWhileAPositionWaitsNeverDeadlocks) {
    app();
    Fixture f;
    f.doc.settings().CommDevice = f.pty.slavePath();
    ASSERT_TRUE(f.doc.trackLog().start(100000, f.prompt, f.clock));
    int ticks = 0;
    bool stopInTick = false;
    auto tick = [&](const NmeaPosition& p) {
        // The reader waits while the tick runs.
        EXPECT_TRUE(f.receiver.positionPending());
        f.source.commit(FixOf(p));
        if (f.nav.tick(f.source, nullptr, f.sound).hadFix) ++ticks;
        if (stopInTick) f.feed.stop();
    };
    enum Moment { BeforeTheEventLoopServes, InsideTheTick, WhileTheNextWaits, kMoments };
    int abandoned = 0;
    for (int round = 0; round < 1000; ++round) {
        SCOPED_TRACE(round);
        const auto moment = static_cast<Moment>(round % kMoments);
        stopInTick = moment == InsideTheTick;
        const int ticksBefore = ticks;
        ASSERT_TRUE(f.feed.start(f.doc.settings(), f.prompt, f.chooser, tick));
        ASSERT_TRUE(f.receiver.waitUntilReading(5000));
        f.send(static_cast<size_t>(round));
        // The reader is in its hand-off once the position is pending.
        // (Up to ten seconds: a loaded machine may take long to schedule the reader.)
        for (int i = 0; i < 50000 && !f.receiver.positionPending(); ++i)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ASSERT_TRUE(f.receiver.positionPending());
        switch (moment) {
            case BeforeTheEventLoopServes:
                f.feed.stop();
                ++abandoned;
                break;
            case InsideTheTick:
                ASSERT_TRUE(spinUntil([&] { return !f.receiver.running(); }));
                break;
            case WhileTheNextWaits:
                ASSERT_TRUE(spinUntil([&] { return ticks > ticksBefore; }));
                f.send(static_cast<size_t>(round) + 1);
                for (int i = 0; i < 5000 && !f.receiver.positionPending(); ++i)
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                f.feed.stop();
                break;
            case kMoments: break;
        }
        EXPECT_FALSE(f.receiver.running());
        EXPECT_FALSE(f.receiver.positionPending());
        // A wake that the stop left behind finds nothing to take.
        app().processEvents();
        EXPECT_EQ(ticks - ticksBefore, moment == BeforeTheEventLoopServes ? 0 : 1);
    }
    EXPECT_EQ(abandoned, 334);
    EXPECT_EQ(f.doc.trackLog().track->pointCount(), static_cast<uint32_t>(ticks));
}

TEST(QtNavigationTimer, RunsAtItsPeriodUntilStopped) {
    app();
    QtNavigationTimer timer;
    int fired = 0;
    timer.start(5000, [&] { ++fired; });
    EXPECT_TRUE(timer.active());
    EXPECT_EQ(timer.periodMs(), 5000u);
    timer.start(10, [&] { ++fired; });  // restarted with another period
    EXPECT_EQ(timer.periodMs(), 10u);
    ASSERT_TRUE(spinUntil([&] { return fired >= 3; }));
    timer.stop();
    EXPECT_FALSE(timer.active());
    const int atStop = fired;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 50) app().processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(fired, atStop);
}

}  // namespace
}  // namespace korvance
