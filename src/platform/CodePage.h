#pragma once
// Conversion between the 8-bit OEM text of records and files and the UTF-8 /
// UTF-16 text of the user interface, through iconv.
//
// Bytes that do not decode become U+FFFD; characters the code page lacks
// become '?'. A CodePage is not safe for concurrent use: give each thread its own.

#include <string>
#include <string_view>

namespace korvance {

class CodePage {
public:
    // Any iconv name: "CP1252" (the default), "CP932", "CP437", "ISO-8859-1" ...
    // An unknown name falls back to CP1252; valid() tells.
    explicit CodePage(const std::string& name = defaultName());
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    static std::string defaultName() { return "CP1252"; }
    static bool isKnown(const std::string& name);

    const std::string& name() const { return name_; }
    bool valid() const { return valid_; }

    std::string toUtf8(std::string_view oem) const;
    std::string fromUtf8(std::string_view utf8) const;
    std::u16string toUtf16(std::string_view oem) const;
    std::string fromUtf16(std::u16string_view text) const;

    // True when `lead` starts a two-byte character in this code page (CP932
    // lead bytes 0x81-0x9F and 0xE0-0xFC); false for single-byte code pages.
    bool isLeadByte(unsigned char lead) const;
    // The longest prefix of `oem` of at most maxBytes bytes that does not end
    // inside a two-byte character.
    size_t cutLength(std::string_view oem, size_t maxBytes) const;

private:
    std::string name_;
    bool valid_ = false;
    bool doubleByte_ = false;
    void* toUtf8_ = nullptr;    // iconv_t
    void* fromUtf8_ = nullptr;  // iconv_t
};

// UTF-8 <-> UTF-16 without a code page.
std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace korvance
