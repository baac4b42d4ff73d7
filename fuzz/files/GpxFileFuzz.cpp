// GPX files of any content: the first byte chooses the display datum; the
// rest is decoded, written again and decoded again (the second reading must
// find what the first found, to the bit when no datum shift is involved),
// imported into a document, and the document taken through a save and a
// second open.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "FuzzDocument.h"
#include "files/GpxFile.h"

using namespace korvance;
using namespace korvance::files;
using namespace korvance::fuzzing;

namespace {

size_t routePoints(const std::vector<Route>& routes) {
    size_t n = 0;
    for (const auto& r : routes) n += r.waypoints.size();
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool shifted = data[0] & 1;
    const char* datumName = shifted ? "Tokyo" : "WGS 84";
    ++data, --size;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Datum datum(datumName);
    CodePage cp("CP1252");

    DocumentContents first;
    GpxReadResult r = decodeGpx(text, first, datum, &cp);
    if (r.ok()) {
        const std::string again = encodeGpx(sourceOf(first), datum, &cp);
        DocumentContents second;
        if (!decodeGpx(again, second, datum, &cp).ok()) std::abort();
        if (first.track.has_value() != second.track.has_value() ||
            (first.track && first.track->points.size() != second.track->points.size()) ||
            (first.waypoints ? first.waypoints->size() : 0) != (second.waypoints ? second.waypoints->size() : 0) ||
            (first.routes ? routePoints(*first.routes) : 0) != (second.routes ? routePoints(*second.routes) : 0))
            std::abort();
        if (!shifted && encodeDocument(sourceOf(first)) != encodeDocument(sourceOf(second))) {
            std::fprintf(stderr, "GPX written and read again differs\n");
            std::abort();
        }
    }

    const std::string path = scratch("file.gpx");
    put(path, data, size);
    FuzzDocument doc(datumName);
    ScriptedFileChooser chooser({path});
    onImportGpx(doc.access, chooser, doc.prompt);
    checkSaveAndReopen(doc);
    return 0;
}
