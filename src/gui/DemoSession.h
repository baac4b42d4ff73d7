#pragma once
// `korvance --demo`: the receiver simulator on a fresh pseudo-terminal for this
// run only (its device path never goes into the settings) and the demo map list
// loaded. The simulator ends with the session.

#include <memory>
#include <string>

#include "maps/DemoMaps.h"
#include "maps/MapCommands.h"
#include "sim/garmin/ReceiverSimulator.h"

namespace korvance {

class DemoSession {
public:
    ~DemoSession() { stop(); }
    // Starts the simulator; false when no pseudo-terminal could be opened.
    bool startReceiver();
    // Loads the demo list and opens its first map; 0 when the demo maps are missing.
    int loadMaps(MapSet& maps, const std::string& folder, const CodePage& codePage, MapCommandState& state,
                 UserPrompt& prompt);
    // The simulator's device path for this run ("" before start).
    std::string devicePath() const;
    // Where the simulated receiver is (the last point of its track log), in WGS 84.
    void receiverPosition(double& latitude, double& longitude) const;
    void stop();

private:
    std::unique_ptr<ReceiverSimulator> sim_;
};

}  // namespace korvance
