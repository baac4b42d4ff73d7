#pragma once
// The number in an XML attribute or element text, read the same under every
// locale (pugixml's as_double follows the C library's locale); NaN when the
// text is not a number.

#include <cmath>

#include <pugixml.hpp>

#include "data/TextUtil.h"

namespace korvance::testing {

inline double xmlNumber(const char* text) { return parseNumber(text).value_or(NAN); }
inline double xmlNumber(const pugi::xml_attribute& a) { return xmlNumber(a.value()); }
inline double xmlNumber(const pugi::xml_text& t) { return xmlNumber(t.get()); }

}  // namespace korvance::testing
