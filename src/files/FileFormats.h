#pragma once
// The file kinds the program reads and writes, chosen by the file's
// extension, behind one pair of entry points: used by the converter, the
// receiver commands' -o/-i and anything else that takes "a file of ours".

#include <string>
#include <vector>

#include "files/DocumentFile.h"
#include "geodesy/Datum.h"
#include "geodesy/TransverseMercator.h"
#include "platform/CodePage.h"
#include "platform/UserPrompt.h"

namespace korvance::files {

enum class FileKind { Unknown, Document, Pot, WaypointText, Gpx };

// What a kind carries. A POT file holds one of track, waypoints or routes;
// waypoint text holds waypoints only.
struct FileFormat {
    FileKind kind;
    const char* name;        // "document", "pot", "text", "gpx"
    const char* extensions;  // ".kvn .kv2"
    const char* description;
    bool track, waypoints, routes;
};

const std::vector<FileFormat>& fileFormats();
// By extension, ignoring case; Unknown for any other.
FileKind fileKindOf(const std::string& path);
const FileFormat* fileFormat(FileKind kind);

// What a POT file written from several kinds of data should hold.
enum class PotContent { Auto, Track, Waypoints, Routes };

struct FileOptions {
    const Datum* datum = nullptr;            // display datum (GPX shift, text and POT headers); WGS 84 when null
    const TransverseMercator* tm = nullptr;  // for waypoint text in UTM form
    bool utm = false;                        // waypoint text: UTM form instead of degree text
    const CodePage* codePage = nullptr;
    PotContent pot = PotContent::Auto;       // Auto: the track, else the waypoints, else the routes
};

struct FileResult {
    bool ok = false;
    std::string problem;  // for the person: names the file and what went wrong
};

// Reads any of the kinds into fresh contents. Waypoints of a text file or a
// POT file are taken as they are, duplicates included.
FileResult readAnyFile(const std::string& path, DocumentContents& out, const FileOptions& options,
                       UserPrompt& prompt);
// Writes the kind the extension names; the data a kind cannot hold are left out.
FileResult writeAnyFile(const std::string& path, const DocumentSource& source, const FileOptions& options,
                        UserPrompt& prompt);

// Which part a POT file gets from `source` under `choice`.
PotContent potContentFor(const DocumentSource& source, PotContent choice);

}  // namespace korvance::files
