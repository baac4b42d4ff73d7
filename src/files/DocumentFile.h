#pragma once
// The document file: header "KORVAN", then the track, waypoint and route
// sections at the offsets the header names. Written as version 5; versions 0
// and 2 to 7 are read.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/RouteRecord.h"
#include "data/TrackPoint.h"
#include "data/WaypointRecord.h"
#include "platform/CodePage.h"
#include "platform/UserPrompt.h"

namespace korvance::files {

inline constexpr size_t kDocumentHeaderSize = 108;
inline constexpr int32_t kDocumentWriteVersion = 5;

// A track as the document file carries it.
struct TrackData {
    uint32_t segmentCount = 0;
    std::vector<TrackPoint> points;
    friend bool operator==(const TrackData&, const TrackData&) = default;
};

// What is written: the document's data, borrowed.
struct DocumentSource {
    int32_t timeZoneBias = 0;
    bool hasTrack = false;  // false writes a track section of 4 zero bytes
    uint32_t segmentCount = 0;
    std::span<const TrackPoint> points;
    std::span<const WaypointRecord> waypoints;
    std::span<const Route> routes;
};

// What was read, in fresh containers: the caller replaces the document's
// data with it only when the read succeeded.
struct DocumentContents {
    int32_t version = 0;
    // The format version an exchange file declares (GPX: "1.0", "1.1"); "" when none.
    std::string declaredVersion;
    std::optional<int32_t> timeZoneBias;  // only files of version 3 or later carry one
    std::optional<TrackData> track;       // absent: the file holds no track
    // Absent: the section is missing or unreadable and the document keeps its own.
    std::optional<std::vector<WaypointRecord>> waypoints;
    std::optional<std::vector<Route>> routes;
    // A waypoint or route section was shorter than its counts: only the
    // records read in full were kept.
    bool partial = false;
};

// What was read, seen as something to write out again; it points into `c`,
// which must outlive it. A file without a time-zone bias gives 0.
DocumentSource sourceOf(const DocumentContents& c);

enum class DocumentReadStatus {
    Ok,
    CannotOpen,          // the file could not be opened or read (errno in systemError)
    Empty,               // no bytes at all
    ShortHeader,         // fewer than 108 bytes
    WrongMagic,          // not "KORVAN\0"
    UnsupportedVersion,  // 1 or above 7: "not acceptable version" was shown
    NoTrack,             // the track section is short, or lies about its size
};

struct DocumentReadResult {
    DocumentReadStatus status = DocumentReadStatus::Ok;
    int systemError = 0;
    bool ok() const { return status == DocumentReadStatus::Ok; }
};

// Why a file was not taken, in words that follow its path ("is empty");
// empty for Ok and for UnsupportedVersion, which has its own message.
std::string documentReadProblem(const DocumentReadResult& r);

// Writes version 5 through a temporary file renamed over `path`. Failures show
// the error report (the path when the file cannot be created, "Save" when a
// write fails) and leave any previous file at `path` untouched.
bool writeDocumentFile(const std::string& path, const DocumentSource& source, UserPrompt& prompt);

// The bytes of a version 5 file, for tests and for writers of other kinds.
std::vector<uint8_t> encodeDocument(const DocumentSource& source);

// Reads a document file. `codePage` keeps identifiers of older layouts from
// being cut inside a two-byte character (may be null).
DocumentReadResult readDocumentFile(const std::string& path, DocumentContents& out, UserPrompt& prompt,
                                    const CodePage* codePage = nullptr);
DocumentReadResult decodeDocument(const std::vector<uint8_t>& bytes, DocumentContents& out, UserPrompt& prompt,
                                  const CodePage* codePage = nullptr);

}  // namespace korvance::files
