// The reader thread over a real pseudo-terminal: end to end with the
// simulator's NMEA source, the start and stop of the command, and stop
// while a delivery waits (or the line is silent), many times over.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "files/TempDir.h"
#include "nmea/NmeaReceiver.h"
#include "platform/PseudoTerminal.h"
#include "platform/testing/ScriptedPrompt.h"
#include "settings/AppSettings.h"
#include "sim/nmea/NmeaSource.h"
#include "TakingConsumer.h"

namespace korvance {
namespace {

using namespace std::chrono_literals;

using korvance::testing::readText;

TEST(NmeaReceiver, FaultsLoseSentencesButNeverCorruptAFix) {
    auto track = BuiltinNmeaTrack(150);
    NmeaFaults faults;
    faults.checksumEvery = 7;
    faults.cutEvery = 11;
    faults.longEvery = 5;
    faults.burstEvery = 13;
    faults.invalidEvery = 9;
    NmeaSource source(track, 500.0, faults, false);
    source.hold();
    ASSERT_TRUE(source.start());
    NmeaReceiver receiver;
    ASSERT_TRUE(receiver.openPort(source.devicePath(), 4800));
    TakingConsumer consumer;
    ASSERT_TRUE(receiver.start(consumer));
    ASSERT_TRUE(receiver.waitUntilReading(5000));
    source.release();
    ASSERT_TRUE(source.waitFinished(10000));
    std::this_thread::sleep_for(300ms);
    receiver.stop();
    auto written = source.written();
    ASSERT_EQ(written.size(), track.size());
    size_t whole = 0;
    for (const auto& e : written) whole += e.rmcIntact && e.ggaIntact && e.valid;
    auto got = consumer.taken();
    EXPECT_GE(got.size(), whole);
    EXPECT_GT(receiver.counters().linesRejected, 0u);
    for (const auto& p : got) {
        size_t i = static_cast<size_t>(p.utcTime - track[0].utc);
        ASSERT_LT(i, track.size());
        EXPECT_TRUE(written[i].rmcIntact && written[i].valid) << i;
        EXPECT_NEAR(p.latitude, track[i].latitude, 1e-6) << i;
        EXPECT_NEAR(p.longitude, track[i].longitude, 1e-6) << i;
        // The altitude is of the last GGA that came through: this epoch's or,
        // when sentences were lost, one close by.
        bool near = false;
        for (size_t j = i > 1 ? i - 2 : 0; j <= i + 2 && j < track.size(); ++j)
            near = near || (written[j].ggaIntact && std::abs(p.altitude - track[j].altitude) < 0.051);
        EXPECT_TRUE(near) << i << " " << p.altitude;
    }
}

// The user-interface side of the hand-off, as the GUI does it: the reader
// asks for the position through a queue served by one thread, and that same
// thread decides to stop the reader.
class QueuedConsumer : public NmeaConsumer {
public:
    void positionReady(NmeaReceiver&) override {
        std::lock_guard lock(mutex);
        ++requests;
        changed.notify_all();
    }
    void logWriteFailed(const std::string&, const std::string&) override {}
    bool waitForRequest(int seen, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return requests > seen; });
    }
    int count() {
        std::lock_guard lock(mutex);
        return requests;
    }
    std::mutex mutex;
    std::condition_variable changed;
    int requests = 0;
};

