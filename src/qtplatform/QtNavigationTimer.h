#pragma once
// The navigation timer of the program: a QTimer on the user-interface thread.

#include <QTimer>

#include "navigation/NavigationTimer.h"

namespace korvance {

class QtNavigationTimer : public NavigationTimer {
public:
    QtNavigationTimer();
    void start(uint32_t periodMs, std::function<void()> onTick) override;
    void stop() override { timer_.stop(); }
    bool active() const override { return timer_.isActive(); }
    uint32_t periodMs() const override { return static_cast<uint32_t>(timer_.interval()); }

private:
    QTimer timer_;
    std::function<void()> onTick_;
};

}  // namespace korvance
