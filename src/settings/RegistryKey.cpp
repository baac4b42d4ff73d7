#include "settings/RegistryKey.h"

#include "platform/CodePage.h"
#include "platform/SettingsStore.h"

namespace korvance {

bool RegistryKey::open(const std::string& path) {
    close();
    if (root_ == nullptr || !root_->createKey(path)) return false;
    key_ = path;
    open_ = true;
    return true;
}

bool RegistryKey::deleteKey(const std::string& path) { return root_ != nullptr && root_->deleteKey(path); }

bool RegistryKey::deleteValue(const std::string& name) { return open_ && root_->deleteValue(key_, name); }

bool RegistryKey::readString(const std::string& name, std::string& out, size_t bufferBytes) const {
    if (!open_) return false;
    auto v = root_->readString(key_, name);
    if (!v) return false;
    if ((utf8ToUtf16(*v).size() + 1) * 2 > bufferBytes) return false;
    out = std::move(*v);
    return true;
}

bool RegistryKey::writeString(const std::string& name, const std::string& text) {
    return open_ && root_->writeString(key_, name, text);
}

bool RegistryKey::readDword(const std::string& name, uint32_t& out) const {
    if (!open_) return false;
    auto v = root_->readDword(key_, name);
    if (!v) return false;
    out = *v;
    return true;
}

bool RegistryKey::writeDword(const std::string& name, uint32_t value) {
    return open_ && root_->writeDword(key_, name, value);
}

bool RegistryKey::readBinary(const std::string& name, std::vector<uint8_t>& out, size_t bufferBytes) const {
    if (!open_) return false;
    auto v = root_->readBinary(key_, name);
    if (!v || v->size() > bufferBytes) return false;
    out = std::move(*v);
    return true;
}

bool RegistryKey::writeBinary(const std::string& name, const std::vector<uint8_t>& data) {
    return open_ && root_->writeBinary(key_, name, data);
}

}  // namespace korvance
