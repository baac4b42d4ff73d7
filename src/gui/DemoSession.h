#pragma once
// `korvance --demo`: the receiver simulator on a fresh pseudo-terminal for this
// run only (its device path never goes into the settings). The simulator ends
// with the session; the demo map list is opened like any other.

#include <memory>
#include <string>

#include "maps/DemoMaps.h"
#include "sim/garmin/ReceiverSimulator.h"

namespace korvance {

class DemoSession {
public:
    ~DemoSession() { stop(); }
    // Starts the simulator; false when no pseudo-terminal could be opened.
    bool startReceiver();
    // The simulator's device path for this run ("" before start).
    std::string devicePath() const;
    // Where the simulated receiver is (the last point of its track log), in WGS 84.
    void receiverPosition(double& latitude, double& longitude) const;
    void stop();

private:
    std::unique_ptr<ReceiverSimulator> sim_;
};

}  // namespace korvance
