#include "gui/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QFileInfo>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

#include "app/CommandIds.h"
#include "app/CommandTable.h"

namespace korvance {

// Exit, and the framework's Save (Ctrl+S): the document never has a path
// name of its own, so Save always asks for one, as Save As does.
class MainFrame::FrameLink : public CommandTarget {
public:
    explicit FrameLink(MainFrame& frame) : frame_(frame) {}
    bool handles(uint16_t id) const override { return id == cmd::AppExit || id == cmd::FileSave; }
    void onCommand(uint16_t id) override {
        if (id == cmd::AppExit)
            frame_.close();
        else
            frame_.docCommands().saveAs();
        frame_.showDocumentStatus();
    }

private:
    MainFrame& frame_;
};

class MainFrame::AppLink : public CommandTarget {
public:
    explicit AppLink(MainFrame& frame) : frame_(frame) {}
    bool handles(uint16_t id) const override { return id == cmd::AppAbout; }
    void onCommand(uint16_t) override { frame_.showAbout(); }

private:
    MainFrame& frame_;
};

MainFrame::MainFrame(CKorvanceDoc& doc, UserPrompt& prompt, FileChooser& chooser, ProgressSink& progress,
                     Sound& sound, QWidget* parent)
    : QMainWindow(parent), doc_(doc), viewDialogs_(this) {
    setWindowTitle("korvance");
    dialogs_ = std::make_unique<QtDialogHost>(this, prompt, chooser);
    view_ = new ViewWidget(doc, *dialogs_, viewDialogs_, sound, chooser, this);
    view_->statusChanged = [this] { showDocumentStatus(); };
    // The track grows with every navigation tick: the counts follow it.
    view_->view().ticked = [this](const TickResult&) { showDocumentStatus(); };
    setCentralWidget(view_);
    docCommands_ = std::make_unique<DocCommands>(doc, chooser, prompt, progress);
    doc_.redrawAll = [this] { redrawAll(); };
    // The document's commands that work through dialogs, beside its file and receiver commands.
    dialogCommands_ = std::make_unique<DialogCommands>(doc, *dialogs_, chooser, prompt, progress);
    frameLink_ = std::make_unique<FrameLink>(*this);
    appLink_ = std::make_unique<AppLink>(*this);
    router_ = std::make_unique<CommandRouter>(
        std::vector<CommandTarget*>{&view_->view(), docCommands_.get(), dialogCommands_.get(), frameLink_.get(),
                                    appLink_.get()});
    buildMenus();
    buildAccelerators();
    updateActions();
    showDocumentStatus();
    resize(800, 600);
}

MainFrame::~MainFrame() {
    doc_.redrawAll = nullptr;
    // The view goes after this window (a child): what it says on its way out has no status line to reach.
    if (view_) view_->statusChanged = nullptr;
}

void MainFrame::buildMenus() {
    const auto titles = menuTitles();
    std::vector<QMenu*> menus;
    for (const char* title : titles) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(title));
        connect(menu, &QMenu::aboutToShow, this, [this] { updateActions(); });
        menus.push_back(menu);
    }
    for (const MenuItem& item : menuItems()) {
        QMenu* menu = menus.at(static_cast<size_t>(item.menu));
        if (!item.text) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(item.text));
        action->setData(item.id);
        const uint16_t id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { routeCommand(id); });
        actions_[id] = action;
    }
}

void MainFrame::buildAccelerators() {
    for (const Accelerator& a : accelerators()) {
        const QKeySequence keys = a.key == kKeyEscape ? QKeySequence(Qt::Key_Escape)
                                                      : QKeySequence(QKeyCombination(
                                                            a.control ? Qt::ControlModifier : Qt::NoModifier,
                                                            static_cast<Qt::Key>(a.key)));
        auto* shortcut = new QShortcut(keys, this);
        const uint16_t id = a.id;
        connect(shortcut, &QShortcut::activated, this, [this, id] { routeCommand(id); });
    }
}

QAction* MainFrame::actionFor(uint16_t id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

bool MainFrame::routeCommand(uint16_t id) {
    if (commandIssued) commandIssued(id);
    if (!doc_.isOpen()) return false;
    const bool ran = router_->dispatch(id);
    if (ran && doc_.isOpen()) {
        updateActions();
        showDocumentStatus();
    }
    return ran;
}

void MainFrame::updateActions() {
    for (auto& [id, action] : actions_) {
        const CommandState state = doc_.isOpen() ? router_->stateOf(id) : CommandState{false, false};
        action->setEnabled(state.enabled);
        // An item becomes checkable the first time its handler checks it and
        // stays so, so that clearing the mark later does not change its kind.
        if (state.checked) action->setCheckable(true);
        action->setChecked(state.checked);
    }
}

void MainFrame::redrawAll() {
    if (view_) view_->update();
}

void MainFrame::showDocumentStatus() {
    if (!doc_.isOpen()) return;
    // "walk.kvn* - korvance": the file last opened or saved, marked while modified.
    const std::string& path = doc_.data().path;
    const QString name = path.empty() ? QString("untitled") : QFileInfo(QString::fromStdString(path)).fileName();
    setWindowTitle(name + "[*] - korvance");
    setWindowModified(doc_.isModified());
    if (view_ && !view_->navigationStatus().empty()) {
        statusBar()->showMessage(QString::fromStdString(view_->navigationStatus()));
        return;
    }
    const TrackField* track = doc_.trackLog().track.get();
    const uint32_t points = track ? track->pointCount() : 0;
    QString text = QString("Track: %1 points   Waypoints: %2   Routes: %3   Datum: %4")
                       .arg(points)
                       .arg(doc_.waypoints().count())
                       .arg(doc_.routes().routeCount())
                       .arg(QString::fromStdString(doc_.datum().name()));
    if (doc_.maps().hasMap()) text += "   Map loaded";
    if (doc_.isModified()) text += "   (modified)";
    statusBar()->showMessage(text);
}

void MainFrame::showAbout() {
    QDialog about(this);
    about.setWindowTitle("About Korvan CE");
    auto* icon = new QLabel(&about);
    icon->setPixmap(windowIcon().isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32)
                                          : windowIcon().pixmap(32, 32));
    auto* texts = new QVBoxLayout;
    texts->addWidget(new QLabel("Korvan CE Version 1.80", &about));
    texts->addWidget(new QLabel("2009/05/15", &about));
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addLayout(texts);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
    connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    auto* layout = new QVBoxLayout(&about);
    layout->addLayout(row);
    layout->addWidget(buttons);
    about.exec();
}

void MainFrame::closeEvent(QCloseEvent* event) {
    // A track that a navigation still running has recorded is a change: the
    // save question must cover it before the window goes.
    if (doc_.isOpen() && view_ && view_->view().navigationModeOn()) {
        const TrackField* track = doc_.trackLog().track.get();
        if (track && track->pointCount() > view_->view().trackStartCount) doc_.setModified(true);
    }
    if (doc_.isOpen() && !doc_.saveModified()) {
        event->ignore();
        return;
    }
    // The view paints from the document's map set: it goes before the document
    // closes, and leaves the command chain with it.
    router_ = std::make_unique<CommandRouter>(
        std::vector<CommandTarget*>{docCommands_.get(), frameLink_.get(), appLink_.get()});
    delete takeCentralWidget();
    view_ = nullptr;
    doc_.closeDocument();
    updateActions();
    event->accept();
}

}  // namespace korvance
