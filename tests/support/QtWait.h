#pragma once
// Waits, with the event loop running, until `done` holds (QTRY_* would only
// tell QTest's own log, not the test).

#include <QElapsedTimer>
#include <QTest>

#include <functional>

namespace korvance::testing {

inline bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QTest::qWait(10);
    }
    return true;
}

}  // namespace korvance::testing
