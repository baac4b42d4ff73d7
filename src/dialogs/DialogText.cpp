#include "dialogs/DialogText.h"

#include <charconv>

#include "data/TextUtil.h"

namespace korvance {

namespace {

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

size_t uiLength(std::string_view text) {
    size_t n = 0;
    for (char c : text)
        if (!isContinuation(c)) ++n;
    return n;
}

std::string uiLeft(std::string_view text, size_t chars) {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (isContinuation(text[i])) continue;
        if (n == chars) return std::string(text.substr(0, i));
        ++n;
    }
    return std::string(text);
}

std::string intText(int64_t value) {
    char buffer[24];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;
    return std::string(buffer, end);
}

std::string rangeMessage(int64_t min, int64_t max) {
    return "Please enter an integer between " + intText(min) + " and " + intText(max) + ".";
}

std::string lengthMessage(size_t limit) {
    return "Enter no more than " + intText(static_cast<int64_t>(limit)) + " characters.";
}

std::optional<int64_t> parseIntegerField(std::string_view text) {
    std::string_view s = trimBlanks(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<int64_t> readIntegerField(std::string_view text, int64_t min, int64_t max, UserPrompt& prompt) {
    const std::optional<int64_t> value = parseIntegerField(text);
    if (!value) {
        // Digits alone that do not fit are a number out of range, not a non-number.
        std::string_view s = trimBlanks(text);
        if (!s.empty() && (s.front() == '+' || s.front() == '-')) s.remove_prefix(1);
        const bool digits = !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
        prompt.message(digits ? rangeMessage(min, max) : std::string(kMsgEnterInteger), kAppCaption, Icon::Warning);
        return std::nullopt;
    }
    if (*value < min || *value > max) {
        prompt.message(rangeMessage(min, max), kAppCaption, Icon::Warning);
        return std::nullopt;
    }
    return value;
}

}  // namespace korvance
