#include "nmea/NmeaLog.h"

#include "platform/SystemError.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace korvance {

std::string LastErrorCaption(unsigned long code) { return "GetLastError=" + std::to_string(code); }
std::string LogWriteFailureText(int code) { return std::string(kMsgFileWriteError) + "\n" + systemErrorText(code); }

std::string TidyNmeaLogPath(std::string path) {
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 2 && separator(path[0]) && separator(path[1])) path.erase(0, 1);
    if (!path.empty() && path.back() == '.') path += "nme";
    return path;
}

bool NmeaLog::open(const std::string& path) {
    close();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error_ = errno;
        return false;
    }
    fd_ = fd;
    error_ = 0;
    path_ = path;
    return true;
}

void NmeaLog::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool NmeaLog::write(std::string_view line) {
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    while (!line.empty()) {
        ssize_t n = ::write(fd_, line.data(), line.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = n < 0 ? errno : EIO;
            return false;
        }
        line.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace korvance
