#pragma once
// What the core needs of the person at the screen: message boxes, questions,
// beeps, the lists' error message window, the wait cursor and progress.
// The GUI answers with Qt dialogs, the CLI on stderr with --yes/--no, tests
// with ScriptedPrompt (platform/testing/ScriptedPrompt.h).
// All texts are UTF-8.

#include <string>

#include "platform/SystemError.h"

namespace korvance {

enum class Icon { None, Information, Warning, Question, Stop };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class Answer { Ok, Cancel, Yes, No, Retry };
// Asterisk: a refused command (MB_ICONASTERISK); Simple: the plain beep (0xFFFFFFFF).
enum class BeepKind { Asterisk, Simple, Exclamation };

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Opens the progress display with a caption and a range 0..maximum.
    virtual void start(const std::string& caption, int maximum) = 0;
    virtual void setPosition(int position) = 0;
    virtual void finish() = 0;
    // Asked while a transfer waits on the line: lets the window repaint;
    // false once the person asked to stop.
    virtual bool keepGoing() { return true; }
    // A transfer ended well; `text` says what was done ("Uploaded 12 waypoints.").
    virtual void done(const std::string& text) { (void)text; }
};

class NullProgress : public ProgressSink {
public:
    void start(const std::string&, int) override {}
    void setPosition(int) override {}
    void finish() override {}
};

class UserPrompt {
public:
    virtual ~UserPrompt() = default;

    virtual void message(const std::string& text, const std::string& caption, Icon icon) = 0;
    virtual Answer ask(const std::string& text, const std::string& caption, Buttons buttons, Icon icon) = 0;
    virtual void beep(BeepKind kind) = 0;
    // The error message window through which the lists report their limits.
    virtual void errorWindow(const std::string& text) = 0;

    // A file or device operation the system refused: `text` and `caption` are
    // the fixed texts of the message box, `subject` the file or device,
    // `systemError` the errno. A box adds the system's reason below its text;
    // a terminal prompt says the subject and the reason instead.
    virtual void systemFailure(const std::string& text, const std::string& caption, Icon icon,
                               const std::string& subject, int systemError) {
        std::string shown = text;
        if (subject != text) shown += "\n" + subject;
        if (systemError) shown += (subject != text ? ": " : "\n") + systemErrorText(systemError);
        message(shown, caption, icon);
    }

    // Wait cursor; nested calls are counted. Use WaitCursor rather than these.
    virtual void beginWait() = 0;
    virtual void endWait() = 0;
};

// Scope guard for the wait cursor.
class WaitCursor {
public:
    explicit WaitCursor(UserPrompt& prompt) : prompt_(prompt) { prompt_.beginWait(); }
    ~WaitCursor() { prompt_.endWait(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    UserPrompt& prompt_;
};

}  // namespace korvance
