#pragma once
// Reference programs (gpsbabel, GeographicLib's tools, proj) are test-only:
// a test that needs one is skipped where it is not installed, except in CI,
// where its absence is a failure.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace korvance::testing {

inline bool toolAvailable(const std::string& tool) {
    const std::string cmd = "command -v " + tool + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

inline bool inCi() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

}  // namespace korvance::testing

#define KORVANCE_REQUIRE_TOOL(tool)                                               \
    do {                                                                          \
        if (!::korvance::testing::toolAvailable(tool)) {                          \
            if (::korvance::testing::inCi()) FAIL() << tool << " is missing";     \
            GTEST_SKIP() << tool << " is not installed";                          \
        }                                                                         \
    } while (0)
