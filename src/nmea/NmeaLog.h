#pragma once
// The NMEA sentence log (*.nme): the accepted lines byte for byte as they
// arrived, each with its own carriage return and line feed, no header.
// Written straight through (no buffering of ours), so a log cut by a crash or
// a pulled cable still holds every line up to that moment.

#include <string>
#include <string_view>

namespace korvance {

inline constexpr const char* kMsgFileWriteError = "file write error";
// The caption of low-level failures, filled with the system's error number.
std::string LastErrorCaption(unsigned long code);
// "file write error" with the system's reason on a second line.
std::string LogWriteFailureText(int code);

// The path from the save dialog made usable: a path beginning with two
// separators loses the first, a path ending with "." gets "nme" appended.
std::string TidyNmeaLogPath(std::string path);

class NmeaLog {
public:
    NmeaLog() = default;
    ~NmeaLog() { close(); }
    NmeaLog(const NmeaLog&) = delete;
    NmeaLog& operator=(const NmeaLog&) = delete;

    // Creates (or truncates) the file. False with error() set on failure.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    // Writes the whole line; false with error() set on failure.
    bool write(std::string_view line);
    // errno of the last failure.
    int error() const { return error_; }
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    int error_ = 0;
    std::string path_;
};

}  // namespace korvance
