#pragma once
// The settings store of the program: an INI file in the user's config folder
// (QStandardPaths), or the file named by KORVANCE_SETTINGS_FILE (tests, and
// runs that must not touch the user's settings). Values are plain INI values
// (`PenWidth=3`, `CommDevice=/dev/ttyUSB0`) read by the type the caller asks
// for; the "dword:", "sz:" and "hex:" tags of older files still read. A value
// that does not fit its type reads as missing, so the setting keeps its
// default, and is named once on stderr. Values the program does not know stay
// in the file when it is saved.

#include <memory>
#include <set>
#include <string>

#include "platform/SettingsStore.h"

class QSettings;

namespace korvance {

class QtSettingsStore : public SettingsStore {
public:
    explicit QtSettingsStore(const std::string& iniPath = defaultPath());
    ~QtSettingsStore() override;

    static std::string defaultPath();
    const std::string& path() const { return path_; }

    bool createKey(const std::string& keyPath) override;
    bool deleteKey(const std::string& keyPath) override;
    bool deleteValue(const std::string& keyPath, const std::string& name) override;
    std::optional<uint32_t> readDword(const std::string& keyPath, const std::string& name) override;
    std::optional<std::string> readString(const std::string& keyPath, const std::string& name) override;
    std::optional<std::vector<uint8_t>> readBinary(const std::string& keyPath, const std::string& name) override;
    bool writeDword(const std::string& keyPath, const std::string& name, uint32_t value) override;
    bool writeString(const std::string& keyPath, const std::string& name, const std::string& value) override;
    bool writeBinary(const std::string& keyPath, const std::string& name, const std::vector<uint8_t>& value) override;
    void sync() override;

private:
    std::optional<std::string> raw(const std::string& keyPath, const std::string& name);
    void misfit(const std::string& keyPath, const std::string& name, const char* why);
    bool put(const std::string& keyPath, const std::string& name, const std::string& value);

    std::string path_;
    std::unique_ptr<QSettings> settings_;
    std::set<std::string> reported_;  // keys already named on stderr
};

}  // namespace korvance
