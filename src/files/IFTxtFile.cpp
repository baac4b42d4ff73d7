#include "files/IFTxtFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvance {

namespace {
constexpr const char* kCaption = "IFTxtFile";
constexpr int kEnd = -1;
constexpr int kRefused = -2;
}

IFTxtFile::IFTxtFile(UserPrompt& prompt, char terminator)
    : prompt_(prompt), terminator_(terminator), buffer_(static_cast<char*>(std::aligned_alloc(4096, kBufferSize))) {
    if (!buffer_) throw std::bad_alloc();
    std::memset(buffer_.get(), 0, kBufferSize);
}

void IFTxtFile::AlignedFree::operator()(char* p) const { std::free(p); }

IFTxtFile::~IFTxtFile() { close(); }

bool IFTxtFile::open(const std::string& path) {
    if (fd_ >= 0) return false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    base_ = 0;
    position_ = 0;
    valid_ = 0;
    readFailed_ = false;
    valid_ = fill(0, kBufferSize);
    return true;
}

void IFTxtFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    base_ = 0;
    position_ = 0;
    valid_ = 0;
}

int IFTxtFile::fill(int at, int want) {
    int got = 0;
    while (got < want) {
        ssize_t n = ::read(fd_, buffer_.get() + at + got, size_t(want - got));
        if (n < 0) {
            if (errno == EINTR) continue;
            readFailed_ = true;
            break;
        }
        if (n == 0) break;
        got += int(n);
    }
    return got;
}

int IFTxtFile::findLine(int capacity, int& start, int& after) {
    if (capacity >= kHalf) {
        prompt_.message("Too big buffer", kCaption, Icon::Stop);
        return kRefused;
    }
    if (valid_ < kBufferSize && position_ >= valid_) return kEnd;

    const char* buf = buffer_.get();
    const int ahead = valid_ - position_;
    const int p0 = phys(position_);
    const int run1 = std::min(ahead, kBufferSize - p0);  // up to the end of the buffer
    int end = -1;  // window index of the terminator
    if (auto hit = static_cast<const char*>(std::memchr(buf + p0, terminator_, size_t(run1))))
        end = position_ + int(hit - (buf + p0));
    else if (run1 < ahead)
        if (auto hit2 = static_cast<const char*>(std::memchr(buf, terminator_, size_t(ahead - run1))))
            end = position_ + run1 + int(hit2 - buf);

    if (end >= 0) {
        after = end + 1;
    } else if (valid_ >= kBufferSize) {
        prompt_.message("Buffer Over Flow", kCaption, Icon::Stop);
        return kRefused;
    } else {
        end = valid_;  // last line without a terminator
        after = valid_;
    }
    int length = end - position_;
    // Lines are meant to end in CR LF: drop the carriage return, and only it,
    // so that files with bare line feeds and a final unterminated line keep
    // every character.
    if (length > 0 && buf[phys(end - 1)] == '\r') --length;
    if (length >= capacity) return kRefused;
    start = position_;
    return length;
}

void IFTxtFile::copyOut(char* dst, int start, int length) const {
    int p = phys(start);
    int n1 = std::min(length, kBufferSize - p);
    std::memcpy(dst, buffer_.get() + p, size_t(n1));
    if (length > n1) std::memcpy(dst + n1, buffer_.get(), size_t(length - n1));
}

void IFTxtFile::slide() {
    if (valid_ == kBufferSize && position_ > kHalf) {
        // The lower half has been read: the upper half becomes the lower one
        // and the next bytes of the file go where the old lower half was.
        int freed = base_;
        base_ ^= kHalf;
        position_ -= kHalf;
        valid_ = kHalf + fill(freed, kHalf);
    }
}

int IFTxtFile::readLineSlow(char* destination, int capacity) {
    if (fd_ < 0) {
        if (destination && capacity > 0) destination[0] = 0;
        return 0;
    }
    int start = 0, after = 0;
    int length = findLine(capacity, start, after);
    if (length < 0) {
        // At the end of the file the destination is left as it was.
        if (length == kRefused && destination && capacity > 0) destination[0] = 0;
        return -1;
    }
    copyOut(destination, start, length);
    destination[length] = 0;
    advanceTo(after);
    return length;
}

int IFTxtFile::readLineSlow(std::string& line, int capacity) {
    if (fd_ < 0) {
        line.clear();
        return 0;
    }
    int start = 0, after = 0;
    int length = findLine(capacity, start, after);
    if (length < 0) {
        if (length == kRefused) line.clear();
        return -1;
    }
    line.resize(size_t(length));
    copyOut(line.data(), start, length);
    advanceTo(after);
    return length;
}

}  // namespace korvance
