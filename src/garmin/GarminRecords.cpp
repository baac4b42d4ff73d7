#include "garmin/GarminRecords.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "data/Bytes.h"
#include "garmin/GarminLink.h"

namespace korvance {

namespace {

bool oldWaypointType(int32_t t) { return t == 4101 || t == 4103 || t == 4104; }

Frame frameOf(uint8_t id, const std::vector<uint8_t>& data) { return makeFrame(id, data); }

// Zero byte forced after a received identifier so it is at most 10 characters.
size_t forcedZeroOffset(int32_t type) {
    switch (type) {
        case 4108: return 58;
        case 4109: return 62;
        case 4110: return 72;
        default: return 0;
    }
}

}  // namespace

size_t WaypointPacket::bufferSize(int32_t type) {
    switch (type) {
        case 4101: return 64;
        case 4103: return 66;
        case 4104: return 71;
        case 4108: return 70;
        case 4109: return 74;
        case 4110: return 168;
        default: return 0;
    }
}

WaypointPacket::WaypointPacket(int32_t type, uint8_t packetId, double latitude, double longitude, double altitude,
                               std::string_view identifier, std::string_view comment, int16_t symbol,
                               uint8_t display, double proximity)
    : type_(type) {
    const size_t n = dataSize(type);
    std::vector<uint8_t> d(n, 0);
    ByteWriter w(d);
    const int32_t lat = DegreesToSemicircles(latitude);
    const int32_t lon = DegreesToSemicircles(longitude);
    const float alt = static_cast<float>(std::isfinite(altitude) ? std::clamp(altitude, -1e30, 1e30) : 0.0);
    if (oldWaypointType(type)) {
        w.padded(identifier, 6, ' ');
        w.i32(lat);
        w.i32(lon);
        w.u32(0);
        w.padded(comment, 40, ' ');
        if (type == 4103) {
            w.u8(static_cast<uint8_t>(symbol));
            w.u8(display);
        } else if (type == 4104) {
            w.f32(static_cast<float>(std::isfinite(proximity) ? std::clamp(proximity, -1e30, 1e30) : 0.0));
            w.i16(symbol);
            w.u8(display);
        }
    } else if (type == 4108 || type == 4109 || type == 4110) {
        if (type == 4108) {
            w.u8(0);
            w.u8(0xFF);
            w.u8(0);
            w.u8(0x60);
        } else {
            w.u8(1);
            w.u8(0);
            w.u8(type == 4110 ? static_cast<uint8_t>((display & 3) << 5) : 0);
            w.u8(type == 4110 ? 0x80 : 0x70);
        }
        w.i16(symbol);
        w.zeros(6);
        for (int i = 0; i < 12; ++i) w.u8(0xFF);
        w.i32(lat);
        w.i32(lon);
        w.f32(alt);
        w.zeros(12);
        if (type == 4108) {
            w.text(identifier.substr(0, std::min<size_t>(identifier.size(), 12)), 16);
        } else if (type == 4109) {
            w.u32(0xFFFFFFFF);
            w.text(identifier.substr(0, std::min<size_t>(identifier.size(), 12)), 16);
        } else {
            w.u32(0xFFFFFFFF);
            w.zeros(10);
            const std::string_view id = identifier.substr(0, std::min<size_t>(identifier.size(), 96));
            w.bytes(id.data(), id.size());
            w.u8(0);
            const size_t room = id.size() < 95 ? 95 - id.size() : 0;
            const std::string_view c = comment.substr(0, std::min(comment.size(), room));
            w.bytes(c.data(), c.size());
            // zeros to the end were set when the buffer was made
        }
    } else {
        type_ = -1;
        return;
    }
    frame_ = frameOf(packetId, d);
}

WaypointPacket WaypointPacket::fromFrame(int32_t type, const Frame& frame) {
    WaypointPacket p;
    const size_t size = bufferSize(type);
    if (!size) return p;
    p.type_ = type;
    p.frame_.assign(size, 0);
    const size_t have = std::min({frame.size(), size, frameDataLength(frame) + 3});
    std::copy_n(frame.begin(), have, p.frame_.begin());  // an empty frame copies nothing
    p.frame_[0] = kDle;
    p.frame_[2] = static_cast<uint8_t>(size - 6);
    if (size_t z = forcedZeroOffset(type)) p.frame_[3 + z] = 0;
    p.frame_[size - 2] = kDle;
    p.frame_[size - 1] = kEtx;
    setChecksum(p.frame_);
    return p;
}

size_t WaypointPacket::identifierOffset() const {
    switch (type_) {
        case 4108: return 48;
        case 4109: return 52;
        case 4110: return 62;
        default: return 0;
    }
}

size_t WaypointPacket::identifierWidth() const {
    switch (type_) {
        case 4101:
        case 4103:
        case 4104: return 6;
        case 4108:
        case 4109: return 16;
        case 4110: return 96;
        default: return 0;
    }
}

int32_t WaypointPacket::latitudeSemicircles() const {
    return static_cast<int32_t>(frameU32(frame_, oldWaypointType(type_) ? 6 : 24));
}

int32_t WaypointPacket::longitudeSemicircles() const {
    return static_cast<int32_t>(frameU32(frame_, oldWaypointType(type_) ? 10 : 28));
}

double WaypointPacket::latitude() const { return SemicirclesToDegrees(latitudeSemicircles()); }
double WaypointPacket::longitude() const { return SemicirclesToDegrees(longitudeSemicircles()); }

std::string WaypointPacket::identifier() const {
    std::string s;
    const size_t at = identifierOffset();
    const size_t width = identifierWidth();
    const size_t n = frameDataLength(frame_);
    for (size_t i = 0; i < width && at + i < n; ++i) {
        const uint8_t b = frame_[3 + at + i];
        if (b == 0 && !oldWaypointType(type_)) break;
        s.push_back(static_cast<char>(b));
    }
    return s;
}

void WaypointPacket::setIdentifier(std::string_view text) {
    const size_t at = identifierOffset();
    const size_t n = frameDataLength(frame_);
    const size_t width = std::min(identifierWidth(), text.size());
    for (size_t i = 0; i < width && at + i < n; ++i) frame_[3 + at + i] = static_cast<uint8_t>(text[i]);
    setChecksum(frame_);
}

std::string WaypointPacket::comment() const {
    if (!oldWaypointType(type_)) return {};
    std::string s;
    for (size_t i = 0; i < 40; ++i) s.push_back(static_cast<char>(frameByte(frame_, 18 + i)));
    return s;
}

int16_t WaypointPacket::symbol() const {
    switch (type_) {
        case 4103: return frameByte(frame_, 58);
        case 4104: return static_cast<int16_t>(frameU16(frame_, 62));
        case 4108:
        case 4109:
        case 4110: return static_cast<int16_t>(frameU16(frame_, 4));
        default: return 0;
    }
}

uint8_t WaypointPacket::displayOption() const {
    switch (type_) {
        case 4103: return frameByte(frame_, 59);
        case 4104: return frameByte(frame_, 64);
        default: return 0;
    }
}

double WaypointPacket::proximity() const { return type_ == 4104 ? frameF32(frame_, 58) : 0.0; }

double WaypointPacket::altitude() const {
    return (type_ == 4108 || type_ == 4109 || type_ == 4110) ? frameF32(frame_, 32) : 0.0;
}

Frame trackPointFrame(int32_t type, const TrackSlot& s) {
    std::vector<uint8_t> d(type == 4300 ? 13 : type == 4302 ? 28 : 24, 0);
    ByteWriter w(d);
    w.i32(s.latitude);
    w.i32(s.longitude);
    w.u32(s.time);
    if (type == 4300) {
        w.u8(s.newSegment ? 1 : 0);
    } else if (type == 4302) {
        w.f32(s.altitude);
        w.f32(0);
        w.f32(0);
        w.u8(s.newSegment ? 1 : 0);
    } else {
        w.f32(s.altitude);
        w.f32(s.depth);
        w.u8(s.newSegment ? 1 : 0);
        w.u8(0x73);
        w.u8(0x69);
        w.u8(0x6F);
    }
    return makeFrame(pid::TrackPoint, d);
}

TrackSlot trackSlotFromFrame(int32_t type, const Frame& f) {
    TrackSlot s;
    s.latitude = static_cast<int32_t>(frameU32(f, 0));
    s.longitude = static_cast<int32_t>(frameU32(f, 4));
    s.time = frameU32(f, 8);
    const size_t n = frameDataLength(f);
    auto byteIfPresent = [&](size_t at) { return at < n ? frameByte(f, at) : uint8_t(0); };
    if (type == 4301 || type == 4302) {
        s.altitude = n >= 16 ? frameF32(f, 12) : 0.0f;
        if (type == 4301) s.depth = n >= 20 ? frameF32(f, 16) : 0.0f;
        s.newSegment = byteIfPresent(type == 4301 ? 20 : 24) != 0;
    } else {
        s.newSegment = byteIfPresent(12) != 0;
    }
    if (!std::isfinite(s.altitude)) s.altitude = 0;
    if (!std::isfinite(s.depth)) s.depth = 0;
    return s;
}

Frame trackHeaderFrame() {
    std::vector<uint8_t> d(13, 0);
    ByteWriter w(d);
    w.u8(1);
    w.u8(0xFF);
    w.text("ACTIVE LOG", 11);
    return makeFrame(pid::TrackHeader, d);
}

int32_t routeHeaderLayout(int32_t routeHeaderType, int32_t waypointType) {
    if (routeHeaderType == 4201 || routeHeaderType == 4202) return routeHeaderType;
    return oldWaypointType(waypointType) ? 4201 : 4202;
}

Frame routeHeaderFrame(int32_t layout, const RouteSlot& slot) {
    std::vector<uint8_t> d;
    if (layout == 4201) {
        d.assign(21, 0);
        ByteWriter w(d);
        w.u8(slot.number);
        w.padded(slot.name, 20, ' ');
    } else {
        std::string_view name(slot.name);
        name = name.substr(0, std::min<size_t>(name.size(), 13));
        if (size_t z = name.find('\0'); z != std::string_view::npos) name = name.substr(0, z);
        d.assign(name.begin(), name.end());
        d.push_back(0);
    }
    return makeFrame(pid::RouteHeader, d);
}

void readRouteHeader(int32_t layout, const Frame& f, int index, RouteSlot& slot) {
    slot.name.clear();
    const size_t n = frameDataLength(f);
    if (layout == 4201) {
        slot.number = frameByte(f, 0);
        for (size_t i = 1; i <= 20 && i < n; ++i) slot.name.push_back(static_cast<char>(f[3 + i]));
    } else {
        slot.number = static_cast<uint8_t>(index);
        for (size_t i = 0; i < 20 && i < n && f[3 + i]; ++i) slot.name.push_back(static_cast<char>(f[3 + i]));
    }
}

Frame routeLinkFrame() {
    std::vector<uint8_t> d(21, 0);
    ByteWriter w(d);
    w.u16(3);
    w.zeros(6);
    for (int i = 0; i < 12; ++i) w.u8(0xFF);
    w.u8(0);
    return makeFrame(pid::RouteLink, d);
}

bool parsePosition(const Frame& f, double& latitude, double& longitude) {
    if (frameId(f) != pid::Position || frameDataLength(f) < 16) return false;
    const double la = frameF64(f, 0) * 57.29577951307855;
    const double lo = frameF64(f, 8) * 57.29577951307855;
    if (!std::isfinite(la) || !std::isfinite(lo)) return false;
    latitude = la;
    longitude = lo;
    return true;
}

bool parseDateTime(const Frame& f, int64_t& unixTime) {
    if (frameId(f) != pid::DateTime || frameDataLength(f) < 8) return false;
    std::tm tm{};
    tm.tm_mon = frameByte(f, 0) - 1;
    tm.tm_mday = frameByte(f, 1);
    tm.tm_year = frameU16(f, 2) - 1900;
    tm.tm_hour = frameU16(f, 4);
    tm.tm_min = frameByte(f, 6);
    tm.tm_sec = frameByte(f, 7);
    const time_t t = timegm(&tm);
    if (t == static_cast<time_t>(-1)) return false;
    unixTime = static_cast<int64_t>(t);
    return true;
}

uint8_t japaneseDownload(uint8_t b) {
    if (b <= 32) return 0x20;
    if (b <= 77) return static_cast<uint8_t>(0xB1 + (b - 33));
    if (b == 78) return 0xA6;
    if (b <= 81) return static_cast<uint8_t>(0xAC + (b - 79));
    if (b <= 91) return static_cast<uint8_t>('0' + (b - 82));
    if (b == 92) return '-';
    if (b == 93) return 0xDF;
    if (b == 94) return 0xDE;
    // 95-127 have no character; bytes above 127 are not receiver text either.
    return 0x20;
}

uint8_t japaneseUpload(uint8_t b) {
    if (b == 32) return 32;
    if (b >= '1' && b <= '9') return static_cast<uint8_t>(83 + (b - '1'));
    if (b >= 0xAC && b <= 0xAE) return static_cast<uint8_t>(79 + (b - 0xAC));
    if (b >= 0xC0 && b <= 0xC9) return static_cast<uint8_t>(48 + (b - 0xC0));
    if (b >= 0xD1 && b <= 0xDD) return static_cast<uint8_t>(65 + (b - 0xD1));
    return 82;
}

std::string japaneseToText(std::string_view r) {
    std::string s(r);
    for (auto& c : s) c = static_cast<char>(japaneseDownload(static_cast<uint8_t>(c)));
    return s;
}

std::string japaneseToReceiver(std::string_view t) {
    std::string s(t);
    for (auto& c : s) c = static_cast<char>(japaneseUpload(static_cast<uint8_t>(c)));
    return s;
}

}  // namespace korvance