TEST(NmeaReceiver, StopWhileDeliveringNeverDeadlocks) {
    const std::string epoch = FormatRmc(BuiltinNmeaTrack(1)[0]) + FormatGga(BuiltinNmeaTrack(1)[0]);
    PseudoTerminal pty;
    NmeaReceiver receiver;
    ASSERT_TRUE(receiver.openPort(pty.slavePath(), 4800));
    int blocked = 0;
    for (int round = 0; round < 1000; ++round) {
        QueuedConsumer consumer;
        ASSERT_TRUE(receiver.start(consumer));
        // Once the reader is past its flush, one epoch puts it into a hand-off.
        ASSERT_TRUE(receiver.waitUntilReading(5000)) << "round " << round;
        pty.writeAll(reinterpret_cast<const uint8_t*>(epoch.data()), epoch.size());
        ASSERT_TRUE(consumer.waitForRequest(0, 5000ms)) << "round " << round;
        switch (round % 3) {
            case 0:
                break;  // nobody takes it: stop abandons it
            case 1:
                receiver.takePosition();  // taken, and the reader may be on its way to the next
                break;
            case 2: {
                // Another thread takes while this one stops.
                std::thread other([&] { receiver.takePosition(); });
                receiver.stop();
                other.join();
                break;
            }
        }
        blocked += receiver.positionPending();
        receiver.stop();
        EXPECT_FALSE(receiver.running());
        EXPECT_FALSE(receiver.positionPending());
        EXPECT_FALSE(receiver.takePosition());  // a late request of the queue finds nothing
    }
    EXPECT_GE(blocked, 0);
    receiver.port().close();
    QueuedConsumer consumer;
    EXPECT_FALSE(receiver.start(consumer));  // no open port, no reader
}

TEST(NmeaReceiver, StopFromTheConsumersOwnCallback) {
    class Stopping : public NmeaConsumer {
    public:
        void positionReady(NmeaReceiver& receiver) override {
            receiver.stop();  // only asks: the reader cannot wait for itself
            calls++;
        }
        void logWriteFailed(const std::string&, const std::string&) override {}
        std::atomic<int> calls{0};
    } consumer;
    PseudoTerminal pty;
    NmeaReceiver receiver;
    ASSERT_TRUE(receiver.openPort(pty.slavePath(), 4800));
    ASSERT_TRUE(receiver.start(consumer));
    auto p = BuiltinNmeaTrack(1)[0];
    const std::string epoch = FormatRmc(p) + FormatGga(p);
    for (int i = 0; i < 200 && consumer.calls == 0; ++i) {
        pty.writeAll(reinterpret_cast<const uint8_t*>(epoch.data()), epoch.size());
        std::this_thread::sleep_for(10ms);
    }
    for (int i = 0; i < 200 && receiver.running(); ++i) std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(receiver.running());
    receiver.stop();
    EXPECT_EQ(consumer.calls, 1);
}

TEST(NmeaReceiver, ReopenPauseGrowsFromAQuarterSecondToFourSeconds) {
    const std::pair<int, int> rows[] = {{1, 250}, {2, 500}, {3, 1000}, {4, 2000}, {5, 4000}, {6, 4000}, {1000, 4000}};
    for (auto [attempt, ms] : rows) EXPECT_EQ(NmeaReopenPauseMs(attempt), ms) << attempt;
}

