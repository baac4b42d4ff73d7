#pragma once
// The navigation timer that paces Garmin polling: a QTimer in the program, a
// timer fired by hand in tests.

#include <cstdint>
#include <functional>

namespace korvance {

class NavigationTimer {
public:
    virtual ~NavigationTimer() = default;
    // (Re)starts the timer: `onTick` runs every periodMs on the user-interface thread.
    virtual void start(uint32_t periodMs, std::function<void()> onTick) = 0;
    virtual void stop() = 0;
    virtual bool active() const = 0;
    virtual uint32_t periodMs() const = 0;
};

}  // namespace korvance
