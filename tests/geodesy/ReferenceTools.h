#pragma once
// Runs the independent geodesy references (GeographicLib's
// TransverseMercatorProj and CartConvert) on a batch of input lines.

#include <gtest/gtest.h>

#include <charconv>
#include <sstream>
#include <string>
#include <vector>

#include "data/TextUtil.h"
#include "files/TempDir.h"
#include "support/RequireTool.h"
#include "support/RunCommand.h"

namespace korvance::testing {

// Feeds `input` to `command` on standard input; returns its output lines.
inline std::vector<std::string> runTool(const std::string& command, const std::string& input) {
    TempDir dir;
    writeText(dir.file("in"), input);
    // The tools read and write numbers in the C locale whatever the test runs under.
    std::istringstream out(RunCommand("LC_ALL=C " + command + " < " + dir.file("in")).out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);) lines.push_back(line);
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
