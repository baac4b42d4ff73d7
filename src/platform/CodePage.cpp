#include "platform/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace korvance {

namespace {

iconv_t openConv(const std::string& to, const std::string& from) {
    return iconv_open(to.c_str(), from.c_str());
}

bool usable(void* cd) {
    return cd != nullptr && reinterpret_cast<iconv_t>(cd) != reinterpret_cast<iconv_t>(-1);
}

// Length of the UTF-8 sequence that starts with `b` (1 for a stray byte).
size_t utf8SeqLength(unsigned char b) {
    if (b >= 0xF0 && b <= 0xF7) return 4;
    if (b >= 0xE0) return 3;
    if (b >= 0xC0) return 2;
    return 1;
}

// Runs iconv over the whole input; on an invalid or unconvertible sequence,
// skips it (one byte, or one UTF-8 character when the input is UTF-8) and
// writes `replacement` instead.
std::string convert(void* handle, std::string_view in, std::string_view replacement, bool inputIsUtf8) {
    iconv_t cd = reinterpret_cast<iconv_t>(handle);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.reserve(in.size() * 2 + 8);
    std::vector<char> buf(256);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    while (srcLeft > 0) {
        char* dst = buf.data();
        size_t dstLeft = buf.size();
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf.data(), buf.size() - dstLeft);
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (truncated sequence at the end)
        size_t skip = inputIsUtf8 ? utf8SeqLength(static_cast<unsigned char>(*src)) : 1;
        if (skip > srcLeft) skip = srcLeft;
        src += skip;
        srcLeft -= skip;
        out.append(replacement);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* dst = buf.data();
    size_t dstLeft = buf.size();
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    out.append(buf.data(), buf.size() - dstLeft);
    return out;
}

}  // namespace

bool CodePage::isKnown(const std::string& name) {
    iconv_t cd = openConv("UTF-8", name);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv_close(cd);
    return true;
}

CodePage::CodePage(const std::string& name) : name_(name) {
    if (!isKnown(name_)) name_ = defaultName();
    toUtf8_ = reinterpret_cast<void*>(openConv("UTF-8", name_));
    fromUtf8_ = reinterpret_cast<void*>(openConv(name_, "UTF-8"));
    valid_ = usable(toUtf8_) && usable(fromUtf8_) && name_ == name;
    std::string upper;
    for (char c : name_) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    doubleByte_ = upper == "CP932" || upper == "SHIFT_JIS" || upper == "SHIFT-JIS" || upper == "SJIS" ||
                  upper == "WINDOWS-31J" || upper == "MS_KANJI";
}

CodePage::~CodePage() {
    if (usable(toUtf8_)) iconv_close(reinterpret_cast<iconv_t>(toUtf8_));
    if (usable(fromUtf8_)) iconv_close(reinterpret_cast<iconv_t>(fromUtf8_));
}

std::string CodePage::toUtf8(std::string_view oem) const {
    if (!usable(toUtf8_)) return std::string(oem);
    return convert(toUtf8_, oem, "\xEF\xBF\xBD", false);
}

std::string CodePage::fromUtf8(std::string_view utf8) const {
    if (!usable(fromUtf8_)) return std::string(utf8);
    return convert(fromUtf8_, utf8, "?", true);
}

std::u16string CodePage::toUtf16(std::string_view oem) const {
    return utf8ToUtf16(toUtf8(oem));
}

std::string CodePage::fromUtf16(std::u16string_view text) const {
    return fromUtf8(utf16ToUtf8(text));
}

bool CodePage::isLeadByte(unsigned char lead) const {
    return doubleByte_ && ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC));
}

size_t CodePage::cutLength(std::string_view oem, size_t maxBytes) const {
    size_t n = oem.size() < maxBytes ? oem.size() : maxBytes;
    if (!doubleByte_) return n;
    size_t i = 0;
    while (i < n) {
        size_t len = isLeadByte(static_cast<unsigned char>(oem[i])) ? 2 : 1;
        if (i + len > n) break;
        i += len;
    }
    return i;
}

std::u16string utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        size_t len = utf8SeqLength(b);
        char32_t cp = 0xFFFD;
        if (len == 1) {
            cp = b < 0x80 ? b : 0xFFFD;
        } else if (i + len <= s.size()) {
            cp = b & (0xFF >> (len + 1));
            bool ok = true;
            for (size_t k = 1; k < len; ++k) {
                unsigned char c = static_cast<unsigned char>(s[i + k]);
                if ((c & 0xC0) != 0x80) { ok = false; break; }
                cp = (cp << 6) | (c & 0x3F);
            }
            if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { cp = 0xFFFD; len = 1; }
        } else {
            len = s.size() - i;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

}  // namespace korvance
