#pragma once
// What the view's navigation needs of its host (the GUI's view widget, the
// CLI's navigate command, a test): the timer that paces Garmin polling, the
// alarm's sound, NMEA reception with its hand-off onto the user-interface
// thread, and the main window's status line.

#include <string>

#include "navigation/NavigationTimer.h"
#include "platform/Sound.h"

namespace korvance {

struct AppSettings;
class UserPrompt;

class NavigationHost {
public:
    virtual ~NavigationHost() = default;
    virtual NavigationTimer& navigationTimer() = 0;
    virtual Sound& sound() = 0;
    // Starts NMEA reception for "N&MEA Navigation" (StartNmea: the port of
    // CommDevice / CommPort at NMEABaudrate, the "Do you wish to save NMEA
    // sentence?" question with its log, the reader). Every position comes
    // back through CKorvanceView::nmeaPosition on the user-interface thread.
    // False: nothing started and the reason has been shown (a port that cannot
    // be opened is named).
    virtual bool startNmea(AppSettings& settings, UserPrompt& prompt) = 0;
    // Ends reception (StopNmea); must not wait for a hand-off the
    // user-interface thread has not taken. NmeaFeed does both.
    virtual void stopNmea() = 0;
    // The main window's status line ("" clears it), e.g. while a receiver is lost.
    virtual void showStatus(const std::string&) {}
};

}  // namespace korvance
