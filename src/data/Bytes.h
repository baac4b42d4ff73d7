#pragma once
// Field-by-field encoding of little-endian records. Every on-disk and on-wire
// record goes through these: no struct is ever laid over bytes.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace korvance {

// Writes into a caller-sized buffer; a write past the end is dropped and
// remembered (ok() turns false) instead of overflowing.
class ByteWriter {
public:
    ByteWriter(uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteWriter(std::vector<uint8_t>& v) : data_(v.data()), size_(v.size()) {}

    void seek(size_t pos) { pos_ = pos; }
    size_t pos() const { return pos_; }
    bool ok() const { return ok_; }

    void u8(uint8_t v) { put(&v, 1); }
    void u16(uint16_t v) { uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)}; put(b, 2); }
    void u32(uint32_t v) {
        uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        put(b, 4);
    }
    void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v) { uint32_t u; std::memcpy(&u, &v, 4); u32(u); }
    void f64(double v) {
        uint64_t u;
        std::memcpy(&u, &v, 8);
        u32(static_cast<uint32_t>(u));
        u32(static_cast<uint32_t>(u >> 32));
    }
    // A fixed text field of `width` bytes: the text cut to width - 1 bytes,
    // then zero-filled (so it is always terminated).
    void text(std::string_view s, size_t width) { fixed(s, width, 0, true); }
    // A fixed field padded with `pad` and not necessarily terminated (Garmin
    // blank-padded names).
    void padded(std::string_view s, size_t width, uint8_t pad) { fixed(s, width, pad, false); }
    void bytes(const void* p, size_t n) { put(static_cast<const uint8_t*>(p), n); }
    void zeros(size_t n) { for (size_t i = 0; i < n; ++i) u8(0); }

private:
    void fixed(std::string_view s, size_t width, uint8_t pad, bool terminate) {
        if (width == 0) return;
        size_t n = s.size();
        size_t room = terminate ? width - 1 : width;
        if (n > room) n = room;
        put(reinterpret_cast<const uint8_t*>(s.data()), n);
        for (size_t i = n; i < width; ++i) u8(pad);
    }
    void put(const uint8_t* p, size_t n) {
        if (pos_ > size_ || n > size_ - pos_) { ok_ = false; pos_ += n; return; }
        std::memcpy(data_ + pos_, p, n);
        pos_ += n;
    }
    uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Reads from a byte range; reading past the end yields zeros and turns ok() false.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteReader(const std::vector<uint8_t>& v) : data_(v.data()), size_(v.size()) {}

    void seek(size_t pos) { pos_ = pos; }
    size_t pos() const { return pos_; }
    size_t remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }
    bool ok() const { return ok_; }

    uint8_t u8() { uint8_t b[1] = {0}; get(b, 1); return b[0]; }
    uint16_t u16() { uint8_t b[2] = {0, 0}; get(b, 2); return uint16_t(b[0] | (b[1] << 8)); }
    uint32_t u32() {
        uint8_t b[4] = {0, 0, 0, 0};
        get(b, 4);
        return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
    }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32() { uint32_t u = u32(); float v; std::memcpy(&v, &u, 4); return v; }
    double f64() {
        uint64_t lo = u32();
        uint64_t hi = u32();
        uint64_t u = lo | (hi << 32);
        double v;
        std::memcpy(&v, &u, 8);
        return v;
    }
    // A fixed text field of `width` bytes: the bytes up to the first zero (or all of them).
    std::string text(size_t width) {
        std::string s(width, '\0');
        get(reinterpret_cast<uint8_t*>(s.data()), width);
        size_t z = s.find('\0');
        if (z != std::string::npos) s.resize(z);
        return s;
    }
    void bytes(void* p, size_t n) { get(static_cast<uint8_t*>(p), n); }
    void skip(size_t n) {
        if (n > remaining()) { ok_ = false; pos_ = size_; } else { pos_ += n; }
    }

private:
    void get(uint8_t* p, size_t n) {
        if (pos_ > size_ || n > size_ - pos_) {
            ok_ = false;
            std::memset(p, 0, n);
            pos_ = size_;
            return;
        }
        std::memcpy(p, data_ + pos_, n);
        pos_ += n;
    }
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace korvance
