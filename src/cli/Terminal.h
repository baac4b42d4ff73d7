#pragma once
// How the command line says what went wrong: on one line of stderr, naming
// the file or device and giving the system's reason in words.

#include <atomic>
#include <csignal>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/SystemError.h"

namespace korvance::cli {

inline void printSystemFailure(std::ostream& err, const std::string& subject, int systemError) {
    err << "korvance-cli: " << subject << ": " << (systemError ? systemErrorText(systemError) : "failed") << "\n";
}

// A message box's text on one line: a line that ends a sentence is followed
// by a blank, any other (a path) by ": ".
inline std::string oneLine(std::string s) {
    for (size_t p; (p = s.find('\n')) != std::string::npos;) {
        const bool sentence = p > 0 && std::string_view(".:!?").find(s[p - 1]) != std::string_view::npos;
        s.replace(p, 1, sentence ? " " : ": ");
    }
    return s;
}

// Ctrl-C and kill end a run in order (the loop finishes what it is doing,
// then closes its port and files) instead of ending the program at once.
class InterruptScope {
public:
    InterruptScope() {
        flag() = false;
        oldInt_ = std::signal(SIGINT, onSignal);
        oldTerm_ = std::signal(SIGTERM, onSignal);
    }
    ~InterruptScope() {
        std::signal(SIGINT, oldInt_);
        std::signal(SIGTERM, oldTerm_);
    }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;
    static bool interrupted() { return flag().load(); }

private:
    static std::atomic<bool>& flag() {
        static std::atomic<bool> f{false};
        return f;
    }
    static void onSignal(int) { flag() = true; }
    void (*oldInt_)(int);
    void (*oldTerm_)(int);
};

}  // namespace korvance::cli
