#include "geodesy/DisplayDatum.h"

namespace korvance {

std::string DisplayDatumName(std::string_view datumNameSetting) {
    // Length in UTF-16 units, the unit of the setting's buffer.
    size_t units = 0;
    for (const char ch : datumNameSetting) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
    }
    if (units + 1 > kDatumNameBufferChars) return kFallbackDatumName;
    return std::string(datumNameSetting);
}

}  // namespace korvance
