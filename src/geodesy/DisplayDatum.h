#pragma once
// The name of the datum a document displays in, from its DatumName setting.

#include <cstddef>
#include <string>
#include <string_view>

namespace korvance {

// The datum name a document falls back to when DatumName does not fit its
// 512-character buffer; written without a blank, it is not a row name, so it
// selects the fallback row.
inline constexpr const char* kFallbackDatumName = "WGS84";
inline constexpr size_t kDatumNameBufferChars = 512;

// The datum name the document builds its datum from, given the DatumName
// setting: the setting when it fits the buffer (with its terminator, counted
// in UTF-16 units), else kFallbackDatumName.
std::string DisplayDatumName(std::string_view datumNameSetting);

}  // namespace korvance
