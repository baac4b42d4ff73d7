#pragma once
// Field-by-field encoding of little-endian records. Every on-disk and on-wire
// record goes through these: no struct is ever laid over bytes.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace korvance {

// The one place little-endian integers are put together and taken apart.
inline uint16_t loadLE16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t loadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t loadLE64(const uint8_t* p) { return uint64_t(loadLE32(p)) | (uint64_t(loadLE32(p + 4)) << 32); }
inline void storeLE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void storeLE32(uint8_t* p, uint32_t v) {
    storeLE16(p, uint16_t(v));
    storeLE16(p + 2, uint16_t(v >> 16));
}
inline void appendLE16(std::vector<uint8_t>& out, uint16_t v) {
    uint8_t b[2];
    storeLE16(b, v);
    out.insert(out.end(), b, b + 2);
}
inline void appendLE32(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t b[4];
    storeLE32(b, v);
    out.insert(out.end(), b, b + 4);
}

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
    void u16(uint16_t v) { uint8_t b[2]; storeLE16(b, v); put(b, 2); }
    void u32(uint32_t v) { uint8_t b[4]; storeLE32(b, v); put(b, 4); }
    void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v) { u32(std::bit_cast<uint32_t>(v)); }
    void f64(double v) {
        const uint64_t u = std::bit_cast<uint64_t>(v);
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
    uint16_t u16() { uint8_t b[2] = {0, 0}; get(b, 2); return loadLE16(b); }
    uint32_t u32() { uint8_t b[4] = {0, 0, 0, 0}; get(b, 4); return loadLE32(b); }
    int16_t i16() { return static_cast<int16_t>(u16()); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32() { return std::bit_cast<float>(u32()); }
    double f64() {
        const uint64_t lo = u32();
        const uint64_t hi = u32();
        return std::bit_cast<double>(lo | (hi << 32));
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
