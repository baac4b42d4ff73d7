#pragma once
// The main window: the menu bar built from the command table, the nine
// accelerators, the map view in the middle and a status line with what the
// document holds. Every menu item and accelerator goes through one routing
// chain (view, document, frame, application); an id that no link handles is
// disabled. Closing asks the document's save-modified question first.

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>

#include "app/CKorvanceDoc.h"
#include "app/CommandRouter.h"
#include "app/DocCommands.h"
#include "dialogs/DialogCommands.h"
#include "gui/QtViewDialogs.h"
#include "gui/ViewWidget.h"
#include "gui/dialogs/QtDialogHost.h"

class QAction;

namespace korvance {

class FileChooser;
class ProgressSink;
class Sound;
class UserPrompt;

class MainFrame : public QMainWindow {
public:
    // `sound` plays the waypoint alarm.
    MainFrame(CKorvanceDoc& doc, UserPrompt& prompt, FileChooser& chooser, ProgressSink& progress, Sound& sound,
              QWidget* parent = nullptr);
    ~MainFrame() override;

    // The action of a menu id (null for accelerator-only ids).
    QAction* actionFor(uint16_t id) const;
    // Runs a command id through the chain, as a menu item or accelerator does.
    bool routeCommand(uint16_t id);
    // Enables, disables and checks every menu item from the chain.
    void updateActions();
    ViewWidget* view() const { return view_; }
    DocCommands& docCommands() { return *docCommands_; }
    // The dialogs of the program, for the view's own commands as well.
    QtDialogHost& dialogs() { return *dialogs_; }
    // Called with every id a menu item or accelerator sends, before it runs.
    std::function<void(uint16_t)> commandIssued;
    // The status line with the document's counts, or what navigation has to
    // say (a receiver lost) while it has something.
    void showDocumentStatus();
    // Shows the About box (modal).
    void showAbout();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class FrameLink;
    class AppLink;
    void buildMenus();
    void buildAccelerators();
    void redrawAll();

    CKorvanceDoc& doc_;
    QtViewDialogs viewDialogs_;
    ViewWidget* view_ = nullptr;
    std::unique_ptr<DocCommands> docCommands_;
    std::unique_ptr<QtDialogHost> dialogs_;
    std::unique_ptr<DialogCommands> dialogCommands_;
    std::unique_ptr<FrameLink> frameLink_;
    std::unique_ptr<AppLink> appLink_;
    std::unique_ptr<CommandRouter> router_;
    std::map<uint16_t, QAction*> actions_;
};

}  // namespace korvance
