#pragma once
// Runs the independent geodesy references (GeographicLib's GeoConvert,
// TransverseMercatorProj and CartConvert) on a batch of input lines.

#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/TextUtil.h"
#include "support/RequireTool.h"

namespace korvance::testing {

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
    // The tools read and write numbers in the C locale whatever the test runs under.
    std::string cmd = "LC_ALL=C " + command + " < " + path;
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

// The words of a line that are numbers, whatever the process locale.
inline std::vector<double> numbers(const std::string& line) {
    std::istringstream in(line);
    std::vector<double> out;
    std::string word;
    while (in >> word)
        if (auto v = parseNumber(word)) out.push_back(*v);
    return out;
}

// printf's "%.*f" in the C locale, which the tools read.
inline std::string fixed(double v, int decimals) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

}  // namespace korvance::testing
