#pragma once
// The map list file (.lst): the maps of an area with their priority values,
// and telling a map list from a mapinfo.dat by its signature.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvance {

class CodePage;

// What a file holds by its signature: a mapinfo.dat ("Korvan CE"), a map list
// ("Map List for Korvan CE"), or neither (also when it cannot be read).
enum class MapFileKind { Neither, MapInfo, List };
MapFileKind DetectMapFile(const std::string& path);

// Folder part of a path up to (not including) its last separator, either '/' or '\\';
// "" when there is none.
std::string FolderOf(const std::string& path);

class MapList {
public:
    size_t capacity() const { return capacity_; }
    size_t count() const { return paths_.size(); }
    size_t current() const { return current_; }
    void setCurrent(size_t i) { current_ = i; }
    // Path of entry i, none when i is not below count.
    std::optional<std::string> path(size_t i) const;
    // Priority value of entry i, 32767 when i is not below count.
    int16_t priority(size_t i) const;
    std::optional<std::string> previous();
    std::optional<std::string> next();
    void release();

    // Replaces the entries with those of a list file. Returns false (the list kept as it
    // was) when the file cannot be read, is not a map list or ends before its version line.
    bool load(const std::string& path, const CodePage& codePage);

private:
    size_t capacity_ = 0;
    size_t current_ = 0;
    std::vector<std::string> paths_;
    std::vector<int16_t> priorities_;
};

}  // namespace korvance
