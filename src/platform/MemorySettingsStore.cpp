#include "platform/SettingsStore.h"

namespace korvance {

bool MemorySettingsStore::createKey(const std::string& keyPath) {
    keys_[keyPath];
    return true;
}

bool MemorySettingsStore::deleteKey(const std::string& keyPath) {
    return keys_.erase(keyPath) != 0;
}

bool MemorySettingsStore::deleteValue(const std::string& keyPath, const std::string& name) {
    auto k = keys_.find(keyPath);
    return k != keys_.end() && k->second.erase(name) != 0;
}

template <typename T>
static std::optional<T> readAs(const std::map<std::string, std::map<std::string, MemorySettingsStore::Value>>& keys,
                               const std::string& keyPath, const std::string& name) {
    auto k = keys.find(keyPath);
    if (k == keys.end()) return std::nullopt;
    auto v = k->second.find(name);
    if (v == k->second.end()) return std::nullopt;
    if (const T* t = std::get_if<T>(&v->second)) return *t;
    return std::nullopt;
}

std::optional<uint32_t> MemorySettingsStore::readDword(const std::string& keyPath, const std::string& name) {
    return readAs<uint32_t>(keys_, keyPath, name);
}
std::optional<std::string> MemorySettingsStore::readString(const std::string& keyPath, const std::string& name) {
    return readAs<std::string>(keys_, keyPath, name);
}
std::optional<std::vector<uint8_t>> MemorySettingsStore::readBinary(const std::string& keyPath, const std::string& name) {
    return readAs<std::vector<uint8_t>>(keys_, keyPath, name);
}

bool MemorySettingsStore::writeDword(const std::string& keyPath, const std::string& name, uint32_t value) {
    auto k = keys_.find(keyPath);
    if (k == keys_.end()) return false;
    k->second[name] = value;
    return true;
}
bool MemorySettingsStore::writeString(const std::string& keyPath, const std::string& name, const std::string& value) {
    auto k = keys_.find(keyPath);
    if (k == keys_.end()) return false;
    k->second[name] = value;
    return true;
}
bool MemorySettingsStore::writeBinary(const std::string& keyPath, const std::string& name,
                                      const std::vector<uint8_t>& value) {
    auto k = keys_.find(keyPath);
    if (k == keys_.end()) return false;
    k->second[name] = value;
    return true;
}

const std::map<std::string, MemorySettingsStore::Value>* MemorySettingsStore::values(const std::string& keyPath) const {
    auto k = keys_.find(keyPath);
    return k == keys_.end() ? nullptr : &k->second;
}

}  // namespace korvance
