#pragma once
// Calls posted from any thread, run on the user-interface thread by its event
// loop, in order: how the NMEA reader's hand-off reaches the navigation tick.
//
// A posting thread only appends to a queue under a mutex of ours and writes
// to an eventfd that a QSocketNotifier watches; no Qt object is touched off
// the user-interface thread. So ThreadSanitizer sees every hand-over between
// the threads, which it cannot inside Qt's own cross-thread event queue.

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

class QSocketNotifier;

namespace korvance {

class QtCallQueue : public QObject {
public:
    explicit QtCallQueue(QObject* parent = nullptr);
    ~QtCallQueue() override;
    QtCallQueue(const QtCallQueue&) = delete;
    QtCallQueue& operator=(const QtCallQueue&) = delete;

    // Any thread.
    void post(std::function<void()> call);
    // User-interface thread: runs what waits now (the event loop does this by
    // itself). A call that opens a dialog runs a nested event loop, which
    // serves the calls posted meanwhile.
    void serve();

private:
    int eventFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    std::mutex mutex_;
    std::deque<std::function<void()>> calls_;
};

}  // namespace korvance
