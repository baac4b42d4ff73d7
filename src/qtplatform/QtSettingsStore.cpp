#include "qtplatform/QtSettingsStore.h"

#include <QByteArray>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QString>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace korvance {

namespace {

// Registry key paths use '\'; QSettings groups use '/'. Value names keep
// their text but may not hold a separator of either kind.
QString keyOf(const std::string& keyPath, const std::string& name) {
    QString k = QString::fromStdString(keyPath).replace('\\', '/');
    QString n = QString::fromStdString(name).replace('\\', '_').replace('/', '_');
    return n.isEmpty() ? k : k + '/' + n;
}

// The prefixes earlier versions wrote before every value; files that carry
// them still read.
constexpr const char* kDwordTag = "dword:";
constexpr const char* kTextTag = "sz:";
constexpr const char* kBinaryTag = "hex:";

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

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

std::optional<std::string> QtSettingsStore::raw(const std::string& keyPath, const std::string& name) {
    const QString key = keyOf(keyPath, name);
    const QVariant v = settings_->value(key);
    if (!v.isValid()) {
        // Present but unreadable (an "@Variant(...)" of no known type) is a misfit, not a missing value.
        if (settings_->contains(key)) misfit(keyPath, name, "is not text");
        return std::nullopt;
    }
    // An unquoted value with commas ("a, b") comes back as a list of its parts.
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(", ").toStdString();
    const QString text = v.toString();
    if (v.typeId() != QMetaType::QString || text.contains(QChar::ReplacementCharacter)) {
        misfit(keyPath, name, "is not text");
        return std::nullopt;
    }
    return text.toStdString();
}

void QtSettingsStore::misfit(const std::string& keyPath, const std::string& name, const char* why) {
    const std::string key = keyOf(keyPath, name).toStdString();
    if (!reported_.insert(key).second) return;
    std::fprintf(stderr, "korvance: the setting %s in %s %s; the default is used\n", key.c_str(), path_.c_str(), why);
}

bool QtSettingsStore::put(const std::string& keyPath, const std::string& name, const std::string& value) {
    if (!createKey(keyPath)) return false;
    settings_->setValue(keyOf(keyPath, name), QString::fromStdString(value));
    reported_.erase(keyOf(keyPath, name).toStdString());
    return true;
}

std::optional<uint32_t> QtSettingsStore::readDword(const std::string& keyPath, const std::string& name) {
    auto s = raw(keyPath, name);
    if (!s) return std::nullopt;
    std::string_view text = *s;
    if (startsWith(*s, kDwordTag)) text.remove_prefix(std::strlen(kDwordTag));
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    // Signed settings are kept as their 32-bit pattern, so "-1" is read as such.
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    uint64_t v = 0;
    bool fits = !text.empty() && text.size() <= 10;
    for (char c : text) {
        if (c < '0' || c > '9') fits = false;
        if (!fits) break;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (fits && (negative ? v > 0x80000000ull : v > 0xFFFFFFFFull)) fits = false;
    if (!fits) {
        misfit(keyPath, name, ("holds \"" + *s + "\", not a whole number").c_str());
        return std::nullopt;
    }
    return negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(v)) : static_cast<uint32_t>(v);
}

std::optional<std::string> QtSettingsStore::readString(const std::string& keyPath, const std::string& name) {
    auto s = raw(keyPath, name);
    if (!s) return std::nullopt;
    if (startsWith(*s, kTextTag)) return s->substr(std::strlen(kTextTag));
    if (startsWith(*s, kDwordTag) || startsWith(*s, kBinaryTag)) {
        misfit(keyPath, name, "holds a typed value, not text");
        return std::nullopt;
    }
    return s;
}

std::optional<std::vector<uint8_t>> QtSettingsStore::readBinary(const std::string& keyPath, const std::string& name) {
    auto s = raw(keyPath, name);
    if (!s) return std::nullopt;
    std::string hex = startsWith(*s, kBinaryTag) ? s->substr(std::strlen(kBinaryTag)) : *s;
    bool fits = hex.size() % 2 == 0;
    for (char c : hex) fits = fits && std::isxdigit(static_cast<unsigned char>(c));
    if (!fits) {
        misfit(keyPath, name, "is not hexadecimal bytes");
        return std::nullopt;
    }
    const QByteArray bytes = QByteArray::fromHex(QByteArray::fromStdString(hex));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

bool QtSettingsStore::writeDword(const std::string& keyPath, const std::string& name, uint32_t value) {
    return put(keyPath, name, std::to_string(value));
}

bool QtSettingsStore::writeString(const std::string& keyPath, const std::string& name, const std::string& value) {
    // A text that looks like an old typed value keeps its tag, so it reads back as written.
    const bool tagged = startsWith(value, kTextTag) || startsWith(value, kDwordTag) || startsWith(value, kBinaryTag);
    return put(keyPath, name, tagged ? kTextTag + value : value);
}

bool QtSettingsStore::writeBinary(const std::string& keyPath, const std::string& name,
                                  const std::vector<uint8_t>& value) {
    const QByteArray bytes(reinterpret_cast<const char*>(value.data()), static_cast<qsizetype>(value.size()));
    return put(keyPath, name, bytes.toHex().toStdString());
}

void QtSettingsStore::sync() { settings_->sync(); }

}  // namespace korvance
