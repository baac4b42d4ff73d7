#pragma once
// Frames of the Garmin binary link: DLE, id, size, data, checksum, DLE, ETX.
// Every layer passes whole unstuffed frames (byte 2 holds the size); stuffing
// of 0x10 exists only on the wire.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace korvance {

using Frame = std::vector<uint8_t>;

inline constexpr uint8_t kDle = 0x10;
inline constexpr uint8_t kEtx = 0x03;

// Packet ids.
namespace pid {
inline constexpr uint8_t Ack = 6;
inline constexpr uint8_t Command = 10;
inline constexpr uint8_t XferComplete = 12;
inline constexpr uint8_t DateTime = 14;
inline constexpr uint8_t Position = 17;
inline constexpr uint8_t Nak = 21;
inline constexpr uint8_t Records = 27;
inline constexpr uint8_t RouteHeader = 29;
inline constexpr uint8_t RouteWaypoint = 30;
inline constexpr uint8_t TrackPoint = 34;
inline constexpr uint8_t Waypoint = 35;
inline constexpr uint8_t SpeedRestore = 45;
inline constexpr uint8_t SpeedRequest = 48;
inline constexpr uint8_t SpeedAnswer = 49;
inline constexpr uint8_t RouteLink = 98;
inline constexpr uint8_t TrackHeader = 99;
inline constexpr uint8_t ProtocolArray = 253;
inline constexpr uint8_t ProductRequest = 254;
inline constexpr uint8_t ProductData = 255;
}  // namespace pid

// Command codes carried by a command packet (and named by transfer complete).
namespace cmd {
inline constexpr uint16_t Position = 2;
inline constexpr uint16_t Routes = 4;
inline constexpr uint16_t DateTime = 5;
inline constexpr uint16_t Track = 6;
inline constexpr uint16_t Waypoints = 7;
inline constexpr uint16_t SpeedList = 57;
inline constexpr uint16_t SpeedCheck = 58;
}  // namespace cmd

// A frame with the given id and data; its checksum is filled in.
Frame makeFrame(uint8_t id, const uint8_t* data, size_t size);
Frame makeFrame(uint8_t id, std::initializer_list<uint8_t> data = {});
Frame makeFrame(uint8_t id, const std::vector<uint8_t>& data);
// A command packet (id 10) and the 16-bit payloads of records / transfer complete.
Frame commandFrame(uint16_t command);
Frame u16Frame(uint8_t id, uint16_t value);

inline uint8_t frameId(const Frame& f) { return f.size() > 1 ? f[1] : 0; }
inline size_t frameSize(const Frame& f) { return f.size() > 2 ? f[2] : 0; }
// Data bytes actually present (never more than the frame holds).
size_t frameDataLength(const Frame& f);
inline const uint8_t* frameData(const Frame& f) { return f.size() > 3 ? f.data() + 3 : nullptr; }
// Data byte i, or 0 when the frame is shorter.
inline uint8_t frameByte(const Frame& f, size_t i) { return 3 + i < f.size() ? f[3 + i] : 0; }
uint16_t frameU16(const Frame& f, size_t offset);
uint32_t frameU32(const Frame& f, size_t offset);
float frameF32(const Frame& f, size_t offset);
double frameF64(const Frame& f, size_t offset);

// Two's complement of the sum of id, size and data.
uint8_t computeChecksum(const Frame& f);
// Writes the checksum into its place (offset size + 3); the frame must be whole.
void setChecksum(Frame& f);
bool checksumOk(const Frame& f);

// The bytes on the wire: size, data and checksum bytes equal to 0x10 doubled.
std::vector<uint8_t> stuffFrame(const Frame& f);

// Strict device-side reader of the wire: skips noise before a DLE, unstuffs,
// and yields a frame only when the trailer is DLE ETX. The checksum is left
// for the caller to judge.
class FrameDecoder {
public:
    // Feeds one byte; true when a frame is complete (take it with frame()).
    bool feed(uint8_t byte);
    const Frame& frame() const { return frame_; }
    void reset() { state_ = State::Lead; frame_.clear(); }
    bool idle() const { return state_ == State::Lead; }

private:
    enum class State { Lead, Id, Size, SizeDle, Data, DataDle, Check, CheckDle, EndDle, EndEtx };
    State state_ = State::Lead;
    Frame frame_;
    size_t want_ = 0;
};

// Names for the trace: "ACK", "product request", "track point" ...
const char* packetName(uint8_t id);
// One line of the decoded trace: direction ("send"/"recv"), id and name, size
// and the data in hex.
std::string describeFrame(const char* direction, const Frame& f);

}  // namespace korvance
