#pragma once
// One open key of the settings store, with the registry's rules: opening
// creates the key when it is missing, and every read fails (the caller keeps
// its default) when no key is open, the value is missing, has another type or
// does not fit the caller's buffer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvance {

class SettingsStore;

class RegistryKey {
public:
    explicit RegistryKey(SettingsStore* root) : root_(root) {}
    ~RegistryKey() { close(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Closes any open key, then opens (creating) `path`. False when the store refuses.
    bool open(const std::string& path);
    void close() {
        open_ = false;
        key_.clear();
    }
    bool isOpen() const { return open_; }

    bool deleteKey(const std::string& path);
    bool deleteValue(const std::string& name);

    // `bufferBytes` is the room of a UTF-16 buffer: the text with its
    // terminator must fit, (length + 1) * 2 bytes.
    bool readString(const std::string& name, std::string& out, size_t bufferBytes) const;
    bool writeString(const std::string& name, const std::string& text);
    bool readDword(const std::string& name, uint32_t& out) const;
    bool writeDword(const std::string& name, uint32_t value);
    bool readBinary(const std::string& name, std::vector<uint8_t>& out, size_t bufferBytes) const;
    bool writeBinary(const std::string& name, const std::vector<uint8_t>& data);

private:
    SettingsStore* root_;
    std::string key_;
    bool open_ = false;
};

}  // namespace korvance
