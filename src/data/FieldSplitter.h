#pragma once
// Cuts one line of 8-bit text into fields at any of a set of separator bytes.
// Used by the text file readers, the datum table, the map files and the NMEA
// parser. Knows nothing of code pages.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace korvance {

class FieldSplitter {
public:
    // Both texts are copied; every byte of `separators` separates fields.
    FieldSplitter(std::string_view text, std::string_view separators);

    // 1 + the number of separator bytes in the text.
    int fieldCount() const { return fieldCount_; }

    // The fields in order. Two adjacent separators give an empty field; a
    // separator at the very end gives no further field. Returned views stay
    // valid as long as the splitter.
    std::optional<std::string_view> first();
    std::optional<std::string_view> next();
    // The text after the last separator (the whole text without one).
    std::string_view last() const;

private:
    bool isSeparator(char c) const { return separators_.find(c) != std::string::npos; }

    std::string text_;
    std::string separators_;
    size_t position_ = 0;
    int fieldCount_ = 1;
};

}  // namespace korvance
