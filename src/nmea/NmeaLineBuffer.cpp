#include "nmea/NmeaLineBuffer.h"

#include <cstring>

namespace korvance {

namespace {

int hexValue(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

uint8_t NmeaChecksum(std::string_view body) {
    uint8_t x = 0;
    for (char c : body) x ^= static_cast<uint8_t>(c);
    return x;
}

int NmeaLineBuffer::append(const uint8_t* data, size_t size) {
    if (size >= freeSpace()) return 0;
    uint32_t n = static_cast<uint32_t>(size);
    uint32_t first = kCapacity - write_;
    if (first > n) first = n;
    std::memcpy(storage_.data() + write_, data, first);
    std::memcpy(storage_.data(), data + first, n - first);
    write_ = (write_ + n) % kCapacity;
    return 1;
}

int NmeaLineBuffer::nextLine(char* out, int capacity) {
    if (capacity > 0) out[0] = '\0';
    if (empty()) return 0;
    const uint32_t pending = size();
    uint32_t length = 0;  // up to and including the line feed
    for (uint32_t i = 0; i < pending; ++i) {
        if (at(i) == '\n') {
            length = i + 1;
            break;
        }
    }
    if (length == 0) {
        if (capacity > 0 && pending >= static_cast<uint32_t>(capacity)) {
            read_ = write_;  // an over-long line in progress: drop what there is
            return -1;
        }
        return 0;
    }
    auto consume = [&](int result) {
        read_ = (read_ + length) % kCapacity;
        return result;
    };
    if (at(0) != '$' || capacity <= 0 || length >= static_cast<uint32_t>(capacity)) return consume(-1);
    for (uint32_t i = 0; i < length; ++i) out[i] = static_cast<char>(at(i));
    out[length] = '\0';
    if (length >= 6 && out[length - 5] == '*') {
        int hi = hexValue(static_cast<uint8_t>(out[length - 4]));
        int lo = hexValue(static_cast<uint8_t>(out[length - 3]));
        uint8_t sum = NmeaChecksum(std::string_view(out + 1, length - 6));
        if (hi < 0 || lo < 0 || sum != (hi << 4 | lo)) {
            out[0] = '\0';
            return consume(-1);
        }
    }
    return consume(static_cast<int>(length));
}

}  // namespace korvance
