#include "view/MonitorLink.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace korvance {

void EncodeMonitorRecord(uint8_t out[kMonitorRecordSize], uint32_t item, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(item >> (8 * i));
        out[4 + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

std::string MonitorFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return {};
    return std::string(runtime) + "/korvance-monitor";
}

std::string MonitorSocketPath(uint32_t token) {
    char name[16];
    std::snprintf(name, sizeof name, "%x", token);
    const std::string folder = MonitorFolder();
    return folder.empty() ? std::string() : folder + "/" + name;
}

namespace {

bool fillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

MonitorLink::~MonitorLink() { close(); }

bool MonitorLink::open(uint32_t token, std::string& problem) {
    close();
    const std::string folder = MonitorFolder();
    if (folder.empty()) {
        problem = "XDG_RUNTIME_DIR is not set";
        return false;
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        problem = folder + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        (st.st_mode & 077) != 0) {
        problem = folder + ": not a private folder of this user";
        return false;
    }
    const std::string path = MonitorSocketPath(token);
    sockaddr_un address{};
    if (!fillAddress(path, address)) {
        problem = path + ": path too long";
        return false;
    }
    // A socket left behind by an earlier run of ours is replaced; anything else stays.
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode) || st.st_uid != ::geteuid()) {
            problem = path + ": exists and is not ours";
            return false;
        }
        ::unlink(path.c_str());
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        problem = std::strerror(errno);
        return false;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0) {
        problem = path + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    ::chmod(path.c_str(), 0600);
    listener_ = fd;
    token_ = token;
    path_ = path;
    return true;
}

void MonitorLink::close() {
    for (Peer& p : peers_) ::close(p.fd);
    peers_.clear();
    if (listener_ >= 0) {
        ::close(listener_);
        ::unlink(path_.c_str());
    }
    listener_ = -1;
    path_.clear();
}

bool MonitorLink::pending() const {
    for (const Peer& p : peers_)
        if (p.bytes.size() >= kMonitorRecordSize) return true;
    return false;
}

size_t MonitorLink::poll(const std::function<void(int32_t, int32_t)>& deliver, size_t budget) {
    if (listener_ < 0) return 0;
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) break;
        ucred cred{};
        socklen_t len = sizeof cred;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != ::geteuid()) {
            ::close(fd);  // another user's program: never heard
            continue;
        }
        peers_.push_back({fd, {}});
    }
    size_t delivered = 0;
    for (size_t i = 0; i < peers_.size();) {
        Peer& p = peers_[i];
        bool ended = false;
        // Read no more than the budget needs, so that a flood stays in the socket.
        while (p.bytes.size() < budget * kMonitorRecordSize) {
            uint8_t buf[512];
            const ssize_t n = ::read(p.fd, buf, sizeof buf);
            if (n > 0) {
                p.bytes.insert(p.bytes.end(), buf, buf + n);
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) ended = true;
            break;
        }
        size_t used = 0;
        while (delivered < budget && p.bytes.size() - used >= kMonitorRecordSize) {
            const uint8_t* r = p.bytes.data() + used;
            uint32_t item = 0, value = 0;
            for (int k = 0; k < 4; ++k) {
                item |= uint32_t(r[k]) << (8 * k);
                value |= uint32_t(r[4 + k]) << (8 * k);
            }
            used += kMonitorRecordSize;
            ++delivered;
            // Item numbers beyond the signed range are nobody's: not handed on.
            if (item <= 0x7FFFFFFFu) deliver(static_cast<int32_t>(item), static_cast<int32_t>(value));
        }
        p.bytes.erase(p.bytes.begin(), p.bytes.begin() + static_cast<long>(used));
        if (ended && p.bytes.size() < kMonitorRecordSize) {
            ::close(p.fd);  // a monitor that went away leaves nothing behind
            peers_.erase(peers_.begin() + static_cast<long>(i));
            continue;
        }
        ++i;
    }
    return delivered;
}

int ConnectMonitor(uint32_t token) {
    sockaddr_un address{};
    if (!fillAddress(MonitorSocketPath(token), address)) return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace korvance
