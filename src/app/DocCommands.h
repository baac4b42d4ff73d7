#pragma once
// The document's link of the command chain: the file, map and receiver
// commands of the menu, run on the document's data. The dialogs of the
// Option menu and the editors arrive with their own code; until then their
// ids are not handled here and show disabled.

#include <functional>

#include "app/CKorvanceDoc.h"
#include "app/CommandRouter.h"
#include "files/DocumentCommands.h"
#include "platform/FileChooser.h"
#include "platform/UserPrompt.h"

namespace korvance {

class DocCommands : public CommandTarget {
public:
    // `redrawAll` asks every view to redraw (may be empty). Installs the
    // document's Save As, which the "Confirm" question's Yes runs.
    DocCommands(CKorvanceDoc& doc, FileChooser& chooser, UserPrompt& prompt, ProgressSink& progress,
                std::function<void()> redrawAll = {});
    ~DocCommands() override;

    bool handles(uint16_t id) const override;
    void onCommand(uint16_t id) override;

    // Save As; true when the document was saved.
    bool saveAs();
    // The document as the file commands see it.
    files::DocumentAccess fileAccess();

private:
    CKorvanceDoc& doc_;
    FileChooser& chooser_;
    UserPrompt& prompt_;
    ProgressSink& progress_;
    std::function<void()> redrawAll_;
};

}  // namespace korvance
