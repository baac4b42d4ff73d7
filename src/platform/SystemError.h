#pragma once
// The system's reason for a refused file or device operation, in words
// ("Permission denied", "No space left on device"), from an errno value.

#include <string>
#include <system_error>

namespace korvance {

inline std::string systemErrorText(int error) { return std::generic_category().message(error); }

}  // namespace korvance
