#pragma once
// The ring of received NMEA bytes and the framing of its lines: a line runs
// to its line feed, must start with "$", must be shorter than the caller's
// buffer, and when it ends in "*hh\r\n" the two hex digits must equal the XOR
// of the characters between "$" and "*".

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvance {

class NmeaLineBuffer {
public:
    static constexpr uint32_t kCapacity = 2048;
    // The size of the line buffer the receiver takes lines into: a line must
    // be shorter than this (room for the terminating zero).
    static constexpr int kLineCapacity = 128;

    // Accepts the chunk only when its length is strictly smaller than the
    // free space, so the ring never becomes completely full. 1 accepted, 0 dropped.
    int append(const uint8_t* data, size_t size);
    int append(std::string_view chunk) {
        return append(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size());
    }

    // 0: no complete line. L > 0: a good line of L bytes (with its line feed)
    // was copied into `out` and zero-terminated. -1: a line was consumed but
    // rejected (`out` holds an empty string).
    //
    // Bytes without a line feed that already reach `capacity` can never make
    // an acceptable line; they are consumed as a rejected line so that line
    // noise cannot fill the ring and stop reception for good.
    int nextLine(char* out, int capacity);

    bool empty() const { return read_ == write_; }
    uint32_t size() const { return write_ >= read_ ? write_ - read_ : kCapacity - read_ + write_; }
    uint32_t freeSpace() const { return write_ < read_ ? read_ - write_ : kCapacity - write_ + read_; }
    void clear() { read_ = write_ = 0; }

private:
    uint8_t at(uint32_t offset) const { return storage_[(read_ + offset) % kCapacity]; }

    std::array<uint8_t, kCapacity> storage_{};
    uint32_t read_ = 0;
    uint32_t write_ = 0;
};

// The two-digit checksum of a sentence body (the characters between "$" and "*").
uint8_t NmeaChecksum(std::string_view body);

}  // namespace korvance
