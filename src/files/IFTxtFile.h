#pragma once
// Reads a text file line by line through a fixed 32 KB window that slides by
// halves, so a line must fit in about 16 KB. One allocation per reader, none
// per line. Works on bytes; knows nothing of code pages.
//
// The window is kept as a ring of its two halves: sliding reads the next
// 16 KB over the half just left behind instead of moving the other half down,
// so every byte is copied once on its way to the caller.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "platform/UserPrompt.h"

namespace korvance {

class IFTxtFile {
public:
    static constexpr int kBufferSize = 32768;
    static constexpr int kHalf = kBufferSize / 2;

    // `terminator` ends a line (line feed for the text formats); a carriage
    // return just before it is not part of the line. Problems are shown
    // through `prompt`, which must outlive the reader.
    explicit IFTxtFile(UserPrompt& prompt, char terminator = '\n');
    ~IFTxtFile();
    IFTxtFile(const IFTxtFile&) = delete;
    IFTxtFile& operator=(const IFTxtFile&) = delete;

    // False when a file is already open or this one cannot be opened for
    // reading (missing, a folder, no permission).
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    // The next line into `destination` (capacity bytes with its terminating
    // zero). Returns the line length, or -1 at the end of the file, on a line
    // that does not fit `capacity`, on a capacity of 16384 or more ("Too big
    // buffer"), and on a window without a terminator ("Buffer Over Flow").
    // Without an open file: an empty line, result 0.
    int readLine(char* destination, int capacity) {
        const char* p = nullptr;
        int length = 0, after = 0;
        if (lineAhead(capacity, p, length, after)) {
            std::memcpy(destination, p, size_t(length));
            destination[length] = 0;
            advanceTo(after);
            return length;
        }
        return readLineSlow(destination, capacity);
    }
    // The same into a string (capacity counts the terminator as above).
    int readLine(std::string& line, int capacity = kHalf - 1) {
        const char* p = nullptr;
        int length = 0, after = 0;
        if (lineAhead(capacity, p, length, after)) {
            line.assign(p, size_t(length));
            advanceTo(after);
            return length;
        }
        return readLineSlow(line, capacity);
    }

    // True when reading the file failed (as opposed to reaching its end).
    bool readFailed() const { return readFailed_; }

private:
    // The common case, kept inline because text files have many short lines:
    // the next line lies whole in one piece of the buffer and fits
    // `capacity`. Then `p` is its first byte, `length` its length without
    // the line end and `after` the window index past its terminator.
    bool lineAhead(int capacity, const char*& p, int& length, int& after) const {
        if (fd_ < 0 || capacity >= kHalf || position_ >= valid_) return false;
        const int p0 = phys(position_);
        p = buffer_.get() + p0;
        const int run = std::min(valid_ - position_, kBufferSize - p0);
        auto hit = static_cast<const char*>(std::memchr(p, terminator_, size_t(run)));
        if (!hit) return false;
        length = int(hit - p);
        after = position_ + length + 1;
        // Only a carriage return just before the terminator is dropped.
        if (length > 0 && hit[-1] == '\r') --length;
        return length < capacity;
    }
    void advanceTo(int after) {
        position_ = after;
        if (position_ > kHalf) slide();
    }
    // Every other case: a line across the end of the buffer, the last line,
    // the end of the file, refusals, no open file.
    int readLineSlow(char* destination, int capacity);
    int readLineSlow(std::string& line, int capacity);
    // Reads until `want` bytes arrived or the file ended; the count read.
    int fill(int at, int want);
    // Steps shared by both readLine forms: finds the next line in the window
    // (its start and length); negative at the end or when refused.
    int findLine(int capacity, int& start, int& after);
    // Moves the window on by half once the reading has passed its middle.
    void slide();
    // Where window index i lies in the buffer.
    int phys(int i) const { return (base_ + i) & (kBufferSize - 1); }
    // Copies `length` window bytes from window index `start` to `dst`.
    void copyOut(char* dst, int start, int length) const;

    UserPrompt& prompt_;
    char terminator_;
    struct AlignedFree {
        void operator()(char* p) const;
    };
    // Page-aligned, so that the kernel copies whole pages into it.
    std::unique_ptr<char[], AlignedFree> buffer_;
    int fd_ = -1;
    int base_ = 0;      // buffer index of window index 0: 0 or kHalf
    int position_ = 0;  // window index of the first unread byte
    int valid_ = 0;     // window bytes holding file data
    bool readFailed_ = false;
};

}  // namespace korvance
