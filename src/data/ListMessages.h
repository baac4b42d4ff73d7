#pragma once
// How the lists report their limits: the error message window, with its beep.

#include <string>

#include "platform/UserPrompt.h"

namespace korvance {

inline constexpr const char* kMsgWaypointOverflow = "Waypoint overflow!";
inline constexpr const char* kMsgRouteCountOverflow = "Route count overflow!";
inline constexpr const char* kMsgRouteWaypointOverflow = "Route waypoint count overflow!";

inline void showListLimit(UserPrompt& prompt, const std::string& text) {
    prompt.beep(BeepKind::Asterisk);
    prompt.errorWindow(text);
}

// Growing an array failed: nothing was changed.
inline void showNotEnoughMemory(UserPrompt& prompt) {
    prompt.message("not enough memory", "korvance", Icon::Stop);
}

}  // namespace korvance
