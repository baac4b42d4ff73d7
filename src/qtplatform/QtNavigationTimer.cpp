#include "qtplatform/QtNavigationTimer.h"

namespace korvance {

QtNavigationTimer::QtNavigationTimer() {
    // Polling a receiver once a second wants the interval kept, not rounded to a coarse slot.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (onTick_) onTick_();
    });
}

void QtNavigationTimer::start(uint32_t periodMs, std::function<void()> onTick) {
    onTick_ = std::move(onTick);
    timer_.start(static_cast<int>(periodMs));
}

}  // namespace korvance
