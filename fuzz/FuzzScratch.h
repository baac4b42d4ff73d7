#pragma once
// The scratch folder of a fuzz run, for the targets that read real files.
// It is made on first use under $TMPDIR (or /tmp) and removed when the run
// ends. A run that aborts cannot clean up after itself, so each new run first
// removes the folders of runs whose process is gone; CI also runs every
// target inside a working folder it removes.

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace korvance::fuzzing {

inline std::filesystem::path scratchBase() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// Folders are named korvance-fuzz-PID-XXXXXX.
inline void removeFoldersOfEndedRuns() {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(scratchBase(), ec)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("korvance-fuzz-", 0) != 0) continue;
        const long pid = std::strtol(name.c_str() + 14, nullptr, 10);
        if (pid <= 0 || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        std::error_code ignored;
        std::filesystem::remove_all(e.path(), ignored);
    }
}

inline std::string scratch(const char* name) {
    // On the heap, so that it is still there when the exit handler runs.
    static const std::string* folder = [] {
        removeFoldersOfEndedRuns();
        std::string pattern = (scratchBase() / ("korvance-fuzz-" + std::to_string(::getpid()) + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data())) std::abort();
        const std::string* made = new std::string(pattern);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(*folder, ec);
        });
        return made;
    }();
    return *folder + "/" + name;
}

inline void put(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

}  // namespace korvance::fuzzing
