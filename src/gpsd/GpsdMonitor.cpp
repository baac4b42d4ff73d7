#include "gpsd/GpsdMonitor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "gpsd/GpsdReports.h"
#include "view/CKorvanceView.h"
#include "view/MonitorLink.h"

namespace korvance {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A report longer than this is not one of gpsd's; it is skipped to its line end.
constexpr size_t kLongestLine = 64 * 1024;
// How long a position without a time waits for the report of the same epoch
// that brings it (gpsd knows the time only once a sentence with the date came).
constexpr milliseconds kTimeWait{1000};

class Monitor {
public:
    Monitor(const GpsdMonitorOptions& o, std::ostream& log)
        : o_(o), log_(log), pause_(o.firstPause), server_(o.host.find(':') != std::string::npos
                                                             ? "[" + o.host + "]:" + std::to_string(o.port)
                                                             : o.host + ":" + std::to_string(o.port)) {}
    ~Monitor() { closeGpsd(); }

    GpsdMonitorEnd run();

private:
    enum class State { Waiting, Connecting, Greeting, Watching };

    bool stopped() const { return o_.stop && *o_.stop; }
    // False when the view has gone.
    bool flush();
    bool viewStillThere();
    void startConnect();
    void tryNextAddress();
    void connected();
    void fail(const std::string& reason);
    void closeGpsd();
    // False when the run must end (an unknown protocol).
    bool readGpsd();
    bool line(std::string_view text);
    void offer(const GpsdFix& fix);
    void queuePending(Clock::time_point now);
    // When the waiting position may go out.
    Clock::time_point sendTime() const {
        const auto gap = lastSent_ + o_.minGap;
        return pending_->time ? gap : std::max(gap, pendingSince_ + kTimeWait);
    }

    const GpsdMonitorOptions& o_;
    std::ostream& log_;
    milliseconds pause_;
    const std::string server_;

    State state_ = State::Waiting;
    Clock::time_point until_{};  // Waiting: next attempt; Connecting/Greeting: give up
    int fd_ = -1;
    addrinfo* addresses_ = nullptr;
    addrinfo* next_ = nullptr;
    std::string lastError_;
    std::string in_;
    bool skipping_ = false;  // inside an over-long line

    std::optional<GpsdFix> pending_;  // the newest position not yet sent
    std::optional<GpsdFix> last_;     // the position last taken (sent or pending)
    std::vector<uint8_t> out_;        // records on their way to the view
    Clock::time_point lastSent_{};
    Clock::time_point pendingSince_{};
};

GpsdMonitorEnd Monitor::run() {
    until_ = Clock::now();
    while (!stopped()) {
        const auto now = Clock::now();
        if (state_ == State::Waiting && now >= until_) startConnect();
        if ((state_ == State::Connecting || state_ == State::Greeting) && now >= until_)
            fail(state_ == State::Connecting ? "no answer to the connection" : "no VERSION report: is this gpsd?");
        queuePending(now);

        // gpsd's reports are read the moment they come, so it never drops us as a
        // slow client; the wait also ends for the next attempt or position.
        auto wake = now + milliseconds(1000);
        if (state_ != State::Watching) wake = std::min(wake, until_);
        if (pending_ && out_.empty()) wake = std::min(wake, sendTime());
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(wake - now, Clock::duration{}));
        timespec ts{static_cast<time_t>(wait.count() / 1000000000), static_cast<long>(wait.count() % 1000000000)};

        pollfd fds[2] = {{o_.viewFd, static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0}, {-1, 0, 0}};
        if (fd_ >= 0) fds[1] = {fd_, static_cast<short>(state_ == State::Connecting ? POLLOUT : POLLIN), 0};
        const int n = ::ppoll(fds, fd_ >= 0 ? 2 : 1, &ts, o_.waitMask);
        if (n < 0) {
            if (errno == EINTR) continue;
            log_ << "korvance-gpsd-monitor: poll: " << std::strerror(errno) << "\n";
            return GpsdMonitorEnd::Stopped;
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            if (!viewStillThere()) return GpsdMonitorEnd::ViewEnded;
        }
        if ((fds[0].revents & POLLOUT) && !flush()) return GpsdMonitorEnd::ViewEnded;
        if (fd_ >= 0 && fds[1].revents) {
            if (state_ == State::Connecting) {
                int error = 0;
                socklen_t len = sizeof error;
                if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
                if (error == 0) {
                    connected();
                } else {
                    lastError_ = std::strerror(error);
                    ::close(fd_);
                    fd_ = -1;
                    tryNextAddress();
                }
            } else if (!readGpsd()) {
                return GpsdMonitorEnd::UnknownProtocol;
            }
        }
    }
    return GpsdMonitorEnd::Stopped;
}

bool Monitor::viewStillThere() {
    // The view never writes; end of file or an error means it closed the link.
    char buf[256];
    for (;;) {
        const ssize_t n = ::recv(o_.viewFd, buf, sizeof buf, MSG_DONTWAIT);
        if (n > 0) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        if (n < 0 && errno == EINTR) continue;
        return false;
    }
}

