#pragma once
// GPX 1.1: the exchange format of other GPS programs. Waypoints, routes and
// the track (its segments and times) are written and read; positions in the
// file are WGS 84 and are shifted from and into the display datum.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "files/DocumentFile.h"
#include "geodesy/Datum.h"
#include "platform/CodePage.h"
#include "platform/UserPrompt.h"

namespace korvance::files {

inline constexpr const char* kGpxNamespace = "http://www.topografix.com/GPX/1/1";

// The GPX text of the document's data (UTF-8). Record text is converted from
// `cp` (Latin-1 when null).
std::string encodeGpx(const DocumentSource& source, const Datum& datum, const CodePage* cp = nullptr);

// Writes through a temporary file; false after the error report.
bool writeGpxFile(const std::string& path, const DocumentSource& source, const Datum& datum, UserPrompt& prompt,
                  const CodePage* cp = nullptr);

struct GpxReadResult {
    enum class Status { Ok, CannotOpen, NotGpx } status = Status::Ok;
    int systemError = 0;
    std::string problem;  // what was wrong, for a message ("not well-formed XML at byte 120" ...)
    size_t cutTexts = 0;        // names and comments cut to the length of their fields
    size_t lostCharacters = 0;  // characters the code page cannot hold (they became '?')
    bool ok() const { return status == Status::Ok; }
};

// Says once, with counts, what of the file's text did not survive the
// conversion into records; nothing when all of it did.
void reportTextLoss(UserPrompt& prompt, const std::string& path, const GpxReadResult& result,
                    const CodePage* cp);

// Reads waypoints, routes and the track (all <trk> elements, one segment per
// <trkseg>) into `out` (version 0, no time-zone bias); points without a valid
// position are left out.
GpxReadResult decodeGpx(std::string_view text, DocumentContents& out, const Datum& datum,
                        const CodePage* cp = nullptr);
GpxReadResult readGpxFile(const std::string& path, DocumentContents& out, const Datum& datum,
                          const CodePage* cp = nullptr);

// "2009-05-15T12:34:56Z" of seconds since 1970; and back (fractions of a
// second are dropped, an offset such as +09:00 is applied, no zone means UTC).
std::string formatGpxTime(int64_t unixTime);
std::optional<int64_t> parseGpxTime(std::string_view text);

}  // namespace korvance::files
