// POT files of any content: every line through the line parser, the whole
// file through Read POT into a document, then the document through a save
// and a second open.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "FuzzDocument.h"
#include "files/PotFile.h"

using namespace korvance;
using namespace korvance::files;
using namespace korvance::fuzzing;

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
    checkSaveAndReopen(doc);
    return 0;
}