bool Monitor::flush() {
    while (!out_.empty()) {
        const ssize_t n = ::send(o_.viewFd, out_.data(), out_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            out_.erase(out_.begin(), out_.begin() + n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;  // the rest when the view reads
        if (n < 0 && errno == EINTR) continue;
        return false;
    }
    return true;
}

void Monitor::queuePending(Clock::time_point now) {
    // A new position waits until the previous one is wholly sent and the gap
    // has passed; meanwhile a newer one replaces it, so the view gets the newest.
    if (!pending_ || !out_.empty() || now < sendTime()) return;
    const GpsdFix& f = *pending_;
    auto add = [this](uint32_t item, int32_t value) {
        uint8_t r[kMonitorRecordSize];
        EncodeMonitorRecord(r, item, value);
        out_.insert(out_.end(), r, r + sizeof r);
    };
    add(kMonitorLatitude, f.latitude);
    add(kMonitorLongitude, f.longitude);
    if (f.height) add(kMonitorHeight, *f.height);
    if (f.time) add(kMonitorTime, *f.time);
    add(kMonitorCommit, 0);
    pending_.reset();
    lastSent_ = now;
    flush();  // a vanished view is noticed by the next poll
}

void Monitor::offer(const GpsdFix& fix) {
    // gpsd reports an epoch more than once while it learns the receiver's
    // cycle (a TPV per sentence), the time joining once a sentence with the
    // date came. The same place at the same (or an unknown) time is not news:
    // it completes the position still waiting, or is dropped.
    if (last_ && last_->latitude == fix.latitude && last_->longitude == fix.longitude &&
        (last_->time == fix.time || !last_->time || !fix.time)) {
        if (pending_) {
            if (fix.height) pending_->height = fix.height;
            if (fix.time) pending_->time = fix.time;
            last_ = pending_;
        }
        return;
    }
    last_ = fix;
    // A newer position replacing one that waits keeps its place in the queue.
    if (!pending_) pendingSince_ = Clock::now();
    pending_ = fix;
}

void Monitor::startConnect() {
    closeGpsd();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    const std::string port = std::to_string(o_.port);
    const int rc = ::getaddrinfo(o_.host.c_str(), port.c_str(), &hints, &addresses_);
    if (rc != 0) {
        addresses_ = nullptr;
        fail(rc == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(rc));
        return;
    }
    next_ = addresses_;
    lastError_ = "no address";
    tryNextAddress();
}

void Monitor::tryNextAddress() {
    while (next_) {
        const addrinfo* a = next_;
        next_ = a->ai_next;
        fd_ = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd_ < 0) {
            lastError_ = std::strerror(errno);
            continue;
        }
        if (::connect(fd_, a->ai_addr, a->ai_addrlen) == 0) {
            connected();
            return;
        }
        if (errno == EINPROGRESS) {
            state_ = State::Connecting;
            until_ = Clock::now() + o_.answerTimeout;
            return;
        }
        lastError_ = std::strerror(errno);
        ::close(fd_);
        fd_ = -1;
    }
    fail(lastError_);
}

void Monitor::connected() {
    ::freeaddrinfo(addresses_);
    addresses_ = next_ = nullptr;
    // A silent network path is found out by the system rather than never.
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    state_ = State::Greeting;
    until_ = Clock::now() + o_.answerTimeout;
    in_.clear();
    skipping_ = false;
}

void Monitor::fail(const std::string& reason) {
    closeGpsd();
    log_ << "korvance-gpsd-monitor: " << server_ << ": " << reason << "; trying again in "
         << std::chrono::duration_cast<std::chrono::seconds>(pause_ + milliseconds(999)).count() << " s" << std::endl;
    state_ = State::Waiting;
    until_ = Clock::now() + pause_;
    pause_ = std::min(pause_ * 2, o_.longestPause);
}

void Monitor::closeGpsd() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (addresses_) ::freeaddrinfo(addresses_);
    addresses_ = next_ = nullptr;
}

bool Monitor::readGpsd() {
    char buf[16384];
    const ssize_t n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
    if (n == 0) {
        fail("gpsd closed the connection");
        return true;
    }
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) fail(std::strerror(errno));
        return true;
    }
    in_.append(buf, static_cast<size_t>(n));
    size_t start = 0;
    for (size_t end; (end = in_.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string_view text(in_.data() + start, end - start);
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        if (skipping_) {
            skipping_ = false;
            continue;
        }
        if (!line(text)) return false;
        if (fd_ < 0) return true;  // the connection was given up
        // Sent now when it may be, before a report later in this read replaces it.
        queuePending(Clock::now());
    }
    in_.erase(0, start);
    if (in_.size() > kLongestLine) {
        in_.clear();
        skipping_ = true;
    }
    return true;
}

bool Monitor::line(std::string_view text) {
    const GpsdReport r = ParseGpsdReport(text);
    if (state_ == State::Greeting) {
        if (r.kind != GpsdReport::Version) {
            fail("its first report is not VERSION: is this gpsd?");
            return true;
        }
        if (r.protoMajor != kGpsdProtocolMajor) {
            log_ << "korvance-gpsd-monitor: " << server_ << " speaks gpsd protocol " << r.protoMajor << "."
                 << r.protoMinor << "; this monitor knows protocol " << kGpsdProtocolMajor << " only" << std::endl;
            return false;
        }
        const std::string watch = kGpsdWatch;
        if (::send(fd_, watch.data(), watch.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(watch.size())) {
            fail(std::strerror(errno));
            return true;
        }
        log_ << "korvance-gpsd-monitor: connected to gpsd " << r.text << " at " << server_ << " (protocol "
             << r.protoMajor << "." << r.protoMinor << ")" << std::endl;
        state_ = State::Watching;
        pause_ = o_.firstPause;
        return true;
    }
    switch (r.kind) {
        case GpsdReport::Fix: offer(r.fix); break;
        case GpsdReport::Error: log_ << "korvance-gpsd-monitor: gpsd at " << server_ << ": " << r.text << std::endl; break;
        default: break;  // other classes, and lines that are not reports
    }
    return true;
}

}  // namespace

GpsdMonitorEnd RunGpsdMonitor(const GpsdMonitorOptions& options, std::ostream& log) {
    Monitor m(options, log);
    return m.run();
}

}  // namespace korvance
