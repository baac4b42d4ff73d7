#include "garmin/GarminPacket.h"

#include <array>
#include <bit>
#include <cstdio>

#include "data/Bytes.h"

namespace korvance {

Frame makeFrame(uint8_t id, const uint8_t* data, size_t size) {
    if (size > 255) size = 255;
    Frame f;
    f.reserve(size + 6);
    f.push_back(kDle);
    f.push_back(id);
    f.push_back(static_cast<uint8_t>(size));
    if (size) f.insert(f.end(), data, data + size);
    f.push_back(0);
    f.push_back(kDle);
    f.push_back(kEtx);
    setChecksum(f);
    return f;
}

Frame makeFrame(uint8_t id, std::initializer_list<uint8_t> data) {
    return makeFrame(id, data.begin(), data.size());
}

Frame makeFrame(uint8_t id, const std::vector<uint8_t>& data) {
    return makeFrame(id, data.data(), data.size());
}

Frame commandFrame(uint16_t command) { return u16Frame(pid::Command, command); }

Frame u16Frame(uint8_t id, uint16_t value) {
    uint8_t b[2];
    storeLE16(b, value);
    return makeFrame(id, b, 2);
}

size_t frameDataLength(const Frame& f) {
    if (f.size() < 3) return 0;
    size_t n = f[2];
    size_t have = f.size() - 3;
    return n < have ? n : have;
}

namespace {
// The bytes of a field; those past the frame's end read as zeros.
template <size_t N>
std::array<uint8_t, N> fieldBytes(const Frame& f, size_t offset) {
    std::array<uint8_t, N> b{};
    for (size_t i = 0; i < N; ++i) b[i] = frameByte(f, offset + i);
    return b;
}
}  // namespace

uint16_t frameU16(const Frame& f, size_t offset) { return loadLE16(fieldBytes<2>(f, offset).data()); }
uint32_t frameU32(const Frame& f, size_t offset) { return loadLE32(fieldBytes<4>(f, offset).data()); }
float frameF32(const Frame& f, size_t offset) { return std::bit_cast<float>(frameU32(f, offset)); }
double frameF64(const Frame& f, size_t offset) { return std::bit_cast<double>(loadLE64(fieldBytes<8>(f, offset).data())); }

uint8_t computeChecksum(const Frame& f) {
    unsigned sum = 0;
    if (f.size() > 1) sum += f[1];
    if (f.size() > 2) sum += f[2];
    const size_t n = frameDataLength(f);
    for (size_t i = 0; i < n; ++i) sum += f[3 + i];
    return static_cast<uint8_t>((256 - (sum & 0xFF)) & 0xFF);
}

void setChecksum(Frame& f) {
    if (f.size() < 3) return;
    const size_t at = size_t(f[2]) + 3;
    if (at < f.size()) f[at] = computeChecksum(f);
}

bool checksumOk(const Frame& f) {
    if (f.size() < 3) return false;
    const size_t at = size_t(f[2]) + 3;
    return at < f.size() && f[at] == computeChecksum(f);
}

std::vector<uint8_t> stuffFrame(const Frame& f) {
    std::vector<uint8_t> out;
    if (f.size() < 3) return out;
    const size_t n = f[2];
    out.reserve(f.size() * 2);
    out.push_back(kDle);
    out.push_back(f[1]);
    // Size, data and checksum: everything from byte 2 up to the trailer.
    for (size_t i = 2; i < n + 4 && i < f.size(); ++i) {
        out.push_back(f[i]);
        if (f[i] == kDle) out.push_back(kDle);
    }
    out.push_back(kDle);
    out.push_back(kEtx);
    return out;
}

bool FrameDecoder::feed(uint8_t b) {
    switch (state_) {
        case State::Lead:
            if (b == kDle) {
                frame_.assign(1, kDle);
                state_ = State::Id;
            }
            return false;
        case State::Id:
            if (b == kEtx || b == kDle) {  // a trailer or a stray DLE: not a frame start
                state_ = b == kDle ? State::Id : State::Lead;
                return false;
            }
            frame_.push_back(b);
            state_ = State::Size;
            return false;
        case State::Size:
            frame_.push_back(b);
            want_ = b;
            state_ = b == kDle ? State::SizeDle : (want_ ? State::Data : State::Check);
            return false;
        case State::SizeDle:
            if (b != kDle) { reset(); return false; }
            state_ = want_ ? State::Data : State::Check;
            return false;
        case State::Data:
            frame_.push_back(b);
            --want_;
            if (b == kDle) state_ = State::DataDle;
            else if (want_ == 0) state_ = State::Check;
            return false;
        case State::DataDle:
            if (b != kDle) { reset(); return false; }
            state_ = want_ ? State::Data : State::Check;
            return false;
        case State::Check:
            frame_.push_back(b);
            state_ = b == kDle ? State::CheckDle : State::EndDle;
            return false;
        case State::CheckDle:
            if (b != kDle) { reset(); return false; }
            state_ = State::EndDle;
            return false;
        case State::EndDle:
            if (b != kDle) { reset(); return false; }
            frame_.push_back(kDle);
            state_ = State::EndEtx;
            return false;
        case State::EndEtx:
            state_ = State::Lead;
            if (b != kEtx) { frame_.clear(); return false; }
            frame_.push_back(kEtx);
            return true;
    }
    return false;
}

const char* packetName(uint8_t id) {
    switch (id) {
        case pid::Ack: return "ACK";
        case pid::Command: return "command";
        case pid::XferComplete: return "transfer complete";
        case pid::DateTime: return "date and time";
        case pid::Position: return "position";
        case pid::Nak: return "NAK";
        case pid::Records: return "records";
        case pid::RouteHeader: return "route header";
        case pid::RouteWaypoint: return "route waypoint";
        case pid::TrackPoint: return "track point";
        case pid::Waypoint: return "waypoint";
        case pid::SpeedRestore: return "speed restore";
        case pid::SpeedRequest: return "line speed request";
        case pid::SpeedAnswer: return "line speed answer";
        case pid::RouteLink: return "route link";
        case pid::TrackHeader: return "track header";
        case pid::ProtocolArray: return "protocol array";
        case pid::ProductRequest: return "product request";
        case pid::ProductData: return "product data";
        default: return "unknown";
    }
}

std::string describeFrame(const char* direction, const Frame& f) {
    char head[96];
    const uint8_t id = frameId(f);
    std::snprintf(head, sizeof head, "%s id %3u %-20s size %3zu", direction, id, packetName(id), frameSize(f));
    std::string line = head;
    if (id == pid::Command || id == pid::XferComplete || id == pid::Records) {
        line += " value " + std::to_string(frameU16(f, 0));
    }
    const size_t n = frameDataLength(f);
    if (n) line += " :";
    for (size_t i = 0; i < n; ++i) {
        char hx[4];
        std::snprintf(hx, sizeof hx, " %02X", f[3 + i]);
        line += hx;
    }
    if (!checksumOk(f)) line += " (bad checksum)";
    return line;
}

}  // namespace korvance
