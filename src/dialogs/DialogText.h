#pragma once
// Text helpers of the dialogs: lengths and cuts in characters (UTF-8 code
// points, the unit the fields count in) and the integer fields read back on OK.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/UserPrompt.h"

namespace korvance {

size_t uiLength(std::string_view text);
// The first `chars` characters of `text`.
std::string uiLeft(std::string_view text, size_t chars);

// "%d"
std::string intText(int64_t value);
// The integer of a number field's text: blanks around it and a sign are
// allowed; nothing for any other text or beyond 64 bits.
std::optional<int64_t> parseIntegerField(std::string_view text);
// An integer typed into a number field, read back on OK. Blanks around it
// and a sign are allowed; anything else shows "Please enter an integer.",
// and a number outside min..max the range message. Nothing is returned then
// and the dialog stays open.
std::optional<int64_t> readIntegerField(std::string_view text, int64_t min, int64_t max, UserPrompt& prompt);
// The range message: "Please enter an integer between 0 and 99."
std::string rangeMessage(int64_t min, int64_t max);
inline constexpr const char* kMsgEnterInteger = "Please enter an integer.";
// A text field over its limit: "Enter no more than 10 characters."
std::string lengthMessage(size_t limit);

}  // namespace korvance
