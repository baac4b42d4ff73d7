#include "platform/PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace korvance {

PseudoTerminal::PseudoTerminal() {
    int fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    if (grantpt(fd) != 0 || unlockpt(fd) != 0) {
        ::close(fd);
        return;
    }
    char name[128];
    if (ptsname_r(fd, name, sizeof name) != 0) {
        ::close(fd);
        return;
    }
    slave_ = name;
    // Raw mode on the slave so that no byte is translated or echoed.
    keepSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (keepSlave_ >= 0) {
        termios tio{};
        if (tcgetattr(keepSlave_, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(keepSlave_, TCSANOW, &tio);
        }
    }
    int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    fd_ = fd;
}

PseudoTerminal::~PseudoTerminal() {
    if (keepSlave_ >= 0) ::close(keepSlave_);
    if (fd_ >= 0) ::close(fd_);
}

bool PseudoTerminal::writeAll(const uint8_t* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd_, data + done, size - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, 2000) <= 0) return false;
            continue;
        }
        return false;
    }
    return true;
}

size_t PseudoTerminal::read(uint8_t* buffer, size_t max, int timeoutMs) {
    for (;;) {
        ssize_t n = ::read(fd_, buffer, max);
        if (n > 0) return static_cast<size_t>(n);
        if (n < 0 && errno == EINTR) continue;
        if (timeoutMs == 0) return 0;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN)) return 0;
        timeoutMs = 0;
    }
}

}  // namespace korvance
