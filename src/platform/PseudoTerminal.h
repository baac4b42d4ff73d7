#pragma once
// The master side of a pseudo-terminal. The slave's path behaves like a serial
// device for whoever opens it; the receiver simulator and the tests sit here.

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvance {

class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool ok() const { return fd_ >= 0; }
    // Path of the slave side ("/dev/pts/N").
    const std::string& slavePath() const { return slave_; }
    int fd() const { return fd_; }

    bool writeAll(const uint8_t* data, size_t size);
    // Up to `max` bytes; waits at most timeoutMs for the first. 0 on timeout.
    size_t read(uint8_t* buffer, size_t max, int timeoutMs);

private:
    int fd_ = -1;
    int keepSlave_ = -1;  // holds the slave open so reads never see a hang-up
    std::string slave_;
};

}  // namespace korvance
