#pragma once
// Runs the independent geodesy references (GeographicLib's GeoConvert,
// TransverseMercatorProj and CartConvert) on a batch of input lines. They are
// test-only tools; in CI a missing tool fails the test instead of skipping it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace korvance::testing {

inline bool toolAvailable(const std::string& tool) {
    std::string cmd = "command -v " + tool + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

inline bool inCi() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

// Feeds `input` to `command` on standard input; returns its output lines.
inline std::vector<std::string> runTool(const std::string& command, const std::string& input) {
    char path[] = "/tmp/korvance-geodesy-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return {};
    {
        std::ofstream f(path);
        f << input;
    }
    close(fd);
    std::vector<std::string> lines;
    std::string cmd = command + " < " + path;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        std::string line;
        int c;
        while ((c = std::fgetc(p)) != EOF) {
            if (c == '\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += static_cast<char>(c);
            }
        }
        if (!line.empty()) lines.push_back(line);
        pclose(p);
    }
    unlink(path);
    return lines;
}

inline std::vector<double> numbers(const std::string& line) {
    std::istringstream in(line);
    std::vector<double> out;
    std::string word;
    while (in >> word) {
        char* end = nullptr;
        double v = std::strtod(word.c_str(), &end);
        if (end != word.c_str()) out.push_back(v);
    }
    return out;
}

}  // namespace korvance::testing

#define KORVANCE_REQUIRE_TOOL(tool)                                                      \
    do {                                                                                 \
        if (!::korvance::testing::toolAvailable(tool)) {                                 \
            if (::korvance::testing::inCi()) FAIL() << tool << " is missing (geographiclib-tools)"; \
            GTEST_SKIP() << tool << " is not installed";                                 \
        }                                                                                \
    } while (0)
