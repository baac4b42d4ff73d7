#pragma once
// The gpsd monitor's work: keeps a connection to gpsd (reconnecting with a
// growing pause when the daemon is away or restarts), watches its JSON
// reports and posts the newest position over the monitor link to the view,
// at most one position every `minGap`. Returns when the view ends the link,
// when `stop` is set (by a signal), or when gpsd speaks another major
// protocol. POSIX sockets, one thread.

#include <chrono>
#include <csignal>
#include <ostream>
#include <string>

namespace korvance {

struct GpsdMonitorOptions {
    std::string host;
    int port = 0;
    int viewFd = -1;  // the connected monitor link
    std::chrono::milliseconds minGap{250};
    std::chrono::milliseconds firstPause{1000}, longestPause{30000};
    std::chrono::milliseconds answerTimeout{5000};  // for the connection and gpsd's VERSION report
    // Signals unblocked only while waiting (ppoll), so a stop signal is
    // never lost between a check of `stop` and the wait.
    const sigset_t* waitMask = nullptr;
    const volatile sig_atomic_t* stop = nullptr;
};

enum class GpsdMonitorEnd { ViewEnded, Stopped, UnknownProtocol };

// Messages (connections, failures with the system's reason, gpsd's errors)
// go to `log`, one line each, naming host:port.
GpsdMonitorEnd RunGpsdMonitor(const GpsdMonitorOptions& options, std::ostream& log);

}  // namespace korvance