// A USB receiver pulled out and plugged in again: its /dev/serial/by-id link
// disappears with the device and comes back pointing at the new one. Here the
// device is a pseudo-terminal whose master side closes.
TEST(NmeaReceiver, AReceiverPulledOutIsReopenedUnderTheSameName) {
    testing::TempDir dir;
    const std::string link = dir.file("usb-gps-if00");
    auto plug = [&](std::unique_ptr<PseudoTerminal>& pty) {
        pty = std::make_unique<PseudoTerminal>();
        ASSERT_TRUE(pty->ok());
        ASSERT_EQ(::symlink(pty->slavePath().c_str(), link.c_str()), 0);
    };
    auto pull = [&](std::unique_ptr<PseudoTerminal>& pty) {
        pty.reset();
        ::unlink(link.c_str());
    };
    auto track = BuiltinNmeaTrack(4);
    auto send = [&](PseudoTerminal& pty, size_t i) {
        const std::string epoch = FormatRmc(track[i]) + FormatGga(track[i]);
        pty.writeAll(reinterpret_cast<const uint8_t*>(epoch.data()), epoch.size());
    };

    std::unique_ptr<PseudoTerminal> pty;
    plug(pty);
    NmeaReceiver receiver;
    ASSERT_TRUE(receiver.openPort(link, 4800)) << receiver.portError();
    TakingConsumer consumer;
    ASSERT_TRUE(receiver.start(consumer));
    ASSERT_TRUE(receiver.waitUntilReading(5000));
    send(*pty, 0);
    ASSERT_TRUE(consumer.waitFor(1, 5000ms));

    for (size_t round = 1; round <= 2; ++round) {
        // Half a sentence, then the receiver goes: the half must not join the next line.
        pty->writeAll(reinterpret_cast<const uint8_t*>("$GPRMC,12"), 9);
        pull(pty);
        ASSERT_TRUE(consumer.waitForLost(true, 5000ms)) << round;
        EXPECT_TRUE(receiver.lost());
        EXPECT_TRUE(receiver.running());
        EXPECT_NE(receiver.problem().find(link), std::string::npos) << receiver.problem();
        // An attempt fails (the link is missing) before it comes back.
        {
            std::unique_lock lock(consumer.mutex);
            ASSERT_TRUE(consumer.changed.wait_for(lock, 5000ms, [&] {
                return consumer.problems.back().find(std::strerror(ENOENT)) != std::string::npos;
            }));
        }
        plug(pty);
        ASSERT_TRUE(consumer.waitForLost(false, 10000ms)) << round;
        EXPECT_EQ(receiver.problem(), "");
        send(*pty, round);
        ASSERT_TRUE(consumer.waitFor(round + 1, 5000ms)) << round;
        EXPECT_EQ(consumer.taken().back().utcTime, track[round].utc);
    }
    // Pulled again and stopped while it waits to reopen: the stop does not wait out the pause.
    pull(pty);
    ASSERT_TRUE(consumer.waitForLost(true, 5000ms));
    receiver.stop();
    EXPECT_FALSE(receiver.running());
    EXPECT_FALSE(receiver.lost());
    EXPECT_EQ(consumer.taken().size(), 3u);
    EXPECT_EQ(receiver.counters().linesRejected, 0u);
}

// The log in a file, and on a full disk: the failure reaches the consumer and reading goes on.
TEST(StartNmea, CorrectsTheSpeedAsksForTheLogAndLogsTheSentences) {
    for (const bool full : {false, true}) {
        SCOPED_TRACE(full ? "full disk" : "file");
        testing::TempDir dir;
        auto track = BuiltinNmeaTrack(20);
        NmeaSource source(track, 200.0, {}, false);
        source.hold();
        ASSERT_TRUE(source.start());

        AppSettings settings;
        settings.NMEABaudrate = 300;
        settings.CommDevice = source.devicePath();
        settings.DataPath = dir.path();
        settings.NMEASentence = "RMC;GGA";
        ScriptedPrompt prompt({Answer::Yes});
        ScriptedFileChooser chooser({full ? "/dev/full" : "/" + dir.file("track.")});
        NmeaReceiver receiver;
        TakingConsumer consumer;
        ASSERT_TRUE(StartNmea(receiver, settings, prompt, chooser, consumer));
        EXPECT_EQ(settings.NMEABaudrate, 4800u);
        EXPECT_EQ(receiver.port().baudRate(), 4800u);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.shown[0].text, "Do you wish to save NMEA sentence?");
        EXPECT_EQ(prompt.shown[0].buttons, Buttons::YesNo);
        ASSERT_EQ(chooser.calls.size(), 1u);
        EXPECT_TRUE(chooser.calls[0].save);
        EXPECT_EQ(chooser.calls[0].start, dir.path());
        EXPECT_EQ(chooser.calls[0].defaultExtension, "nme");
        ASSERT_EQ(chooser.calls[0].filters.size(), 2u);
        EXPECT_EQ(chooser.calls[0].filters[0].name, "NMEA file");
        EXPECT_EQ(chooser.calls[0].filters[0].pattern, "*.nme");
        EXPECT_EQ(chooser.calls[0].filters[1].name, "all files");
        EXPECT_EQ(chooser.calls[0].filters[1].pattern, "*.*");
        // On the full disk the reader closes the log at its first write, which
        // may come at once: only the reader may look at it then.
        if (!full) {
            EXPECT_TRUE(receiver.logOpen());
        }
        ASSERT_TRUE(receiver.waitUntilReading(5000));
        source.release();

        ASSERT_TRUE(source.waitFinished(10000));
        EXPECT_TRUE(consumer.waitFor(track.size(), 5000ms));
        StopNmea(receiver);
        EXPECT_FALSE(receiver.port().isOpen());
        EXPECT_FALSE(receiver.logOpen());
        // Every epoch of the simulator's track arrived intact.
        const auto got = consumer.taken();
        ASSERT_EQ(got.size(), track.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].utcTime, track[i].utc);
            EXPECT_NEAR(got[i].latitude, track[i].latitude, 1e-6);
            EXPECT_NEAR(got[i].longitude, track[i].longitude, 1e-6);
            EXPECT_NEAR(got[i].altitude, track[i].altitude, 0.051);
            EXPECT_NEAR(got[i].speedKmh, track[i].speedKmh, 0.01);
            EXPECT_EQ(got[i].course, static_cast<int>(track[i].course));
        }
        EXPECT_EQ(receiver.counters().linesRejected, 0u);
        if (full) {
            EXPECT_EQ(consumer.failures, std::vector<std::string>{"file write error\n" +
                                                                  std::string(std::strerror(ENOSPC)) + "|GetLastError=28"});
            continue;
        }
        EXPECT_TRUE(consumer.failures.empty());
        std::string expected;
        for (const auto& p : track) expected += FormatGga(p) + FormatRmc(p);
        // The first GGA comes before any valid RMC and is not logged.
        expected.erase(0, FormatGga(track[0]).size());
        EXPECT_EQ(readText(dir.file("track.nme")), expected);
    }
}

