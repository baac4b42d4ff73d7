#pragma once
// The device side of the Garmin link on a pseudo-terminal: a receiver that
// identifies itself, serves its waypoints, routes and track log, answers
// position and time, negotiates the line speed and stores what is uploaded.
// It is as strict as real receivers: every packet is acknowledged by id, an
// upload whose records count does not match what arrived, or that carries
// stray route records, is rejected and stored nowhere.
//
// Faults can be injected: a corrupt checksum on every n-th packet it sends,
// every n-th packet of the host lost (no acknowledgement, not acted on), and
// silence after n packets, and noise bytes between packets.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "garmin/GarminPacket.h"
#include "platform/PseudoTerminal.h"
#include "sim/garmin/ReceiverData.h"

namespace korvance {

enum class SimProfile {
    New,       // sends a protocol array: D108 waypoints, D201 routes with links (A201), D301 tracks
    Old,       // no protocol array (model table): D103 waypoints, D201 routes, D300 tracks
    Japanese,  // like Old, a model with the Japanese character set
};

bool ParseSimProfile(const std::string& name, SimProfile& profile);
const char* SimProfileName(SimProfile profile);

struct SimFaults {
    int corruptEvery = 0;  // every n-th packet sent carries a wrong checksum (0: never)
    int dropEvery = 0;     // every n-th packet of the host goes unacknowledged (0: never)
    int silentAfter = -1;  // after this many packets of the host, answer nothing (-1: never)
    int garbageEvery = 0;  // while records travel, every n-th frame sent follows line noise (0: never)
};
// "checksum=N,dropack=N,silent=N,garbage=N" (any of them, comma separated; "" for none).
bool ParseSimFaults(const std::string& spec, SimFaults& faults, std::string& error);

struct SimUpload {
    uint16_t command = 0;       // 4 routes, 6 track, 7 waypoints (from transfer complete)
    uint16_t announced = 0;     // records count
    std::vector<Frame> frames;  // everything between records and transfer complete
    bool accepted = false;
    std::string reason;         // why it was rejected
};

// The built-in data set of a profile (positions in WGS 84).
ReceiverData BuiltinReceiverData(SimProfile profile);

class ReceiverSimulator;
// A simulator already serving on a fresh pseudo-terminal (null when none
// could be opened); devicePath() is the port to give the link, and
// destroying it stops it cleanly.
std::unique_ptr<ReceiverSimulator> StartReceiverSimulator(SimProfile profile = SimProfile::New,
                                                          ReceiverData data = {}, bool moving = true);

class ReceiverSimulator {
public:
    explicit ReceiverSimulator(SimProfile profile = SimProfile::New, ReceiverData data = {});
    ~ReceiverSimulator();
    ReceiverSimulator(const ReceiverSimulator&) = delete;
    ReceiverSimulator& operator=(const ReceiverSimulator&) = delete;

    // Opens a fresh pseudo-terminal and serves on a thread of its own.
    bool start();
    // Ends the thread; safe to call twice.
    void stop();
    bool running() const { return thread_.joinable(); }
    // The slave's path: give it to the host as its serial device.
    const std::string& devicePath() const;

    void setFaults(const SimFaults& faults);
    // How long a sent packet waits for the host's answer before it is sent
    // again (1000 ms, as a receiver).
    void setReplyTimeout(int ms) { replyTimeoutMs_ = ms; }
    // Speeds offered to a speed-list command, and the factor by which the
    // granted speed differs from the requested one (1.0: exact).
    void setSpeeds(std::vector<uint32_t> speeds);
    void setSpeedAnswerFactor(double factor);
    void setPosition(double latitudeWgs84, double longitudeWgs84, int64_t unixTime);
    // Each position request answers the next point of the track log (and its
    // time), round and round: a receiver on the move, for the demo.
    void setMoving(bool moving);
    // Ends the speed-check acknowledgements, as a line at a speed the cable cannot carry.
    void setRefuseSpeedCheck(bool refuse);

    SimProfile profile() const { return profile_; }
    uint16_t productId() const;
    int32_t waypointType() const;     // 4000 + D number
    int32_t trackPointType() const;

    // What happened, for tests.
    std::vector<SimUpload> uploads() const;
    ReceiverData data() const;
    uint32_t speed() const { return speed_; }
    uint32_t highestSpeed() const { return highestSpeed_; }
    int naksReceived() const { return naksReceived_; }
    int naksSent() const { return naksSent_; }
    int packetsReceived() const { return packetsReceived_; }
    // Ids of the host's packets, in order (ACK and NAK included).
    std::vector<uint8_t> receivedIds() const;
    // Frames the host sent that the receiver does not know (by id).
    std::vector<Frame> unknownFrames() const;

private:
    void run();
    bool readFrame(Frame& f, int timeoutMs);
    void writeFrame(Frame f, bool corrupt);
    bool sendData(const Frame& f);
    void ack(uint8_t id);
    void handle(const Frame& f);
    void handleCommand(uint16_t command);
    void sendProduct();
    void sendRecords(const std::vector<Frame>& frames, uint16_t command);
    void finishUpload(uint16_t command);
    uint32_t hostSpeed() const;
    std::vector<Frame> waypointFrames() const;
    std::vector<Frame> routeFrames() const;
    std::vector<Frame> trackFrames() const;

    SimProfile profile_;
    mutable std::mutex mutex_;
    ReceiverData data_;
    SimFaults faults_;
    std::vector<uint32_t> speeds_ = {9600, 19200, 38400, 57600, 115200};
    double speedFactor_ = 1.0;
    bool refuseSpeedCheck_ = false;
    bool moving_ = false;
    size_t movingIndex_ = 0;
    double posLat_ = 0, posLon_ = 0;
    int64_t posTime_ = 0;

    std::unique_ptr<PseudoTerminal> pty_;
    int slaveFd_ = -1;
    std::string path_;
    std::thread thread_;
    std::atomic<bool> stop_{false};

    std::vector<uint8_t> inBuf_;
    size_t inPos_ = 0;
    FrameDecoder decoder_;
    std::vector<Frame> pending_;

    std::atomic<uint32_t> speed_{9600};
    std::atomic<uint32_t> highestSpeed_{9600};
    uint32_t pendingSpeed_ = 0;
    std::atomic<int> naksReceived_{0};
    std::atomic<int> naksSent_{0};
    std::atomic<int> packetsReceived_{0};
    int sentCount_ = 0;
    int framesWritten_ = 0;
    bool sendingRecords_ = false;
    std::atomic<int> replyTimeoutMs_{1000};
    int hostPackets_ = 0;
    bool silent_ = false;

    bool uploading_ = false;
    SimUpload current_;
    std::vector<SimUpload> uploads_;
    std::vector<uint8_t> receivedIds_;
    std::vector<Frame> unknown_;
};

}  // namespace korvance
