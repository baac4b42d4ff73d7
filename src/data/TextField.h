#pragma once
// Fixed, zero-terminated 8-bit text fields of records. Text is cut by bytes of
// the code page and never inside a two-byte character.

#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace korvance {

// Bytes of `text` that fit a field of `width` bytes with its terminator: at
// most width - 1, shortened so that a two-byte character of `codePage` is not
// split (byte cut when no code page is given). A zero byte ends the text.
inline size_t fieldTextLength(std::string_view text, size_t width, const CodePage* codePage) {
    if (width == 0) return 0;
    size_t z = text.find('\0');
    if (z != std::string_view::npos) text = text.substr(0, z);
    size_t room = width - 1;
    if (text.size() <= room) return text.size();
    return codePage ? codePage->cutLength(text, room) : room;
}

// A text field of N bytes whose last byte is always 0.
template <size_t N>
class FixedText {
public:
    static constexpr size_t width = N;

    FixedText() { bytes_.fill(0); }
    explicit FixedText(std::string_view s, const CodePage* cp = nullptr) { set(s, cp); }

    void set(std::string_view s, const CodePage* cp = nullptr) {
        bytes_.fill(0);
        std::memcpy(bytes_.data(), s.data(), fieldTextLength(s, N, cp));
    }
    // Stored bytes exactly as read from a record: everything after the first
    // zero is kept so that a record written back is byte-identical.
    void setRaw(const uint8_t* src) {
        std::memcpy(bytes_.data(), src, N);
        bytes_[N - 1] = 0;
    }
    std::string_view view() const { return std::string_view(bytes_.data()); }
    std::string str() const { return std::string(view()); }
    const char* c_str() const { return bytes_.data(); }
    const std::array<char, N>& raw() const { return bytes_; }
    bool empty() const { return bytes_[0] == 0; }

    friend bool operator==(const FixedText& a, const FixedText& b) { return a.bytes_ == b.bytes_; }

private:
    std::array<char, N> bytes_;
};

}  // namespace korvance
