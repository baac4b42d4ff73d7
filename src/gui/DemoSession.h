#pragma once
// `korvance --demo`: two simulated receivers on fresh pseudo-terminals for
// this run only, the demo map set, and the tour over it in the document.
// The NMEA receiver drives the tour; NMEA navigation reads it as it would a
// receiver of the user's, while the GPS menu's transfers talk to the Garmin
// receiver. Every setting of the run lives in memory (the program gives the
// demo a memory settings store), so nothing of it reaches the user's files.

#include <memory>
#include <string>

#include "maps/DemoMaps.h"
#include "sim/garmin/ReceiverSimulator.h"
#include "sim/nmea/NmeaSource.h"

namespace korvance {

class CKorvanceDoc;
class MainFrame;
class UserPrompt;

// The demo's receiver gives five positions a second of a drive at 140 km/h;
// read at a higher rate, the tour plays faster.
inline constexpr int kDemoPositionsPerSecond = 5;
inline constexpr double kDemoRate = kDemoPositionsPerSecond;
inline constexpr double kDemoSpeedKmh = 140.0;
// The tour in the document's route list.
inline constexpr const char* kDemoRouteName = "DEMO TOUR";

class DemoSession {
public:
    ~DemoSession() { stop(); }

    // Starts both receivers, the NMEA one writing `rateHz` positions a second
    // of the tour from `startUtc`; false (and the reason shown) when no
    // pseudo-terminal could be opened.
    bool startReceivers(double rateHz, int64_t startUtc, UserPrompt& prompt);
    // Puts the demo into a fresh document: the demo map set (found from the
    // program's path), the tour's waypoints and route, and the run's settings:
    // the Garmin receiver's device and the waypoint alarm at the reach distance,
    // so it sounds once as each waypoint of the route is reached.
    void load(CKorvanceDoc& doc, const std::string& programPath);
    // Once the window is shown: the view on the tour's start, route navigation
    // along the tour, and NMEA navigation on the demo's NMEA receiver.
    void run(MainFrame& frame);
    // Ends both receivers; safe to call twice.
    void stop();

    std::string garminDevice() const { return garmin_ ? garmin_->devicePath() : std::string(); }
    std::string nmeaDevice() const { return nmea_ ? nmea_->devicePath() : std::string(); }

private:
    std::unique_ptr<ReceiverSimulator> garmin_;
    std::unique_ptr<NmeaSource> nmea_;
    bool mapOpened_ = false;
};

}  // namespace korvance
