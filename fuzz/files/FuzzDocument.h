#pragma once
// What the file fuzz targets share: a document's data wired to the file
// commands as the program wires it, a scratch folder, and the check that a
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

#include "data/DocumentData.h"
#include "files/DocumentCommands.h"
#include "files/DocumentFile.h"
#include "platform/testing/ScriptedPrompt.h"

namespace korvance::fuzzing {

// The folder is made on first use and removed when the run ends (kept on
// the heap so that it is still there when the exit handler runs).
inline std::string scratch(const char* name) {
    static const std::string* folder = [] {
        char pattern[] = "/tmp/korvance-fuzz-files-XXXXXX";
        if (!mkdtemp(pattern)) std::abort();
        const std::string* made = new std::string(pattern);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(*folder, ec);
        });
        return made;
    }();
    return *folder + "/" + name;
}

inline void put(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

// A document of the default limits; `settings.CoordinateUTM` and the datum can
// be changed before a command runs.
struct FuzzDocument {
    explicit FuzzDocument(const char* datumName = "WGS 84")
        : data(settings.MaxWaypointCount, settings.MaxRouteCount, settings.MaxRouteWaypointCount, "CP1252", clock),
          datum(datumName),
          tm(datum) {
        access.track = &track;
        access.waypoints = &data.waypoints;
        access.routes = &data.routes;
        access.timeZoneBias = &timeZoneBias;
        access.modified = &modified;
        access.newData = &newData;
        access.fitPending = &fitPending;
        access.settings = &settings;
        access.datum = &datum;
        access.tm = &tm;
        access.codePage = &data.codePage;
    }

    AppSettings settings;
    FixedClock clock;
    DocumentData data;
    Datum datum;
    TransverseMercator tm;
    std::unique_ptr<TrackField> track;
    int32_t timeZoneBias = 0;
    bool modified = false, newData = false, fitPending = false;
    files::DocumentAccess access;
    ScriptedPrompt prompt{{}, Answer::Yes};
};

// Saves `doc` through Save As, opens the file into a fresh document and
// aborts unless both hold the same bytes: nothing taken in may be changed or
// lost on the way through the document file.
inline void checkSaveAndReopen(FuzzDocument& doc) {
    const std::string path = scratch("roundtrip.kvn");
    ScriptedFileChooser saveTo({path});
    if (!files::onSaveAs(doc.access, saveTo, doc.prompt)) return;  // "No data for save"
    FuzzDocument again;
    ScriptedFileChooser openFrom({path});
    again.track.reset();
    files::onOpen(again.access, openFrom, again.prompt);
    const std::vector<uint8_t> before = files::encodeDocument(files::documentSource(doc.access));
    const std::vector<uint8_t> after = files::encodeDocument(files::documentSource(again.access));
    if (before != after) {
        std::fprintf(stderr, "document changed by a save and open: %zu bytes before, %zu after\n", before.size(),
                     after.size());
        std::abort();
    }
}

}  // namespace korvance::fuzzing
