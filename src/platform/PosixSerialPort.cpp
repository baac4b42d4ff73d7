#include "platform/SerialPort.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace korvance {

namespace {

speed_t speedFor(uint32_t baud, bool* ok) {
    *ok = true;
    switch (baud) {
        case 1200: return B1200;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        case 230400: return B230400;
        default: *ok = false; return B9600;
    }
}

}  // namespace

std::string permissionRemedy(const std::string& device) {
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0) return {};
    const group* g = ::getgrgid(st.st_gid);
    if (!g || st.st_gid == 0 || !(st.st_mode & S_IRGRP) || !(st.st_mode & S_IWGRP))
        return " (ask the administrator for access to it)";
    const std::string name = g->gr_name;
    return " (members of the group \"" + name + "\" may use it: sudo usermod -aG " + name +
           " $USER, then log in again)";
}

PosixSerialPort::PosixSerialPort() {
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

PosixSerialPort::~PosixSerialPort() {
    close();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool PosixSerialPort::open(const std::string& device, uint32_t baud) {
    close();
    error_.clear();
    lost_ = false;
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        error_ = device + ": " + std::strerror(err);
        if (err == EACCES || err == EPERM) error_ += permissionRemedy(device);
        return false;
    }
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        error_ = device + ": not a serial device (" + std::strerror(errno) + ")";
        ::close(fd);
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &tio);
    fd_ = fd;
    device_ = device;
    if (!setBaudRate(baud)) {
        // Pseudo-terminals accept any speed; a real device that refuses one is unusable.
        error_ = device + ": cannot set " + std::to_string(baud) + " baud";
        close();
        return false;
    }
    return true;
}

void PosixSerialPort::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool PosixSerialPort::setBaudRate(uint32_t baud) {
    if (fd_ < 0) return false;
    bool ok = false;
    speed_t s = speedFor(baud, &ok);
    if (!ok) return false;
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) return false;
    cfsetispeed(&tio, s);
    cfsetospeed(&tio, s);
    if (tcsetattr(fd_, TCSADRAIN, &tio) != 0) return false;
    baud_ = baud;
    return true;
}

bool PosixSerialPort::writeAll(const uint8_t* data, size_t size) {
    if (fd_ < 0) return false;
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd_, data + done, size - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, 2000) <= 0) return false;  // the line stays blocked
            continue;
        }
        return false;
    }
    return true;
}

size_t PosixSerialPort::read(uint8_t* buffer, size_t max, int timeoutMs) {
    if (fd_ < 0 || max == 0) return 0;
    for (;;) {
        ssize_t n = ::read(fd_, buffer, max);
        if (n > 0) return static_cast<size_t>(n);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            // EIO, ENXIO, ENODEV: the device is gone (a pseudo-terminal
            // whose other side closed, an adapter pulled out).
            lost_ = true;
            return 0;
        }
        // Nothing there (n == 0 is a pseudo-terminal without its other side).
        if (timeoutMs == 0) return 0;
        pollfd p{fd_, POLLIN, 0};
        int r = ::poll(&p, 1, timeoutMs);
        if (r <= 0) return 0;
        if (!(p.revents & POLLIN)) {
            // Hang-up without data: wait out the timeout rather than spin.
            if (timeoutMs > 0) ::poll(nullptr, 0, timeoutMs);
            return 0;
        }
        timeoutMs = 0;
    }
}

int PosixSerialPort::readByte(int timeoutMs) {
    uint8_t b = 0;
    return read(&b, 1, timeoutMs) == 1 ? b : -1;
}

size_t PosixSerialPort::bytesQueued() {
    if (fd_ < 0) return 0;
    int n = 0;
    if (ioctl(fd_, FIONREAD, &n) != 0 || n < 0) return 0;
    return static_cast<size_t>(n);
}

void PosixSerialPort::flushInput() {
    if (fd_ < 0) return;
    tcflush(fd_, TCIFLUSH);
    uint8_t buf[256];
    while (::read(fd_, buf, sizeof buf) > 0) {
    }
}

bool PosixSerialPort::waitForData(int timeoutMs) {
    if (fd_ < 0) return false;
    pollfd p[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    int r = ::poll(p, wakeFd_ >= 0 ? 2 : 1, timeoutMs);
    if (r <= 0) return false;
    if (wakeFd_ >= 0 && (p[1].revents & POLLIN)) {
        uint64_t v = 0;
        [[maybe_unused]] ssize_t n = ::read(wakeFd_, &v, sizeof v);
        return false;
    }
    if (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        // A hung-up terminal also reports POLLIN; what it still holds may be
        // read, after that it is gone until it is opened again.
        if (bytesQueued() > 0) return true;
        lost_ = true;
        return false;
    }
    return (p[0].revents & POLLIN) != 0;
}

void PosixSerialPort::wake() {
    if (wakeFd_ < 0) return;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

std::vector<std::string> listSerialDevices() {
    std::vector<std::string> out;
    namespace fs = std::filesystem;
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        std::vector<std::pair<long, std::string>> found;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator("/dev", ec)) {
            std::string name = e.path().filename().string();
            if (name.rfind(prefix, 0) != 0) continue;
            std::string digits = name.substr(std::strlen(prefix));
            if (digits.empty() || !std::all_of(digits.begin(), digits.end(), ::isdigit)) continue;
            found.emplace_back(std::stol(digits), e.path().string());
        }
        std::sort(found.begin(), found.end());
        for (auto& f : found) out.push_back(f.second);
    }
    return out;
}

std::string serialDeviceForPort(int portNumber) {
    if (portNumber < 1) return {};
    auto devices = listSerialDevices();
    if (static_cast<size_t>(portNumber) > devices.size()) return {};
    return devices[static_cast<size_t>(portNumber) - 1];
}

std::string resolveSerialDevice(const std::string& explicitDevice, int portNumber) {
    return explicitDevice.empty() ? serialDeviceForPort(portNumber) : explicitDevice;
}

std::string serialByIdName(const std::string& device, const std::string& byIdFolder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target = fs::canonical(device, ec);
    if (ec) return {};
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(byIdFolder, ec)) {
        std::error_code linkError;
        if (fs::canonical(e.path(), linkError) == target && !linkError) names.push_back(e.path().filename().string());
    }
    // One device may have several names (one per interface); the first in order is stable.
    std::sort(names.begin(), names.end());
    return names.empty() ? std::string() : names.front();
}

std::string describeSerialPort(const std::string& explicitDevice, int portNumber, const std::string& byIdFolder) {
    const std::string device = resolveSerialDevice(explicitDevice, portNumber);
    if (device.empty()) return "none";
    const std::string byId = serialByIdName(device, byIdFolder);
    std::string text = device;
    if (!byId.empty()) text += " (" + byId + ")";
    if (!explicitDevice.empty()) text += " (set by CommDevice)";
    return text;
}

}  // namespace korvance
