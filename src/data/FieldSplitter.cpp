#include "data/FieldSplitter.h"

namespace korvance {

FieldSplitter::FieldSplitter(std::string_view text, std::string_view separators)
    : text_(text), separators_(separators) {
    for (char c : text_)
        if (isSeparator(c)) ++fieldCount_;
}

std::optional<std::string_view> FieldSplitter::first() {
    position_ = 0;
    return next();
}

std::optional<std::string_view> FieldSplitter::next() {
    if (position_ >= text_.size()) return std::nullopt;
    size_t end = position_;
    while (end < text_.size() && !isSeparator(text_[end])) ++end;
    std::string_view field(text_.data() + position_, end - position_);
    position_ = end + 1;
    return field;
}

std::string_view FieldSplitter::last() const {
    size_t i = text_.size();
    while (i > 0 && !isSeparator(text_[i - 1])) --i;
    return std::string_view(text_).substr(i);
}

}  // namespace korvance
