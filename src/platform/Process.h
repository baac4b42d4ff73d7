#pragma once
#include <string>

namespace korvance {

// Starts another program and does not wait for it.
class Process {
public:
    virtual ~Process() = default;
    // `arguments` is one command-line text, split like a shell would (no expansion).
    virtual bool start(const std::string& program, const std::string& arguments) = 0;
};

}  // namespace korvance
