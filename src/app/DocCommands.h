#pragma once
// The document's link of the command chain: the file, map and receiver
// commands of the menu, run on the document's data. One table maps each id
// of app/CommandIds.h to its handler; the document applies what the handler
// changed. The dialogs of the Option menu and the editors arrive with their
// own code; until then their ids are not handled here and show disabled.

#include "app/CKorvanceDoc.h"
#include "app/CommandRouter.h"
#include "platform/FileChooser.h"
#include "platform/UserPrompt.h"

namespace korvance {

class DocCommands : public CommandTarget {
public:
    // Installs the document's Save As, which the "Confirm" question's Yes runs.
    DocCommands(CKorvanceDoc& doc, FileChooser& chooser, UserPrompt& prompt, ProgressSink& progress);
    ~DocCommands() override;

    bool handles(uint16_t id) const override;
    void onCommand(uint16_t id) override;

    // Save As; true when the document was saved.
    bool saveAs();

    // What a handler of the table is given.
    struct Context {
        CKorvanceDoc& doc;
        FileChooser& chooser;
        UserPrompt& prompt;
        ProgressSink& progress;
    };

private:
    CKorvanceDoc& doc_;
    Context context_;
};

}  // namespace korvance
