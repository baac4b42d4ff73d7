#pragma once
// The error report every file writer shows when the system refuses a file
// operation: the path (or a word such as "Save") with the system error number
// in the caption and the system's reason in words.

#include <string>

#include "platform/UserPrompt.h"

namespace korvance::files {

inline std::string errorCaption(int systemError) {
    return "GetLastError=" + std::to_string(static_cast<unsigned long>(systemError));
}

// `text` is the box's text (the path, or a word such as "Save"), `path` the
// file concerned; the reason in words goes with it.
inline void reportFileError(UserPrompt& prompt, const std::string& text, const std::string& path, int systemError) {
    prompt.systemFailure(text, errorCaption(systemError), Icon::Stop, path, systemError);
}

}  // namespace korvance::files
