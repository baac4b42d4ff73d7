#pragma once
// What convert and info share: a prompt that writes to stderr and the file
// options taken from the command line.

#include <ostream>
#include <string>

#include "cli/Terminal.h"
#include "data/TextUtil.h"
#include "files/FileFormats.h"
#include "platform/UserPrompt.h"

namespace korvance::cli {

// Messages go to stderr on one line, after their caption unless it is the
// program's own; questions are answered with `answer` (convert keeps going:
// duplicates are kept, nothing is asked).
class StderrPrompt : public UserPrompt {
public:
    explicit StderrPrompt(std::ostream& err, Answer answer = Answer::Yes) : err_(err), answer_(answer) {}
    void message(const std::string& text, const std::string& caption, Icon) override {
        err_ << "korvance-cli: " << (caption.empty() || caption == kAppCaption ? "" : caption + ": ") << oneLine(text)
             << "\n";
    }
    void systemFailure(const std::string&, const std::string&, Icon, const std::string& subject,
                       int systemError) override {
        printSystemFailure(err_, subject, systemError);
    }
    Answer ask(const std::string& text, const std::string&, Buttons, Icon) override {
        err_ << "korvance-cli: " << text << " -> " << (answer_ == Answer::No ? "no" : "yes") << "\n";
        return answer_;
    }
    void beep(BeepKind) override {}
    void errorWindow(const std::string& text) override { err_ << "korvance-cli: " << text << "\n"; }
    void beginWait() override {}
    void endWait() override {}

private:
    std::ostream& err_;
    Answer answer_;
};

// Sums of the contents, for reports.
struct ContentCounts {
    size_t trackPoints = 0;
    size_t segments = 0;
    size_t waypoints = 0;
    size_t routes = 0;
    size_t routeWaypoints = 0;
};
ContentCounts countContents(const files::DocumentContents& c);

}  // namespace korvance::cli
