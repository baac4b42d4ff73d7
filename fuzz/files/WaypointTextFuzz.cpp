// Waypoint text files of any content: the first byte chooses degree text or
// UTM references and the display datum; the rest goes through Import
// Waypoints into a document and through the converter's reader, which must
// agree on the waypoints, and the document through a save and a second open.

#include <cstdint>
#include <cstdlib>

#include "FuzzDocument.h"
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

    checkSaveAndReopen(doc);
    return 0;
}
