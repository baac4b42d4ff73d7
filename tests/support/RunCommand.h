#pragma once
// Runs a shell command line and keeps what it wrote to standard output, for
// tests that drive the programs as a user would from a terminal.

#include <cstdio>
#include <string>

#include <sys/wait.h>

#include "files/TempDir.h"

namespace korvance::testing {

struct CommandResult {
    int code = -1;    // exit code; -1 when it could not start or did not exit normally
    std::string out;  // standard output
};

inline CommandResult RunCommand(const std::string& commandLine) {
    CommandResult r;
    FILE* p = ::popen(commandLine.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    const int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

struct ProgramResult {
    int code = -1;
    std::string out, err;
};

// The same, keeping standard error too: it is redirected at the end of the
// command line, so that takes one command (or a list whose last one counts).
inline ProgramResult RunProgram(const std::string& commandLine) {
    TempDir dir;
    const CommandResult r = RunCommand(commandLine + " 2>" + dir.file("err"));
    return {r.code, r.out, readText(dir.file("err"))};
}

}  // namespace korvance::testing
