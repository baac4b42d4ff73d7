// Waypoint text files of any content: the first byte chooses degree text or
// UTM references and the display datum; the rest goes through Import
// Waypoints into a document and through the converter's reader, which must
// agree on the waypoints. The document's waypoints exported and imported
// again must come back with the same names, comments and symbols and about
// the same positions; the document also goes through a save and a second open.

#include <cstdint>
#include <cmath>
#include <cstdlib>

#include "FuzzDocument.h"
#include "data/TextUtil.h"
#include "files/WaypointText.h"

using namespace korvance;
using namespace korvance::files;
using namespace korvance::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t mode = data[0];
    const std::string path = scratch("waypoints.txt");
    put(path, data + 1, size - 1);

    FuzzDocument doc((mode & 2) ? "Tokyo" : "WGS 84");
    doc.settings.CoordinateUTM = mode & 1;
    ScriptedFileChooser chooser({path});
    onImportWaypointText(doc.access, chooser, doc.prompt);

    std::vector<WaypointRecord> all;
    if (!readWaypointText(path, all, mode & 1, doc.tm, doc.prompt, &doc.data.codePage)) std::abort();
    // The list drops duplicates and stops when full: it never holds more than the file.
    if (doc.data.waypoints.count() > all.size()) std::abort();

    const std::string exported = scratch("exported.txt");
    ScriptedFileChooser saveTo({exported});
    onExportWaypointText(doc.access, saveTo, doc.prompt);
    if (doc.data.waypoints.count() > 0) {
        FuzzDocument again((mode & 2) ? "Tokyo" : "WGS 84");
        again.settings.CoordinateUTM = mode & 1;
        ScriptedFileChooser openFrom({exported});
        onImportWaypointText(again.access, openFrom, again.prompt);
        const auto& a = doc.data.waypoints.records();
        const auto& b = again.data.waypoints.records();
        if (a.size() != b.size()) {
            std::fprintf(stderr, "%zu waypoints exported, %zu imported again\n", a.size(), b.size());
            std::abort();
        }
        for (size_t i = 0; i < a.size(); ++i) {
            // Line breaks inside a field are written as blanks.
            if (withoutLineBreaks(a[i].identifier.view()) != b[i].identifier.str() ||
                withoutLineBreaks(a[i].comment.view()) != b[i].comment.str() || a[i].symbol != b[i].symbol) {
                std::fprintf(stderr, "waypoint %zu: \"%s\" \"%s\" %d came back as \"%s\" \"%s\" %d\n", i,
                             a[i].identifier.str().c_str(), a[i].comment.str().c_str(), int(a[i].symbol),
                             b[i].identifier.str().c_str(), b[i].comment.str().c_str(), int(b[i].symbol));
                std::abort();
            }
            // Degree text keeps hundredths of a second; UTM centimetres (far from its zones' edges).
            const bool plain = std::fabs(a[i].latitude) < 80 && std::fabs(a[i].longitude) < 179;
            if (plain && (std::fabs(a[i].latitude - b[i].latitude) > 1e-5 ||
                          std::fabs(a[i].longitude - b[i].longitude) > 1e-5)) {
                std::fprintf(stderr, "waypoint %zu: %.9f %.9f came back as %.9f %.9f\n", i, a[i].latitude,
                             a[i].longitude, b[i].latitude, b[i].longitude);
                std::abort();
            }
        }
    }

    checkSaveAndReopen(doc);
    return 0;
}
