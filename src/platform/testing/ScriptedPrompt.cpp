#include "platform/testing/ScriptedPrompt.h"

namespace korvance {

void ScriptedPrompt::message(const std::string& text, const std::string& caption, Icon icon) {
    shown.push_back({Kind::Message, text, caption, icon, Buttons::Ok, Answer::Ok});
}

Answer ScriptedPrompt::ask(const std::string& text, const std::string& caption, Buttons buttons, Icon icon) {
    Answer a = fallback_;
    if (!answers_.empty()) {
        a = answers_.front();
        answers_.pop_front();
    }
    shown.push_back({Kind::Question, text, caption, icon, buttons, a});
    return a;
}

void ScriptedPrompt::errorWindow(const std::string& text) {
    shown.push_back({Kind::ErrorWindow, text, "", Icon::None, Buttons::Ok, Answer::Ok});
}

void ScriptedPrompt::start(const std::string& caption, int maximum) {
    progressOpen = true;
    progressCaptions.push_back(caption);
    progressMaxima.push_back(maximum);
}

std::vector<std::string> ScriptedPrompt::texts() const {
    std::vector<std::string> out;
    for (const auto& s : shown) out.push_back(s.text);
    return out;
}

void ScriptedPrompt::clear() {
    shown.clear();
    beeps.clear();
    progressCaptions.clear();
    progressMaxima.clear();
    progressPositions.clear();
}

std::optional<std::string> ScriptedFileChooser::next() {
    if (paths_.empty()) return std::nullopt;
    auto p = paths_.front();
    paths_.pop_front();
    return p;
}

std::optional<std::string> ScriptedFileChooser::chooseOpen(const std::vector<FileFilter>& filters,
                                                           const std::string& start,
                                                           const std::string& defaultExtension,
                                                           const std::string& title) {
    calls.push_back({false, filters, start, defaultExtension, title});
    return next();
}

std::optional<std::string> ScriptedFileChooser::chooseSave(const std::vector<FileFilter>& filters,
                                                           const std::string& start,
                                                           const std::string& defaultExtension,
                                                           const std::string& title) {
    calls.push_back({true, filters, start, defaultExtension, title});
    return next();
}

}  // namespace korvance
