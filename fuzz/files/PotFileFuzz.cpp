// POT files of any content: every line through the line parser, the whole
// file through Read POT into a document; what the document took is written
// as a POT file again and read into a fresh document, which must hold the
// same number of items with the same labels; then the document goes through
// a save and a second open.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "FuzzDocument.h"
#include "data/TextUtil.h"
#include "files/PotFile.h"

using namespace korvance;
using namespace korvance::files;
using namespace korvance::fuzzing;

namespace {

[[noreturn]] void fail(const char* what, size_t a, size_t b) {
    std::fprintf(stderr, "POT written and read again: %s %zu, then %zu\n", what, a, b);
    std::abort();
}

void checkWaypoints(const std::vector<WaypointRecord>& a, const std::vector<WaypointRecord>& b, const char* what) {
    if (a.size() != b.size()) fail(what, a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        // A label keeps at most 10 characters of identifier before its ':'; longer
        // identifiers come back cut, with the rest in the comment.
        // Line breaks inside a label are written as blanks.
        if (a[i].identifier.str().size() <= 10 && (withoutLineBreaks(a[i].identifier.view()) != b[i].identifier.str() ||
                                                   withoutLineBreaks(a[i].comment.view()) != b[i].comment.str())) {
            std::fprintf(stderr, "%s %zu: \"%s:%s\" came back as \"%s:%s\"\n", what, i, a[i].identifier.str().c_str(),
                         a[i].comment.str().c_str(), b[i].identifier.str().c_str(), b[i].comment.str().c_str());
            std::abort();
        }
}

// Writes what Read POT put into `doc` (the kind of the file's last line) and
// reads it back into a fresh document.
void checkWriteAndRead(FuzzDocument& doc, PotKind kind) {
    const std::string path = scratch("written.pot");
    ScriptedFileChooser saveTo({path});
    FuzzDocument again;
    ScriptedFileChooser openFrom({path});
    switch (kind) {
        case PotKind::TrackPoint: {
            if (!doc.track) return;
            onWritePotTrack(doc.access, saveTo, doc.prompt);
            onReadPot(again.access, openFrom, again.prompt);
            const size_t a = doc.track->points().size();
            const size_t b = again.track ? again.track->points().size() : 0;
            if (a != b) fail("track points", a, b);
            break;
        }
        case PotKind::Waypoint:
            if (doc.data.waypoints.count() == 0) return;
            onWritePotWaypoints(doc.access, saveTo, doc.prompt);
            onReadPot(again.access, openFrom, again.prompt);
            checkWaypoints(doc.data.waypoints.records(), again.data.waypoints.records(), "waypoints");
            break;
        case PotKind::RouteWaypoint: {
            // Empty routes leave no line behind: only the waypoints of the others come back.
            std::vector<WaypointRecord> a, b;
            for (const auto& r : doc.data.routes.routes()) a.insert(a.end(), r.waypoints.begin(), r.waypoints.end());
            if (a.empty()) return;
            onWritePotRoutes(doc.access, saveTo, doc.prompt);
            onReadPot(again.access, openFrom, again.prompt);
            for (const auto& r : again.data.routes.routes()) b.insert(b.end(), r.waypoints.begin(), r.waypoints.end());
            checkWaypoints(a, b, "route waypoints");
            break;
        }
        default: break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (size_t start = 0; start < text.size();) {
        size_t lf = text.find('\n', start);
        std::string_view line = text.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
        PotRecord r = parsePotLine(line);
        if (r.label) {
            PotLabel l = splitPotLabel(*r.label);
            if (l.identifier.size() > 63 || l.comment.size() > 127) std::abort();
        }
        (void)formatPotDegrees(r.latitude);
        (void)formatPotDate(r.time);
        (void)formatPotTime(r.time);
        if (lf == std::string_view::npos) break;
        start = lf + 1;
    }

    const std::string path = scratch("file.pot");
    put(path, data, size);
    PotContents contents;
    if (!readPotFile(path, contents)) std::abort();
    for (const auto& item : contents.items)
        if (item.label.size() > 127) std::abort();

    FuzzDocument doc;
    ScriptedFileChooser chooser({path});
    onReadPot(doc.access, chooser, doc.prompt);
    checkWriteAndRead(doc, contents.lastKind);
    checkSaveAndReopen(doc);
    return 0;
}
