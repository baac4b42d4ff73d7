#pragma once
// Reads a text file line by line through a fixed 32 KB window that slides by
// halves, so a line must fit in about 16 KB. One allocation per reader, none
// per line. Works on bytes; knows nothing of code pages.
//
// The window is kept as a ring of its two halves: sliding reads the next
// 16 KB over the half just left behind instead of moving the other half down,
// so every byte is copied once on its way to the caller.

#include <cstdint>
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
    int readLine(char* destination, int capacity);
    // The same into a string (capacity counts the terminator as above).
    int readLine(std::string& line, int capacity = kHalf - 1);

    // True when reading the file failed (as opposed to reaching its end).
    bool readFailed() const { return readFailed_; }

private:
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
