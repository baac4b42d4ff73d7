#pragma once
// The serial connection to a Garmin receiver: port, packet frames, the
// acknowledged send and receive with their retry rules, the line speed
// raised for a transfer and restored after it, and the traffic log.
//
// Each receiver command makes one link, identifies the receiver on it, runs
// one transfer and drops it. No operation shows a message: failures are
// return values and the callers choose the message.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "garmin/GarminPacket.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"

namespace korvance {

struct AppSettings;

// What the link takes from the settings.
struct LinkOptions {
    uint32_t writeWaitMs = 100;   // Comm_WriteFile_Wait: pause before each request
    uint32_t openWaitMs = 500;    // CommOpenWait: pause after opening the port
    uint32_t limitBaud = 115200;  // CommLimitBaudrate
    bool debug = false;           // CommDebug: write the traffic log and its trace
    std::string logPath;          // the raw traffic log; empty: defaultTrafficLogPath()
    int byteTimeoutMs = 200;      // wait for one byte before a read attempt fails

    static LinkOptions fromSettings(const AppSettings& settings);
};

// The raw traffic log in the user's data folder ($XDG_DATA_HOME/korvance,
// else ~/.local/share/korvance): commdbg.bin. The decoded trace goes beside it
// with the extension .txt.
std::string defaultTrafficLogPath();
std::string traceLogPath(const std::string& rawLogPath);

// Said when text of an NMEA talker arrives where frames were expected.
inline constexpr const char* kNmeaDiagnosis = "the receiver seems to send NMEA: set its interface format to Garmin";

class GarminLink {
public:
    explicit GarminLink(LinkOptions options = {}, Clock* clock = nullptr,
                        std::unique_ptr<SerialPort> port = nullptr);
    ~GarminLink();
    GarminLink(const GarminLink&) = delete;
    GarminLink& operator=(const GarminLink&) = delete;

    // Opens the device at `baud` (commands pass 9600). Fails at once when a
    // port is already open.
    bool OpenPort(const std::string& device, uint32_t baud = 9600);
    void ClosePort();
    bool isOpen() const { return port_ && port_->isOpen(); }
    void FlushInput();
    const std::string& lastError() const { return error_; }
    // The device of the last OpenPort, open or not.
    const std::string& deviceName() const { return device_; }
    SerialPort& port() { return *port_; }
    const LinkOptions& options() const { return options_; }
    void setByteTimeout(int ms) { options_.byteTimeoutMs = ms; }

    // One byte, or -1 after the byte timeout.
    int ReadByte();
    // Reads one frame into `out` (unstuffed). Returns its length (size + 6) or
    // 0 when a byte timed out or the lead byte is not DLE. The checksum is not
    // judged here.
    size_t ReadPacket(Frame& out);
    // Fills in the checksum and writes the stuffed frame.
    bool WritePacket(Frame& frame);
    // Acknowledged send: up to 100 writes, each followed by one read, until an
    // ACK arrives. The reply read goes to `reply` when given.
    bool SendPacket(Frame frame, Frame* reply = nullptr);
    // Acknowledged receive with NAK on a bad checksum.
    bool ReceivePacket(Frame& out);

    // Line speed raise at the start of a transfer; returns the speed in force
    // (shown as the progress caption).
    uint32_t RaiseBaudRate();
    bool RestoreBaudRate();

    // Asked at least every 50 ms while the link waits on the line or pauses,
    // so the window can repaint; once it answers false the link gives up: every
    // further wait ends at once and every read fails, so a transfer ends
    // quickly down its ordinary failure path.
    void setKeepGoing(std::function<bool()> keepGoing) { keepGoing_ = std::move(keepGoing); }
    // True once the person asked to stop.
    bool cancelled() const { return cancelled_; }

    // Pause of Comm_WriteFile_Wait before a request.
    void WaitBeforeWrite() { sleep(options_.writeWaitMs); }
    void sleep(uint32_t ms);

    // Protocol state (set by identification).
    int32_t protocolMark = -1;      // -1 none, 0 from the protocol array, >0 model-table product id
    int32_t waypointType = -1;      // 4000 + D number
    int32_t routeHeaderType = -1;
    int32_t trackPointType = 4300;
    int32_t trackHeaderType = 4310;
    bool japanese = false;
    bool routeLinks = false;        // the protocol array names A201: route links between route waypoints
    uint32_t savedBaud = 9600;
    uint32_t limitBaud = 115200;

    // Set once NMEA text has been seen where frames were expected.
    bool nmeaSuspected() const { return nmeaSuspected_; }
    // Text for the user about what went wrong on the line, or "".
    std::string diagnosis() const { return nmeaSuspected_ ? kNmeaDiagnosis : ""; }
    // The raw traffic log's path when logging, else "".
    const std::string& trafficLogPath() const { return logPath_; }

    // Last acknowledged packet id: kept across calls and across links.
    static uint8_t lastAckedId();
    static void setLastAckedId(uint8_t id);

private:
    // False once cancelled; asks keepGoing_ otherwise.
    bool stillGoing();
    void logRaw(const uint8_t* data, size_t n);
    void trace(const std::string& line);
    void noteNoise(uint8_t byte);
    bool writeReply(uint8_t id, uint8_t data0);

    LinkOptions options_;
    Clock* clock_;
    std::unique_ptr<SerialPort> port_;
    std::string error_;
    std::string device_;
    std::function<bool()> keepGoing_;
    bool cancelled_ = false;
    std::string logPath_;
    std::FILE* rawLog_ = nullptr;
    std::FILE* traceLog_ = nullptr;
    std::vector<uint8_t> in_;
    size_t inPos_ = 0;
    std::string noise_;
    bool lastReadNoise_ = false;  // the last ReadPacket failed on a lead byte that was not DLE
    bool nmeaSuspected_ = false;
};

// Degrees <-> semicircles and receiver time <-> 1970-based seconds; these need
// no port and are shared with the file formats.
int32_t DegreesToSemicircles(double degrees);
double SemicirclesToDegrees(int32_t semicircles);
int64_t ReceiverTimeToUnix(uint32_t receiverTime);
uint32_t UnixToReceiverTime(int64_t unixTime);

}  // namespace korvance
