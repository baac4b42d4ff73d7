#include "geodesy/DisplayDatum.h"

namespace korvance {

std::string DisplayDatumName(std::string_view datumNameSetting) {
    if (datumNameSetting.size() >= 512) return "WGS84";
    return std::string(datumNameSetting);
}

}  // namespace korvance
