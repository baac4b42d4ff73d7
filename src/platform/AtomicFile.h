#pragma once
// Writing a file so that a failed or interrupted write never costs the user
// the previous file: everything goes to a temporary file beside the target,
// which is renamed over it only after every write succeeded.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvance {

class AtomicFile {
public:
    explicit AtomicFile(std::string path);
    // Removes the temporary file unless commit() succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file in the target's folder. False (error() set)
    // when it cannot be created.
    bool open();
    // Appends bytes. False once any write failed; later writes are ignored.
    bool write(const void* data, size_t size);
    bool write(std::string_view text) { return write(text.data(), text.size()); }
    // Flushes, syncs and renames the temporary file over the target.
    bool commit();
    // Gives up: closes and removes the temporary file; the target is untouched.
    void discard();

    const std::string& path() const { return path_; }
    const std::string& tempPath() const { return temp_; }
    bool ok() const { return error_ == 0; }
    // errno of the first failure, 0 when none.
    int error() const { return error_; }

private:
    bool flush();
    void fail(int err);

    std::string path_;
    std::string temp_;
    int fd_ = -1;
    int error_ = 0;
    bool committed_ = false;
    std::vector<uint8_t> buffer_;
};

// Reads a whole file. False (errno in *error) when it cannot be opened or
// read, or when it is larger than maxBytes.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& out, int* error = nullptr,
                   size_t maxBytes = size_t(1) << 31);

// What tells one version of a file from another without reading it: equal
// stamps mean the file was not replaced or rewritten (save within the clock's
// granularity with the same size, which a reader that also writes the file
// must allow for). Empty when the file cannot be reached.
struct FileStamp {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t seconds = 0, nanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> fileStampOf(const std::string& path);

}  // namespace korvance
