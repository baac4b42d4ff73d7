// The stored settings of any content: every value the loader asks for is
// answered from the fuzz bytes (missing, of another type, or a value of any
// size), as a hand-edited or damaged settings file would answer. What is
// loaded, saved and loaded again must save the same values a second time.

#include <cstdint>
#include <cstdlib>

#include "platform/SettingsStore.h"
#include "settings/Settings.h"

using namespace korvance;

namespace {

// Each read takes a kind byte (0 missing, 1 a DWORD, 2 a text, 3 a blob,
// whatever was asked) and then the value: four bytes, or a length byte and
// that many bytes (a length of 255 repeats the next byte 5000 times, past any
// buffer).
class FuzzStore : public SettingsStore {
public:
    FuzzStore(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool createKey(const std::string&) override { return take() != 0xEE; }
    bool deleteKey(const std::string&) override { return true; }
    bool deleteValue(const std::string&, const std::string&) override { return true; }
    std::optional<uint32_t> readDword(const std::string&, const std::string&) override {
        if (kind() != 1) return std::nullopt;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(take()) << (8 * i);
        return v;
    }
    std::optional<std::string> readString(const std::string&, const std::string&) override {
        if (kind() != 2) return std::nullopt;
        std::vector<uint8_t> b = bytes();
        return std::string(b.begin(), b.end());
    }
    std::optional<std::vector<uint8_t>> readBinary(const std::string&, const std::string&) override {
        if (kind() != 3) return std::nullopt;
        return bytes();
    }
    bool writeDword(const std::string&, const std::string&, uint32_t) override { return true; }
    bool writeString(const std::string&, const std::string&, const std::string&) override { return true; }
    bool writeBinary(const std::string&, const std::string&, const std::vector<uint8_t>&) override { return true; }

private:
    uint8_t take() { return at_ < size_ ? data_[at_++] : 0; }
    // The kind asked for is answered only when the byte says so: a byte of
    // another kind is a value of the wrong type, which reads as missing.
    uint8_t kind() { return take() % 4; }
    std::vector<uint8_t> bytes() {
        const uint8_t n = take();
        if (n == 255) return std::vector<uint8_t>(5000, take());
        std::vector<uint8_t> b;
        for (uint8_t i = 0; i < n && at_ < size_; ++i) b.push_back(take());
        return b;
    }

    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

bool sameValues(const MemorySettingsStore& a, const MemorySettingsStore& b, const std::string& key) {
    const auto* va = a.values(key);
    const auto* vb = b.values(key);
    if (!va || !vb) return va == vb;
    return *va == *vb;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStore fuzzed(data, size);
    AppSettings loaded = loadAppSettings(fuzzed);
    validateModel(loaded);

    MemorySettingsStore first, second;
    if (!saveAppSettings(first, loaded)) std::abort();
    AppSettings again = loadAppSettings(first);
    validateModel(again);
    if (!saveAppSettings(second, again)) std::abort();
    if (!sameValues(first, second, kSettingsKey)) std::abort();
    return 0;
}
