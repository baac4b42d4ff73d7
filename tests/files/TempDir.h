#pragma once
// A scratch folder under the system's temporary folder, removed with its contents.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace korvance::testing {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvance-files-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (mkdtemp(name.data())) path_ = name.data();
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    // Names of the entries of the folder, for checking that no temporary file stayed behind.
    std::vector<std::string> entries() const {
        std::vector<std::string> out;
        for (auto& e : std::filesystem::directory_iterator(path_)) out.push_back(e.path().filename().string());
        return out;
    }

private:
    std::string path_;
};

// A runtime folder (XDG_RUNTIME_DIR) of the test's own, for the sockets it makes.
struct RuntimeDir {
    TempDir dir;
    RuntimeDir() { ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1); }
};

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
inline std::string readText(const std::string& path) {
    auto b = readBytes(path);
    return std::string(b.begin(), b.end());
}
inline void writeText(const std::string& path, const std::string& text) {
    writeBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace korvance::testing
