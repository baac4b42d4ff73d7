#pragma once
// The link over which an external NMEA monitor program sends positions to the
// view: a Unix stream socket in a folder of our own under $XDG_RUNTIME_DIR
// (mode 0700, so no other user can reach it), named by the hex token that the
// monitor receives on its command line ("KorvanCE <token>"). A monitor sends
// fixed 8-byte records: the item number as an unsigned 32-bit value, then the
// signed 32-bit value, both little-endian (docs/monitor.md).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvance {

inline constexpr size_t kMonitorRecordSize = 8;

void EncodeMonitorRecord(uint8_t out[kMonitorRecordSize], uint32_t item, int32_t value);

// The folder of the sockets: $XDG_RUNTIME_DIR/korvance-monitor ("" without XDG_RUNTIME_DIR).
std::string MonitorFolder();
std::string MonitorSocketPath(uint32_t token);

class MonitorLink {
public:
    MonitorLink() = default;
    ~MonitorLink();
    MonitorLink(const MonitorLink&) = delete;
    MonitorLink& operator=(const MonitorLink&) = delete;

    // Creates the folder (or checks that it is ours and private) and listens on
    // the token's socket. False with the reason in `problem`.
    bool open(uint32_t token, std::string& problem);
    void close();
    bool isOpen() const { return listener_ >= 0; }
    uint32_t token() const { return token_; }
    int listenerFd() const { return listener_; }

    // Accepts waiting monitors (of this user only), reads what they sent and
    // hands out at most `budget` whole records; the rest waits for the next
    // call, so a flood never holds the caller. Returns the records handed out.
    size_t poll(const std::function<void(int32_t item, int32_t value)>& deliver, size_t budget = 64);
    // True while some record bytes are waiting beyond the last budget.
    bool pending() const;

private:
    struct Peer {
        int fd = -1;
        std::vector<uint8_t> bytes;
    };
    int listener_ = -1;
    uint32_t token_ = 0;
    std::string path_;
    std::vector<Peer> peers_;
};

// A monitor's side: connects to the token's socket; -1 when nobody listens.
int ConnectMonitor(uint32_t token);

}  // namespace korvance
