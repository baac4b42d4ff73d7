#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "cli/Cli.h"

namespace korvance::cli {

std::optional<std::string> Args::option(const std::string& name) {
    for (size_t i = 0; i < words_.size(); ++i) {
        const std::string& w = words_[i];
        if (w == name) {
            if (i + 1 >= words_.size()) {
                missingValue = true;
                words_.erase(words_.begin() + static_cast<long>(i));
                return std::nullopt;
            }
            std::string v = words_[i + 1];
            words_.erase(words_.begin() + static_cast<long>(i), words_.begin() + static_cast<long>(i) + 2);
            return v;
        }
        if (w.size() > name.size() && w.compare(0, name.size(), name) == 0 && w[name.size()] == '=') {
            std::string v = w.substr(name.size() + 1);
            words_.erase(words_.begin() + static_cast<long>(i));
            return v;
        }
    }
    return std::nullopt;
}

bool Args::flag(const std::string& name) {
    for (size_t i = 0; i < words_.size(); ++i) {
        if (words_[i] == name) {
            words_.erase(words_.begin() + static_cast<long>(i));
            return true;
        }
    }
    return false;
}

std::string Args::unknownOption() const {
    for (const auto& w : words_) {
        // "-12.5" is a number, not an option
        if (w.size() > 2 && w[0] == '-' && w[1] == '-') return w;
    }
    return {};
}

std::optional<long> parseInteger(const std::string& word) {
    if (word.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(word.c_str(), &end, 10);
    if (end != word.c_str() + word.size() || errno == ERANGE) return std::nullopt;
    return v;
}

}  // namespace korvance::cli
