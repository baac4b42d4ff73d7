// The main of every test program. Each run gets a home of its own (HOME and the
// XDG folders point into a fresh folder under the build tree, removed at the
// end), so no test reads or writes the settings of the person running it; and
// the C library's locale is taken from the environment, as the desktop program
// does, so a run under a comma-decimal locale checks that every number read
// from or written to a file, the wire or machine-readable output stays the same.

#include <gtest/gtest.h>

#include <clocale>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

// Fontconfig keeps its font cache until the process ends, and the leak checker
// reports it in every program that lays out text: not a leak of ours.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

std::string makeHome() {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::path(KORVANCE_TEST_HOMES);
    std::filesystem::create_directories(base, ec);
    std::string pattern = (base / "home-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) {
        std::perror(KORVANCE_TEST_HOMES);
        std::exit(2);
    }
    return name.data();
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    const std::string home = makeHome();
    const std::pair<const char*, const char*> folders[] = {
        {"HOME", ""},           {"XDG_CONFIG_HOME", "/.config"}, {"XDG_DATA_HOME", "/.local/share"},
        {"XDG_CACHE_HOME", "/.cache"}, {"XDG_STATE_HOME", "/.local/state"}, {"XDG_RUNTIME_DIR", "/run"},
    };
    for (auto [variable, below] : folders) {
        const std::string path = home + below;
        std::error_code ec;
        std::filesystem::create_directories(path, ec);
        ::chmod(path.c_str(), 0700);  // Qt refuses a runtime folder others can enter
        ::setenv(variable, path.c_str(), 1);
    }
    // The C library reads the time-zone rule once, under a lock of its own
    // that ThreadSanitizer cannot see; read it before any test starts a thread.
    ::tzset();
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    return result;
}
