// The NMEA feed over a real pseudo-terminal with the NMEA simulator at the
// other end: positions reach the view through the posted calls, and a stop
// while a hand-off waits neither hangs nor delivers it later.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "app/CommandIds.h"
#include "sim/nmea/NmeaSource.h"
#include "view/NmeaFeed.h"
#include "view/ViewFixture.h"

namespace korvance {
namespace {

using korvance::testing::ViewEnv;

// The user-interface thread's queue: the reader posts, the test runs the calls.
class Queue {
public:
    void post(NmeaFeed::Call c) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(c));
        changed_.notify_all();
    }
    bool waitForCall(int ms) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !calls_.empty(); });
    }
    void runAll() {
        std::deque<NmeaFeed::Call> calls;
        {
            std::lock_guard lock(mutex_);
            calls.swap(calls_);
        }
        for (auto& c : calls) c();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<NmeaFeed::Call> calls_;
};

TEST(NmeaFeed, HandsPositionsToTheViewAndStopsWhileOneWaits) {
    NmeaSource sim(BuiltinNmeaTrack(50, 35.5, 139.5), 20.0, {}, false);
    sim.hold();
    ASSERT_TRUE(sim.start());
    ViewEnv e;
    e.doc.settings().CommDevice = sim.devicePath();
    e.prompt.addAnswer(Answer::No);  // "Do you wish to save NMEA sentence?"
    Queue queue;
    ScriptedFileChooser chooser;
    auto feed = std::make_unique<NmeaFeed>([&](NmeaFeed::Call c) { queue.post(std::move(c)); });
    int taken = 0;
    ASSERT_TRUE(feed->start(e.doc.settings(), e.prompt, chooser, [&](const NmeaPosition& p) {
        ++taken;
        EXPECT_NEAR(p.latitude, 35.5, 0.1);
    }));
    ASSERT_TRUE(feed->receiver().waitUntilReading(5000));
    sim.release();
    // The reader waits for each position until the posted call took it.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(queue.waitForCall(5000));
        queue.runAll();
    }
    EXPECT_EQ(taken, 3);
    // A hand-off waits now; the stop abandons it and returns.
    ASSERT_TRUE(queue.waitForCall(5000));
    feed->stop();
    EXPECT_FALSE(feed->receiver().running());
    queue.runAll();  // the late call finds nothing to take
    EXPECT_EQ(taken, 3);
    feed.reset();
    queue.runAll();
}

}  // namespace
}  // namespace korvance
