#pragma once
// A link on a pseudo-terminal with the pauses of a real receiver taken out
// (a fixed clock), and a simulator at the other end when wanted.

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "data/DocumentData.h"
#include "garmin/GarminLink.h"
#include "garmin/GpsCommands.h"
#include "platform/Clock.h"
#include "platform/PseudoTerminal.h"
#include "sim/garmin/ReceiverSimulator.h"

namespace korvance::testing {

inline LinkOptions quickOptions(int byteTimeoutMs = 200) {
    LinkOptions o;
    o.writeWaitMs = 100;
    o.openWaitMs = 500;
    o.byteTimeoutMs = byteTimeoutMs;
    return o;
}

// Reads what the host wrote to the pty's master until `n` bytes arrived or
// the line stayed quiet for `quietMs`.
inline std::vector<uint8_t> drain(PseudoTerminal& pty, size_t n = SIZE_MAX, int quietMs = 200) {
    std::vector<uint8_t> out;
    uint8_t buf[1024];
    while (out.size() < n) {
        size_t got = pty.read(buf, sizeof buf, quietMs);
        if (!got) break;
        out.insert(out.end(), buf, buf + got);
    }
    return out;
}

// A document's parts as the receiver commands see them, the pauses of the
// line taken out; the caller points CommDevice at its receiver.
struct GpsDoc {
    GpsDoc() {
        settings.Comm_WriteFile_Wait = 0;
        settings.CommOpenWait = 0;
    }
    AppSettings settings;
    FixedClock clock;
    DocumentData data{500, 20, 30, settings.CodePage, clock};
    Datum datum{"WGS 84"};
    GpsCommandDoc a{data, settings, datum, clock};
    std::unique_ptr<TrackField>& track = data.trackLog.track;
    WaypointList& waypoints = data.waypoints;
    CRouteField& routes = data.routes;
    int32_t& bias = data.trackLog.timeZoneBias;
};

}  // namespace korvance::testing
