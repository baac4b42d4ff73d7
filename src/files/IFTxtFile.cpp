#include "files/IFTxtFile.h"

#include <cerrno>
#include <cstring>
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
    : prompt_(prompt), terminator_(terminator), buffer_(new char[kBufferSize]()) {}

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
    position_ = 0;
    valid_ = 0;
    readFailed_ = false;
    valid_ = fill(0, kBufferSize);
    return true;
}

void IFTxtFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
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

    const char* base = buffer_.get();
    const void* hit = std::memchr(base + position_, terminator_, size_t(valid_ - position_));
    int end;  // the terminator, or the end of the data for a last line without one
    if (hit) {
        end = int(static_cast<const char*>(hit) - base);
        after = end + 1;
    } else if (valid_ >= kBufferSize) {
        prompt_.message("Buffer Over Flow", kCaption, Icon::Stop);
        return kRefused;
    } else {
        end = valid_;
        after = valid_;
    }
    int length = end - position_;
    // Lines are meant to end in CR LF: drop the carriage return, and only it,
    // so that files with bare line feeds and a final unterminated line keep
    // every character.
    if (length > 0 && base[end - 1] == '\r') --length;
    if (length >= capacity) return kRefused;
    start = position_;
    return length;
}

void IFTxtFile::slide() {
    if (valid_ == kBufferSize && position_ > kHalf) {
        std::memmove(buffer_.get(), buffer_.get() + kHalf, kHalf);
        position_ -= kHalf;
        valid_ -= kHalf;
        valid_ += fill(kHalf, kHalf);
    }
}

int IFTxtFile::readLine(char* destination, int capacity) {
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
    std::memcpy(destination, buffer_.get() + start, size_t(length));
    destination[length] = 0;
    position_ = after;
    slide();
    return length;
}

int IFTxtFile::readLine(std::string& line, int capacity) {
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
    line.assign(buffer_.get() + start, size_t(length));
    position_ = after;
    slide();
    return length;
}

}  // namespace korvance
