#include "qtplatform/QtUserPrompt.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QMainWindow>
#include <QProgressDialog>
#include <QStatusBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace korvance {

namespace {

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
        case Icon::Stop: return QMessageBox::Critical;
        case Icon::Warning: return QMessageBox::Warning;
        case Icon::Question: return QMessageBox::Question;
        case Icon::Information: return QMessageBox::Information;
        case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonSet {
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
    QMessageBox::StandardButton escapeButton;
};

ButtonSet buttonSet(Buttons b) {
    switch (b) {
        case Buttons::OkCancel:
            return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel};
        case Buttons::YesNo: return {QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No};
        case Buttons::YesNoCancel:
            return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes, QMessageBox::Cancel};
        case Buttons::RetryCancel:
            return {QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry, QMessageBox::Cancel};
        case Buttons::Ok: break;
    }
    return {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
}

Answer answerOf(QMessageBox::StandardButton b) {
    switch (b) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        case QMessageBox::Cancel: return Answer::Cancel;
        case QMessageBox::Retry: return Answer::Retry;
        default: return Answer::Ok;
    }
}

// Runs `dialog`; while a command shows the wait cursor, the arrow comes back
// over the dialog so that its buttons can be seen to be clicked.
void execOverWait(QDialog& dialog, bool waiting) {
    if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
    dialog.exec();
    if (waiting) QApplication::restoreOverrideCursor();
}

// Calls `shown` once, from the event loop, after the watched window has been shown.
class ShowWatch : public QObject {
public:
    ShowWatch(QObject* parent, std::function<void()> shown) : QObject(parent), shown_(std::move(shown)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && !fired_) {
            fired_ = true;
            QTimer::singleShot(0, this, shown_);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> shown_;
    bool fired_ = false;
};

}  // namespace

QtUserPrompt::QtUserPrompt(QWidget* parent) : parent_(parent) {}

QtUserPrompt::~QtUserPrompt() {
    // A wait cursor left on would outlive the prompt that set it.
    while (waitDepth_ > 0) endWait();
    delete showWatch_.data();
}

void QtUserPrompt::setParentWidget(QWidget* parent) { parent_ = parent; }

void QtUserPrompt::message(const std::string& text, const std::string& caption, Icon icon) {
    if (parent_ && !parent_->isVisible()) {
        pending_.push_back({text, caption, icon});
        if (!showWatch_) {
            auto* watch = new ShowWatch(parent_.data(), [this] { showPending(); });
            parent_->installEventFilter(watch);
            showWatch_ = watch;
        }
        return;
    }
    ask(text, caption, Buttons::Ok, icon);
}

void QtUserPrompt::showPending() {
    if (showWatch_) showWatch_->deleteLater();
    std::vector<Pending> waiting;
    waiting.swap(pending_);
    for (const Pending& p : waiting) ask(p.text, p.caption, Buttons::Ok, p.icon);
}

Answer QtUserPrompt::ask(const std::string& text, const std::string& caption, Buttons buttons, Icon icon) {
    const ButtonSet set = buttonSet(buttons);
    QMessageBox box(qtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text), set.buttons,
                    parent_.data());
    box.setObjectName("korvanceMessageBox");
    box.setDefaultButton(set.defaultButton);
    box.setEscapeButton(set.escapeButton);
    execOverWait(box, waitDepth_ > 0);
    QAbstractButton* clicked = box.clickedButton();
    const QMessageBox::StandardButton b = clicked ? box.standardButton(clicked) : QMessageBox::NoButton;
    return answerOf(b == QMessageBox::NoButton ? set.escapeButton : b);
}

void QtUserPrompt::beep(BeepKind) { QApplication::beep(); }

void QtUserPrompt::errorWindow(const std::string& text) {
    QDialog dlg(parent_.data());
    dlg.setObjectName("korvanceErrorWindow");
    dlg.setWindowTitle("Error Message");
    auto* edit = new QPlainTextEdit(QString::fromStdString(text), &dlg);
    edit->setObjectName("errorText");
    edit->setReadOnly(true);
    auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, &dlg);
    QObject::connect(ok, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dlg);
    layout->addWidget(edit);
    layout->addWidget(ok);
    dlg.resize(420, 200);
    beep(BeepKind::Asterisk);
    execOverWait(dlg, waitDepth_ > 0);
}

void QtUserPrompt::beginWait() {
    if (waitDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUserPrompt::endWait() {
    // An unmatched end must not pop a cursor someone else set.
    if (waitDepth_ == 0) return;
    if (--waitDepth_ == 0) QApplication::restoreOverrideCursor();
}

QtProgress::QtProgress(QWidget* parent) : parent_(parent) {}

QtProgress::~QtProgress() { finish(); }

void QtProgress::setParentWidget(QWidget* parent) { parent_ = parent; }

void QtProgress::start(const std::string& caption, int maximum) {
    finish();
    cancelled_ = false;
    const QString text = QString::fromStdString(caption);
    // Cancel ends the transfer down its failure path: nothing of it is kept.
    auto* dlg = new QProgressDialog(text, "Cancel", 0, std::max(0, maximum), parent_.data());
    dlg->setObjectName("korvanceProgress");
    dlg->setWindowTitle(text);
    dlg->setWindowModality(Qt::WindowModal);
    QObject::connect(dlg, &QProgressDialog::canceled, [this] { cancelled_ = true; });
    dlg->setMinimumDuration(0);
    // Reaching the maximum must not hide or reset the bar before finish().
    dlg->setAutoClose(false);
    dlg->setAutoReset(false);
    dlg->setValue(0);
    dlg->show();
    dialog_ = dlg;
    QCoreApplication::processEvents();
}

void QtProgress::setPosition(int position) {
    if (!dialog_) return;
    dialog_->setValue(std::clamp(position, dialog_->minimum(), dialog_->maximum()));
    QCoreApplication::processEvents();
}

void QtProgress::finish() {
    if (!dialog_) return;
    QProgressDialog* dlg = dialog_.data();
    dialog_ = nullptr;
    // Closing the window emits canceled(); only the person's Cancel may stop a transfer.
    QObject::disconnect(dlg, &QProgressDialog::canceled, nullptr, nullptr);
    dlg->close();
    delete dlg;
}

bool QtProgress::keepGoing() {
    // Without the modal window open, input could start a second command in
    // the middle of this one: only paint then.
    QCoreApplication::processEvents(dialog_ ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    return !cancelled_;
}

void QtProgress::done(const std::string& text) {
    if (auto* main = parent_ ? qobject_cast<QMainWindow*>(parent_->window()) : nullptr)
        main->statusBar()->showMessage(QString::fromStdString(text), 10000);
}

QProgressDialog* QtProgress::dialog() const { return dialog_.data(); }

}  // namespace korvance
