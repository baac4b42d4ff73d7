// The field splitter on arbitrary text: the fields joined by their separators
// give the text back, and there are never more fields than fieldCount().
#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/FieldSplitter.h"

using namespace korvance;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    size_t nsep = data[0] % 4;
    if (size < 1 + nsep) return 0;
    std::string seps(reinterpret_cast<const char*>(data + 1), nsep);
    std::string text(reinterpret_cast<const char*>(data + 1 + nsep), size - 1 - nsep);
    FieldSplitter s(text, seps);
    std::string joined;
    int fields = 0;
    for (auto f = s.first(); f; f = s.next()) {
        if (fields > 0) joined += text[joined.size()];  // the separator that ended the previous field
        joined += *f;
        if (++fields > s.fieldCount()) std::abort();
    }
    if (text.compare(0, joined.size(), joined) != 0) std::abort();
    // Only a separator at the very end may be left over.
    if (joined.size() + 1 < text.size() || (joined.size() + 1 == text.size() && seps.find(text.back()) == std::string::npos))
        std::abort();
    std::string last(s.last());
    if (text.size() < last.size() || text.compare(text.size() - last.size(), last.size(), last) != 0) std::abort();
    return 0;
}
