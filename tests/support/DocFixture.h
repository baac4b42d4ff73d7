#pragma once
// A document with a scripted prompt and a scripted dialog host, and a few
// waypoints and routes to edit.

#include <string>

#include "app/CKorvanceDoc.h"
#include "dialogs/testing/ScriptedDialogs.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/testing/ScriptedPrompt.h"

namespace korvance::testing {

struct DocFixture {
    DocFixture() : doc(store, clock, prompt), dialogs(prompt) {}
    MemorySettingsStore store;
    FixedClock clock{1262304000, -32400};
    ScriptedPrompt prompt;
    ScriptedFileChooser chooser;
    CKorvanceDoc doc;
    ScriptedDialogs dialogs;

    // `n` waypoints "P000".."P<n-1>" along a line near Tokyo, with altitudes.
    void addWaypoints(int n) {
        for (int i = 0; i < n; ++i) {
            std::string id = "P" + std::string(i < 10 ? "00" : i < 100 ? "0" : "") + std::to_string(i);
            doc.waypoints().add(prompt, id, 35.0 + i * 0.01, 139.0 + i * 0.01, "comment " + std::to_string(i),
                                static_cast<int16_t>(i), 1, 25.0, 100.0 + i);
        }
    }
    // Route `r` (appended when missing) with `n` waypoints named R<r>-<i>.
    void addRoute(uint32_t r, int n) {
        while (doc.routes().routeCount() <= r) doc.routes().appendRoute(prompt);
        for (int i = 0; i < n; ++i)
            doc.routes().appendWaypoint(prompt, r, "R" + std::to_string(r) + "-" + std::to_string(i), 36.0 + i * 0.1,
                                        140.0 + r, "c", 7, 0, 0, 12.5);
    }
};

}  // namespace korvance::testing
