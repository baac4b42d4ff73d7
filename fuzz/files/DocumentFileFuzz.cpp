// Document files of any content: the reader from memory and the reader from
// the file must agree; the file opened into a document must then survive a
// save and a second open unchanged.

#include <cstdint>
#include <cstdlib>

#include "FuzzDocument.h"

using namespace korvance;
using namespace korvance::files;
using namespace korvance::fuzzing;

namespace {

size_t countOf(const std::optional<std::vector<WaypointRecord>>& v) { return v ? v->size() + 1 : 0; }
size_t countOf(const std::optional<std::vector<Route>>& v) { return v ? v->size() + 1 : 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = scratch("doc.kvn");
    put(path, data, size);

    ScriptedPrompt prompt;
    CodePage cp("CP1252");
    DocumentContents fromMemory, fromFile;
    DocumentReadResult m = decodeDocument(std::vector<uint8_t>(data, data + size), fromMemory, prompt, &cp);
    DocumentReadResult f = readDocumentFile(path, fromFile, prompt, &cp);
    if (m.status != f.status) std::abort();
    if (m.ok()) {
        if (fromMemory.version != fromFile.version || fromMemory.timeZoneBias != fromFile.timeZoneBias ||
            fromMemory.partial != fromFile.partial || fromMemory.track.has_value() != fromFile.track.has_value() ||
            (fromMemory.track && fromMemory.track->points.size() != fromFile.track->points.size()) ||
            countOf(fromMemory.waypoints) != countOf(fromFile.waypoints) ||
            countOf(fromMemory.routes) != countOf(fromFile.routes))
            std::abort();
    }

    FuzzDocument doc;
    ScriptedFileChooser chooser({path});
    onOpen(doc.access, chooser, doc.prompt);
    checkSaveAndReopen(doc);
    return 0;
}
