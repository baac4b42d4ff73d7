#pragma once
// Starts the NMEA monitor (or any other program) without waiting for it.

#include "platform/Process.h"

namespace korvance {

class QtProcess : public Process {
public:
    // The argument text is split as a shell would split it, quotes kept
    // together, nothing expanded. False when the program cannot be started.
    bool start(const std::string& program, const std::string& arguments) override;
};

}  // namespace korvance
