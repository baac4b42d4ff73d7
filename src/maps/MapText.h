#pragma once
// Text helpers shared by the readers of map lists and mapinfo.dat files.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"

namespace korvance::maptext {

inline constexpr const char* kInfoSignature = "Korvan CE";
inline constexpr const char* kListSignature = "Map List for Korvan CE";
// Description and list files are small; anything far larger is not one.
inline constexpr size_t kMaxTextFile = 16u << 20;

inline bool readText(const std::string& path, std::string& text) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes, nullptr, kMaxTextFile)) return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

// Lines split at LF, each without its LF (a CR before it stays; callers strip it).
inline std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

inline std::string stripCr(std::string s) {
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

inline std::string toSlashes(std::string s) {
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

}  // namespace korvance::maptext
