#pragma once
// Typed, registry-like value store. Values live under a key path such as
// "SOFTWARE\\Ostrel\\Korvance"; each value is either a 32-bit DWORD, a text
// (UTF-8) or a binary blob. A read fails (std::nullopt) when the key or the
// value is missing or the value has another type.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace korvance {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Creates the key when it is missing. Returns false when the store cannot be used.
    virtual bool createKey(const std::string& keyPath) = 0;
    virtual bool deleteKey(const std::string& keyPath) = 0;
    virtual bool deleteValue(const std::string& keyPath, const std::string& name) = 0;

    virtual std::optional<uint32_t> readDword(const std::string& keyPath, const std::string& name) = 0;
    virtual std::optional<std::string> readString(const std::string& keyPath, const std::string& name) = 0;
    virtual std::optional<std::vector<uint8_t>> readBinary(const std::string& keyPath, const std::string& name) = 0;

    virtual bool writeDword(const std::string& keyPath, const std::string& name, uint32_t value) = 0;
    virtual bool writeString(const std::string& keyPath, const std::string& name, const std::string& value) = 0;
    virtual bool writeBinary(const std::string& keyPath, const std::string& name, const std::vector<uint8_t>& value) = 0;

    // Makes written values durable (a no-op for stores without a backing file).
    virtual void sync() {}
};

// In-memory store: the test double, and the store of a run that must not touch
// the user's settings.
class MemorySettingsStore : public SettingsStore {
public:
    using Value = std::variant<uint32_t, std::string, std::vector<uint8_t>>;

    bool createKey(const std::string& keyPath) override;
    bool deleteKey(const std::string& keyPath) override;
    bool deleteValue(const std::string& keyPath, const std::string& name) override;
    std::optional<uint32_t> readDword(const std::string& keyPath, const std::string& name) override;
    std::optional<std::string> readString(const std::string& keyPath, const std::string& name) override;
    std::optional<std::vector<uint8_t>> readBinary(const std::string& keyPath, const std::string& name) override;
    bool writeDword(const std::string& keyPath, const std::string& name, uint32_t value) override;
    bool writeString(const std::string& keyPath, const std::string& name, const std::string& value) override;
    bool writeBinary(const std::string& keyPath, const std::string& name, const std::vector<uint8_t>& value) override;

    bool hasKey(const std::string& keyPath) const { return keys_.count(keyPath) != 0; }
    const std::map<std::string, Value>* values(const std::string& keyPath) const;

private:
    std::map<std::string, std::map<std::string, Value>> keys_;
};

}  // namespace korvance
