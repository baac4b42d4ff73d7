#include "qtplatform/QtSettingsStore.h"

#include <QByteArray>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QString>

#include <cctype>
#include <cstdlib>

namespace korvance {

namespace {

// Registry key paths use '\'; QSettings groups use '/'. Value names keep
// their text but may not hold a separator of either kind.
QString keyOf(const std::string& keyPath, const std::string& name) {
    QString k = QString::fromStdString(keyPath).replace('\\', '/');
    QString n = QString::fromStdString(name).replace('\\', '_').replace('/', '_');
    return n.isEmpty() ? k : k + '/' + n;
}

}  // namespace

std::string QtSettingsStore::defaultPath() {
    if (const char* env = std::getenv("KORVANCE_SETTINGS_FILE"); env && *env) return env;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (dir.isEmpty()) dir = QDir::homePath() + "/.config";
    return (dir + "/korvance/korvance.ini").toStdString();
}

QtSettingsStore::QtSettingsStore(const std::string& iniPath)
    : path_(iniPath), settings_(std::make_unique<QSettings>(QString::fromStdString(iniPath), QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() { sync(); }

bool QtSettingsStore::createKey(const std::string&) {
    // Keys exist through their values; the store is usable when its file can be written.
    return settings_->isWritable() && settings_->status() != QSettings::AccessError;
}

bool QtSettingsStore::deleteKey(const std::string& keyPath) {
    settings_->remove(keyOf(keyPath, ""));
    return true;
}

bool QtSettingsStore::deleteValue(const std::string& keyPath, const std::string& name) {
    const QString k = keyOf(keyPath, name);
    if (!settings_->contains(k)) return false;
    settings_->remove(k);
    return true;
}

std::optional<std::string> QtSettingsStore::raw(const std::string& keyPath, const std::string& name,
                                                const char* tag) {
    const QVariant v = settings_->value(keyOf(keyPath, name));
    if (!v.isValid() || v.typeId() != QMetaType::QString) return std::nullopt;
    const std::string s = v.toString().toStdString();
    const std::string prefix = tag;
    if (s.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    return s.substr(prefix.size());
}

bool QtSettingsStore::put(const std::string& keyPath, const std::string& name, const std::string& tagged) {
    if (!createKey(keyPath)) return false;
    settings_->setValue(keyOf(keyPath, name), QString::fromStdString(tagged));
    return true;
}

std::optional<uint32_t> QtSettingsStore::readDword(const std::string& keyPath, const std::string& name) {
    const auto s = raw(keyPath, name, "dword:");
    if (!s || s->empty() || s->size() > 10) return std::nullopt;
    uint64_t v = 0;
    for (char c : *s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<uint32_t>(v);
}

std::optional<std::string> QtSettingsStore::readString(const std::string& keyPath, const std::string& name) {
    return raw(keyPath, name, "sz:");
}

std::optional<std::vector<uint8_t>> QtSettingsStore::readBinary(const std::string& keyPath, const std::string& name) {
    const auto s = raw(keyPath, name, "hex:");
    if (!s || s->size() % 2 != 0) return std::nullopt;
    for (char c : *s)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    const QByteArray bytes = QByteArray::fromHex(QByteArray::fromStdString(*s));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

bool QtSettingsStore::writeDword(const std::string& keyPath, const std::string& name, uint32_t value) {
    return put(keyPath, name, "dword:" + std::to_string(value));
}

bool QtSettingsStore::writeString(const std::string& keyPath, const std::string& name, const std::string& value) {
    return put(keyPath, name, "sz:" + value);
}

bool QtSettingsStore::writeBinary(const std::string& keyPath, const std::string& name,
                                  const std::vector<uint8_t>& value) {
    const QByteArray bytes(reinterpret_cast<const char*>(value.data()), static_cast<qsizetype>(value.size()));
    return put(keyPath, name, "hex:" + bytes.toHex().toStdString());
}

void QtSettingsStore::sync() { settings_->sync(); }

}  // namespace korvance
