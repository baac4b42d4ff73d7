#pragma once
// The error report every file writer shows when the system refuses a file
// operation: the path (or a word such as "Save") with the system error number
// in the caption.

#include <string>

#include "platform/UserPrompt.h"

namespace korvance::files {

inline std::string errorCaption(int systemError) {
    return "GetLastError=" + std::to_string(static_cast<unsigned long>(systemError));
}

inline void reportFileError(UserPrompt& prompt, const std::string& text, int systemError) {
    prompt.message(text, errorCaption(systemError), Icon::Stop);
}

}  // namespace korvance::files
