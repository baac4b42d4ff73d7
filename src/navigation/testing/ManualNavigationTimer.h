#pragma once
// A navigation timer that ticks only when a test fires it.

#include "navigation/NavigationTimer.h"

namespace korvance {

class ManualNavigationTimer : public NavigationTimer {
public:
    void start(uint32_t periodMs, std::function<void()> onTick) override {
        period_ = periodMs;
        onTick_ = std::move(onTick);
        active_ = true;
        ++starts_;
    }
    void stop() override { active_ = false; }
    bool active() const override { return active_; }
    uint32_t periodMs() const override { return period_; }

    // One period elapses: runs the tick when the timer is running. True when it ran.
    bool fire() {
        if (!active_ || !onTick_) return false;
        onTick_();
        return true;
    }
    int starts() const { return starts_; }

private:
    uint32_t period_ = 0;
    std::function<void()> onTick_;
    bool active_ = false;
    int starts_ = 0;
};

}  // namespace korvance