TEST(StartNmea, NoLogUnlessAskedAndChosenNorWithoutAPort) {
    PseudoTerminal pty;
    const std::string missing = "/dev/nonexistent-korvance-port";
    struct Row {
        Answer answer;
        std::optional<std::string> chosen;
        bool ownReceiver;  // a receiver of the program's own: its device, no log offered
        std::string device;
        size_t questions, dialogs;  // a port that does not open is one message and nothing runs
    } rows[] = {{Answer::No, std::nullopt, false, pty.slavePath(), 1, 0},
                {Answer::Yes, std::nullopt, false, pty.slavePath(), 1, 1},
                {Answer::Yes, "/tmp/never.nme", true, missing, 0, 0},
                {Answer::Yes, std::nullopt, false, missing, 1, 0}};
    for (const auto& row : rows) {
        AppSettings settings;
        settings.NMEABaudrate = 9600;
        settings.CommDevice = row.device;
        ScriptedPrompt prompt({row.answer});
        ScriptedFileChooser chooser({row.chosen});
        NmeaReceiver receiver;
        TakingConsumer consumer;
        NmeaStartOptions options;
        if (row.ownReceiver) options = {pty.slavePath(), false};
        const bool opens = row.ownReceiver || row.device != missing;
        ASSERT_EQ(StartNmea(receiver, settings, prompt, chooser, consumer, options), opens);
        EXPECT_EQ(settings.NMEABaudrate, 9600u);
        EXPECT_EQ(prompt.shown.size(), row.questions);
        EXPECT_EQ(chooser.calls.size(), row.dialogs);
        EXPECT_FALSE(receiver.logOpen());
        if (!opens) {
            EXPECT_NE(prompt.shown.at(0).text.find(missing), std::string::npos);
            EXPECT_EQ(prompt.shown.at(0).icon, Icon::Stop);
            EXPECT_FALSE(receiver.running());
        }
        StopNmea(receiver);
    }
}

TEST(StartNmea, SpeedRule) {
    struct Row {
        uint32_t stored, used;
    } rows[] = {{0, 4800}, {4799, 4800}, {4800, 4800}, {38400, 38400}, {115200, 115200}, {115201, 4800}};
    for (const auto& row : rows) {
        AppSettings settings;
        settings.NMEABaudrate = row.stored;
        EXPECT_EQ(CorrectNmeaBaudrate(settings), row.used);
        EXPECT_EQ(settings.NMEABaudrate, row.used);
    }
}

}  // namespace
}  // namespace korvance
