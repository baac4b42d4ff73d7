#pragma once
// Garmin symbol numbers and the names receivers and other programs put in
// GPX <sym> ("Flag, Blue", "Waypoint", ...).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvance::files {

// The name of a symbol number; a number without a name as its decimal text.
std::string garminSymbolName(int16_t symbol);

// The number of a symbol name (case and surrounding blanks do not matter) or
// of a decimal number in range; nothing for an unknown name.
std::optional<int16_t> garminSymbolNumber(std::string_view text);

}  // namespace korvance::files
