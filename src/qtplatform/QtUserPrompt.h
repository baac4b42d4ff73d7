#pragma once
// The person at the screen through Qt: message boxes and questions, the
// lists' error message window, the beep, the wait cursor and the progress
// window of the receiver transfers.

#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

#include <vector>

#include "platform/UserPrompt.h"



namespace korvance {

class QtUserPrompt : public UserPrompt {
public:
    explicit QtUserPrompt(QWidget* parent = nullptr);
    ~QtUserPrompt() override;
    // The window the boxes are centred on and modal to (the main window once it exists).
    void setParentWidget(QWidget* parent);

    // While the parent window exists but has not been shown yet (a map opened from
    // the command line at start), messages wait and open once it is on the screen.
    void message(const std::string& text, const std::string& caption, Icon icon) override;
    // Escape or closing the box answers Cancel where there is one, else No, else Ok.
    Answer ask(const std::string& text, const std::string& caption, Buttons buttons, Icon icon) override;
    void beep(BeepKind kind) override;
    // A modal "Error Message" window with the text in a read-only field; beeps as it opens.
    void errorWindow(const std::string& text) override;
    void beginWait() override;
    void endWait() override;

    int waitDepth() const { return waitDepth_; }

private:
    struct Pending {
        std::string text, caption;
        Icon icon;
    };
    void showPending();

    QPointer<QWidget> parent_;
    int waitDepth_ = 0;
    std::vector<Pending> pending_;
    QPointer<QObject> showWatch_;
};

// The progress window of a transfer. The transfer runs on the user-interface
// thread, so every new position lets Qt paint the bar.
class QtProgress : public ProgressSink {
public:
    explicit QtProgress(QWidget* parent = nullptr);
    ~QtProgress() override;
    void setParentWidget(QWidget* parent);

    void start(const std::string& caption, int maximum) override;
    void setPosition(int position) override;
    void finish() override;
    // Lets the window repaint; false once Cancel was pressed.
    bool keepGoing() override;
    // In the main window's status bar for a while.
    void done(const std::string& text) override;

    // The open window, or null.
    QProgressDialog* dialog() const;

private:
    QPointer<QWidget> parent_;
    QPointer<QProgressDialog> dialog_;
    bool cancelled_ = false;
};

}  // namespace korvance
