#pragma once
// What the file fuzz targets share: a document's data wired to the file
// commands as the program wires it, and the check that a
// document saved after an import reads back exactly as it was.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "FuzzScratch.h"
#include "data/DocumentData.h"
#include "files/DocumentCommands.h"
#include "files/DocumentFile.h"
#include "platform/testing/ScriptedPrompt.h"

namespace korvance::fuzzing {

// A document of the default limits; `settings.CoordinateUTM` and the datum can
// be changed before a command runs.
struct FuzzDocument {
    explicit FuzzDocument(const char* datumName = "WGS 84")
        : data(settings.MaxWaypointCount, settings.MaxRouteCount, settings.MaxRouteWaypointCount, "CP1252", clock),
          datum(datumName),
          tm(datum) {}

    AppSettings settings;
    FixedClock clock;
    DocumentData data;
    Datum datum;
    TransverseMercator tm;
    std::unique_ptr<TrackField>& track = data.trackLog.track;
    files::FileCommandDoc access{data, settings, datum, tm, {}};
    ScriptedPrompt prompt{{}, Answer::Yes};
};

// Saves `doc` through Save As, opens the file into a fresh document and
// aborts unless both hold the same bytes: nothing taken in may be changed or
// lost on the way through the document file.
inline void checkSaveAndReopen(FuzzDocument& doc) {
    const std::string path = scratch("roundtrip.kvn");
    ScriptedFileChooser saveTo({path});
    if (!files::onSaveAs(doc.access, saveTo, doc.prompt).has(Changes::Saved)) return;
    FuzzDocument again;
    ScriptedFileChooser openFrom({path});
    again.track.reset();
    files::onOpen(again.access, openFrom, again.prompt);
    const std::vector<uint8_t> before = files::encodeDocument(files::documentSource(doc.data));
    const std::vector<uint8_t> after = files::encodeDocument(files::documentSource(again.data));
    if (before != after) {
        std::fprintf(stderr, "document changed by a save and open: %zu bytes before, %zu after\n", before.size(),
                     after.size());
        std::abort();
    }
}

}  // namespace korvance::fuzzing
