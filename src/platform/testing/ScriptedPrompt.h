#pragma once
// Test doubles that really answer: a prompt that answers questions from a
// script and keeps everything shown, and a file chooser that hands out paths.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileChooser.h"
#include "platform/UserPrompt.h"

namespace korvance {

class ScriptedPrompt : public UserPrompt, public ProgressSink {
public:
    enum class Kind { Message, Question, ErrorWindow };
    struct Shown {
        Kind kind;
        std::string text;
        std::string caption;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        Answer answer = Answer::Ok;
    };

    // Answers given to ask() in order; when the script runs out, `fallback` is given.
    explicit ScriptedPrompt(std::vector<Answer> answers = {}, Answer fallback = Answer::Cancel)
        : answers_(answers.begin(), answers.end()), fallback_(fallback) {}

    void message(const std::string& text, const std::string& caption, Icon icon) override;
    Answer ask(const std::string& text, const std::string& caption, Buttons buttons, Icon icon) override;
    void beep(BeepKind kind) override { beeps.push_back(kind); }
    void errorWindow(const std::string& text) override;
    void beginWait() override { ++waitDepth; ++waitCount; }
    void endWait() override { --waitDepth; }

    void start(const std::string& caption, int maximum) override;
    void setPosition(int position) override { progressPositions.push_back(position); }
    void finish() override { progressOpen = false; }
    bool keepGoing() override {
        ++keepGoingAsked;
        return !stopAfterAsks || keepGoingAsked < *stopAfterAsks;
    }
    void done(const std::string& text) override { doneTexts.push_back(text); }

    void addAnswer(Answer a) { answers_.push_back(a); }
    // Texts of everything shown, in order.
    std::vector<std::string> texts() const;
    const Shown* last() const { return shown.empty() ? nullptr : &shown.back(); }
    void clear();

    std::vector<Shown> shown;
    std::vector<BeepKind> beeps;
    int waitDepth = 0;
    int waitCount = 0;
    std::vector<std::string> progressCaptions;
    std::vector<int> progressMaxima;
    std::vector<int> progressPositions;
    bool progressOpen = false;
    // keepGoing() answers false from its stopAfterAsks-th call on (the person's Cancel).
    std::optional<int> stopAfterAsks;
    int keepGoingAsked = 0;
    std::vector<std::string> doneTexts;

private:
    std::deque<Answer> answers_;
    Answer fallback_;
};

class ScriptedFileChooser : public FileChooser {
public:
    struct Call {
        bool save;
        std::vector<FileFilter> filters;
        std::string start;
        std::string defaultExtension;
        std::string title;
    };
    // Each call takes the next entry; an empty optional (or an exhausted list) is a cancel.
    explicit ScriptedFileChooser(std::vector<std::optional<std::string>> paths = {})
        : paths_(paths.begin(), paths.end()) {}
    void add(std::optional<std::string> path) { paths_.push_back(std::move(path)); }

    std::optional<std::string> chooseOpen(const std::vector<FileFilter>& filters, const std::string& start,
                                          const std::string& defaultExtension,
                                          const std::string& title = {}) override;
    std::optional<std::string> chooseSave(const std::vector<FileFilter>& filters, const std::string& start,
                                          const std::string& defaultExtension,
                                          const std::string& title = {}) override;

    std::vector<Call> calls;

private:
    std::optional<std::string> next();
    std::deque<std::optional<std::string>> paths_;
};

}  // namespace korvance
