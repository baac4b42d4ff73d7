#pragma once
// The data records carried inside link packets: waypoints in six formats,
// track points in three, the track header, route headers and links, the
// position and date-and-time answers, and the Japanese character tables.
// Formats are named 4000 + the Garmin D number (4108 for D108).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "garmin/GarminPacket.h"

namespace korvance {

// One waypoint record as a whole unstuffed frame of its type.
class WaypointPacket {
public:
    // Frame buffer size of a type (data size + 6), 0 for an unknown type.
    static size_t bufferSize(int32_t type);
    static size_t dataSize(int32_t type) { return bufferSize(type) ? bufferSize(type) - 6 : 0; }
    static bool knownType(int32_t type) { return bufferSize(type) != 0; }

    WaypointPacket() = default;
    // Builds the record from values; text longer than its field is cut.
    WaypointPacket(int32_t type, uint8_t packetId, double latitude, double longitude, double altitude,
                   std::string_view identifier, std::string_view comment, int16_t symbol, uint8_t display,
                   double proximity);
    // Takes the first buffer-size bytes of a received frame (a shorter frame is
    // filled with zeros) and ends the identifier where the type requires it.
    static WaypointPacket fromFrame(int32_t type, const Frame& frame);

    int32_t type() const { return type_; }
    const Frame& frame() const { return frame_; }
    uint8_t packetId() const { return frameId(frame_); }
    void setPacketId(uint8_t id) { if (frame_.size() > 1) frame_[1] = id; }

    int32_t latitudeSemicircles() const;
    int32_t longitudeSemicircles() const;
    double latitude() const;
    double longitude() const;
    // Fixed-width identifiers and comments come with their filler blanks.
    std::string identifier() const;
    // Overwrites the identifier with at most the field's width, without filler
    // or terminator (used for the character-set translation, same length).
    void setIdentifier(std::string_view text);
    std::string comment() const;
    int16_t symbol() const;
    uint8_t displayOption() const;
    double proximity() const;
    double altitude() const;

    friend bool operator==(const WaypointPacket&, const WaypointPacket&) = default;

private:
    size_t identifierOffset() const;
    size_t identifierWidth() const;
    int32_t type_ = -1;
    Frame frame_;
};

// A track point between the transfers and the document, whatever the wire format.
struct TrackSlot {
    int32_t latitude = 0;   // semicircles
    int32_t longitude = 0;
    uint32_t time = 0;      // receiver time
    float altitude = 0;
    float depth = 0;
    bool newSegment = false;

    friend bool operator==(const TrackSlot&, const TrackSlot&) = default;
};

// Track point record (id 34) of the given track point type (4300, 4301, 4302).
Frame trackPointFrame(int32_t trackPointType, const TrackSlot& slot);
// Reads a received track point; fields the format lacks become 0.
TrackSlot trackSlotFromFrame(int32_t trackPointType, const Frame& frame);
// The track header written before uploaded points: "ACTIVE LOG".
Frame trackHeaderFrame();

// One route between the transfers and the route commands.
struct RouteSlot {
    uint8_t number = 0;
    std::string name;  // at most 20 bytes of 8-bit text
    std::vector<WaypointPacket> waypoints;
};

// The route header layout in force: 4201 (number and 20-character comment)
// or 4202 (zero-terminated identifier). The route header type decides; a
// receiver without one (model table) is judged by its waypoint type.
int32_t routeHeaderLayout(int32_t routeHeaderType, int32_t waypointType);
Frame routeHeaderFrame(int32_t layout, const RouteSlot& slot);
// Number and name from a received header; `index` is the header's position
// among the headers (the number for layouts without one).
void readRouteHeader(int32_t layout, const Frame& frame, int index, RouteSlot& slot);
Frame routeLinkFrame();

// Position answer (id 17): latitude and longitude in degrees.
bool parsePosition(const Frame& frame, double& latitude, double& longitude);
// Date-and-time answer (id 14) as seconds since 1970 (the receiver's clock is UTC).
bool parseDateTime(const Frame& frame, int64_t& unixTime);

// Japanese character set of identifiers: receiver byte -> text byte and back.
uint8_t japaneseDownload(uint8_t receiverByte);
uint8_t japaneseUpload(uint8_t textByte);
std::string japaneseToText(std::string_view receiverBytes);
std::string japaneseToReceiver(std::string_view text);

}  // namespace korvance
