#pragma once
// A consumer of the NMEA reader for tests: takes every position on the reader
// thread and keeps it, with the failures of the sentence log.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "nmea/NmeaReceiver.h"

namespace korvance {

class TakingConsumer : public NmeaConsumer {
public:
    void positionReady(NmeaReceiver& receiver) override {
        NmeaPosition p;
        if (!receiver.takePosition(&p)) return;
        std::lock_guard lock(mutex);
        positions.push_back(p);
        changed.notify_all();
    }
    void logWriteFailed(const std::string& text, const std::string& caption) override {
        std::lock_guard lock(mutex);
        failures.push_back(text + "|" + caption);
    }
    void connectionChanged(NmeaReceiver& receiver) override {
        std::lock_guard lock(mutex);
        lostStates.push_back(receiver.lost());
        problems.push_back(receiver.problem());
        changed.notify_all();
    }
    // Waits until the receiver says it is lost (or back).
    bool waitForLost(bool lost, std::chrono::milliseconds timeout) {
        return waitUntil([&] { return !lostStates.empty() && lostStates.back() == lost; }, timeout);
    }
    bool waitFor(size_t count, std::chrono::milliseconds timeout) {
        return waitUntil([&] { return positions.size() >= count; }, timeout);
    }
    // Waits until `done` (called under the lock) holds.
    bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, done);
    }
    std::vector<NmeaPosition> taken() {
        std::lock_guard lock(mutex);
        return positions;
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<NmeaPosition> positions;
    std::vector<std::string> failures;
    std::vector<bool> lostStates;
    std::vector<std::string> problems;
};

}  // namespace korvance
