// The map list (.lst) and telling a list from a mapinfo.dat.
#include "maps/MapList.h"

#include <cstdio>

#include "data/TextUtil.h"
#include "maps/MapText.h"
#include "platform/CodePage.h"

namespace korvance {

using maptext::kInfoSignature;
using maptext::kListSignature;
using maptext::splitLines;
using maptext::stripCr;
using maptext::toSlashes;

std::string FolderOf(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

MapFileKind DetectMapFile(const std::string& path) {
    std::string head;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return MapFileKind::Neither;
    char buf[22];
    const size_t n = std::fread(buf, 1, sizeof buf, f);
    std::fclose(f);
    head.assign(buf, n);
    if (head.compare(0, 9, kInfoSignature) == 0 && n >= 9) return MapFileKind::MapInfo;
    if (n >= 22 && head.compare(0, 22, kListSignature) == 0) return MapFileKind::List;
    return MapFileKind::Neither;
}

std::optional<std::string> MapList::path(size_t i) const {
    if (i >= paths_.size()) return std::nullopt;
    return paths_[i];
}

int16_t MapList::priority(size_t i) const { return i < priorities_.size() ? priorities_[i] : int16_t{32767}; }

std::optional<std::string> MapList::previous() {
    if (current_ == 0 || paths_.empty()) return std::nullopt;
    --current_;
    return path(current_);
}

std::optional<std::string> MapList::next() {
    if (current_ + 1 >= paths_.size()) return std::nullopt;
    ++current_;
    return path(current_);
}

void MapList::release() {
    capacity_ = 0;
    current_ = 0;
    paths_.clear();
    priorities_.clear();
}

bool MapList::load(const std::string& listPath, const CodePage& codePage) {
    std::string text;
    if (!maptext::readText(listPath, text)) return false;
    if (text.compare(0, 22, kListSignature) != 0 || text.size() < 22) return false;
    const std::vector<std::string> lines = splitLines(text);
    const std::string folder = FolderOf(listPath);
    size_t i = 1;
    while (i < lines.size() && !lines[i].empty() && lines[i][0] == ';') ++i;
    if (i >= lines.size()) return false;
    const int version = parseInteger(lines[i]);
    ++i;
    std::vector<std::string> paths;
    std::vector<int16_t> priorities;
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.size() < 2 || line[0] == ';') continue;
        std::string relative;
        int16_t priority = 30000;
        if (version == 101) {
            relative = stripCr(line);
        } else {
            const std::string clean = stripCr(line);
            const size_t tab = clean.find('\t');
            relative = clean.substr(0, tab);
            if (tab != std::string::npos) {
                const std::string rest = clean.substr(tab + 1);
                priority = static_cast<int16_t>(parseInteger(rest.substr(0, rest.find('\t'))));
            }
        }
        if (relative.empty()) continue;
        std::string full = (folder.empty() ? std::string() : folder + "/") + toSlashes(codePage.toUtf8(relative));
        paths.push_back(std::move(full));
        priorities.push_back(priority);
    }
    capacity_ = lines.size() >= 2 ? lines.size() - 2 : 0;
    paths_ = std::move(paths);
    priorities_ = std::move(priorities);
    current_ = 0;
    return true;
}

}  // namespace korvance
