// Adding a made map to a map list file.

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "mapmake/MapMake.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"

namespace korvance {

namespace {

namespace fs = std::filesystem;

constexpr const char* kListHeader = "Map List for Korvan CE";
constexpr int kPlainListVersion = 101;   // entries are whole-line paths, priority 30000
constexpr int kPriorityListVersion = 102;  // path TAB priority
constexpr int kDefaultPriority = 30000;

std::string withoutCr(std::string s) {
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

std::string backslashes(std::string s) {
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

}  // namespace

std::string AddToMapList(const std::string& listPath, const std::string& mapInfoPath, int priority,
                         const std::string& codePage, std::string& entry) {
    std::error_code ec;
    const fs::path list = fs::absolute(listPath, ec);
    const fs::path listFolder = fs::weakly_canonical(list.parent_path(), ec);
    const fs::path info = fs::weakly_canonical(fs::absolute(mapInfoPath, ec), ec);
    const fs::path relative = info.lexically_relative(listFolder);
    if (relative.empty()) return listPath + ": the map cannot be named relative to the list's folder";
    entry = backslashes(relative.generic_string());
    const std::string oem = CodePage(codePage).fromUtf8(entry);

    std::vector<uint8_t> bytes;
    int error = 0;
    const bool exists = fs::exists(list, ec);
    if (exists && !readWholeFile(listPath, bytes, &error, 16u << 20))
        return listPath + ": cannot be read (" + std::strerror(error) + ")";
    const std::string old(bytes.begin(), bytes.end());
    if (exists && old.compare(0, std::strlen(kListHeader), kListHeader) != 0)
        return listPath + ": not a map list; not changed";

    // The lines without their LF; the list keeps its own line ends.
    std::vector<std::string> lines;
    bool crlf = true;
    if (exists) {
        size_t start = 0;
        while (start < old.size()) {
            const size_t end = old.find('\n', start);
            lines.push_back(old.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos) break;
            start = end + 1;
        }
        crlf = !lines.empty() && !lines[0].empty() && lines[0].back() == '\r';
        for (auto& l : lines) l = withoutCr(std::move(l));
    } else {
        lines.push_back(kListHeader);
    }
    size_t versionLine = 1;
    while (versionLine < lines.size() && !lines[versionLine].empty() && lines[versionLine][0] == ';') ++versionLine;
    if (versionLine >= lines.size()) lines.push_back(std::to_string(kPriorityListVersion));
    int version = std::atoi(lines[versionLine].c_str());
    // A plain list holds no priorities: it becomes a priority list, whose lines without a
    // TAB keep their priority of 30000.
    if (version == kPlainListVersion && priority != kDefaultPriority) {
        version = kPriorityListVersion;
        lines[versionLine] = std::to_string(version);
    }
    const std::string line = version == kPlainListVersion ? oem : oem + "\t" + std::to_string(priority);

    bool replaced = false;
    for (size_t i = versionLine + 1; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (l.empty() || l[0] == ';') continue;
        const std::string path = version == kPlainListVersion ? l : l.substr(0, l.find('\t'));
        if (backslashes(path) == oem) {
            lines[i] = line;
            replaced = true;
            break;
        }
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (!replaced) lines.push_back(line);

    std::string text;
    for (const auto& l : lines) text += l + (crlf ? "\r\n" : "\n");
    AtomicFile out(listPath);
    if (!out.open() || !out.write(text) || !out.commit())
        return listPath + ": cannot be written (" + std::strerror(out.error() ? out.error() : EIO) + ")";
    return {};
}

}  // namespace korvance
