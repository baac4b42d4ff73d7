#include "platform/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvance {

namespace {
constexpr size_t kBufferSize = 256 * 1024;

mode_t newFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}
}  // namespace

AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile() {
    if (!committed_) discard();
}

bool AtomicFile::open() {
    if (fd_ >= 0) return true;
    std::string pattern = path_ + ".kvtmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        fail(errno);
        return false;
    }
    fd_ = fd;
    temp_ = name.data();
    // mkstemp makes the file private; give it the mode the target has (or
    // would get when created afresh).
    struct stat st {};
    mode_t mode = (::stat(path_.c_str(), &st) == 0) ? (st.st_mode & 07777) : newFileMode();
    (void)::fchmod(fd_, mode);
    buffer_.reserve(kBufferSize);
    return true;
}

void AtomicFile::fail(int err) {
    if (error_ == 0) error_ = err ? err : EIO;
}

bool AtomicFile::flush() {
    size_t done = 0;
    while (done < buffer_.size()) {
        ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
            buffer_.clear();
            return false;
        }
        done += size_t(n);
    }
    buffer_.clear();
    return true;
}

bool AtomicFile::write(const void* data, size_t size) {
    if (fd_ < 0 || error_) {
        if (!error_) fail(EBADF);
        return false;
    }
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (buffer_.size() + size <= kBufferSize) {
        buffer_.insert(buffer_.end(), p, p + size);
        return true;
    }
    if (!flush()) return false;
    if (size < kBufferSize) {
        buffer_.insert(buffer_.end(), p, p + size);
        return true;
    }
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd_, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
            return false;
        }
        done += size_t(n);
    }
    return true;
}

bool AtomicFile::commit() {
    if (fd_ < 0 || error_) {
        if (!error_) fail(EBADF);
        discard();
        return false;
    }
    if (!flush() || ::fsync(fd_) != 0) {
        fail(errno);
        discard();
        return false;
    }
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        fail(errno);
        discard();
        return false;
    }
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        fail(errno);
        discard();
        return false;
    }
    committed_ = true;
    temp_.clear();
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    buffer_.clear();
}

std::optional<FileStamp> fileStampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileStamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                     static_cast<uint64_t>(st.st_size), static_cast<int64_t>(st.st_mtim.tv_sec),
                     static_cast<int64_t>(st.st_mtim.tv_nsec)};
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& out, int* error, size_t maxBytes) {
    auto setError = [&](int e) {
        if (error) *error = e;
        return false;
    };
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return setError(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int e = errno;
        ::close(fd);
        return setError(e);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return setError(EISDIR);
    }
    if (st.st_size < 0 || uint64_t(st.st_size) > maxBytes) {
        ::close(fd);
        return setError(EFBIG);
    }
    std::vector<uint8_t> data(size_t(st.st_size));
    size_t done = 0;
    for (;;) {
        if (done == data.size()) {
            // The file may have grown (or be a pipe-like file with size 0).
            if (data.size() >= maxBytes) break;
            data.resize(std::min(maxBytes, data.size() + 65536));
        }
        ssize_t n = ::read(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int e = errno;
            ::close(fd);
            return setError(e);
        }
        if (n == 0) break;
        done += size_t(n);
    }
    ::close(fd);
    data.resize(done);
    out = std::move(data);
    if (error) *error = 0;
    return true;
}

}  // namespace korvance
