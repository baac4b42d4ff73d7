#include "qtplatform/QtCallQueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace korvance {

QtCallQueue::QtCallQueue(QObject* parent) : QObject(parent), eventFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (eventFd_ < 0) qFatal("korvance: no eventfd for calls to the user-interface thread");
    notifier_ = new QSocketNotifier(eventFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { serve(); });
}

QtCallQueue::~QtCallQueue() {
    delete notifier_;
    ::close(eventFd_);
}

void QtCallQueue::post(std::function<void()> call) {
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(eventFd_, &one, sizeof one);
}

void QtCallQueue::serve() {
    uint64_t count = 0;
    [[maybe_unused]] ssize_t n = ::read(eventFd_, &count, sizeof count);
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard lock(mutex_);
            if (calls_.empty()) return;
            call = std::move(calls_.front());
            calls_.pop_front();
        }
        call();
    }
}

}  // namespace korvance
