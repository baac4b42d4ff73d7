#include "files/WaypointText.h"

#include <cmath>
#include <cstdio>

#include "data/FieldSplitter.h"
#include "data/TextUtil.h"
#include "files/FileReport.h"
#include "files/IFTxtFile.h"
#include "geodesy/Coordinates.h"
#include "platform/AtomicFile.h"

namespace korvance::files {

namespace {

constexpr size_t kLineBuffer = 256;  // lines of at most 255 bytes

std::string cut(std::string s, size_t max) {
    if (s.size() > max) s.resize(max);
    return s;
}

// Degree text of the file into degrees; the field is 8-bit text of the code page.
double degreesFromField(std::string_view field, const CodePage* cp) {
    std::string ui = oemToUi(cp, field, 32);
    return DegreeValue::FromText(ui).Degrees();
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Degree text holds a number and no letters but the hemispheres ("N35.25").
bool readableDegrees(std::string_view field) {
    bool digit = false;
    for (char c : field) {
        if (isLetter(c) && std::string_view("NSEWnsew").find(c) == std::string_view::npos) return false;
        digit = digit || isDigit(c);
    }
    return digit;
}

// A plain decimal number, blanks around it allowed.
bool readableNumber(std::string_view field) {
    bool digit = false;
    for (char c : field) {
        if (!isDigit(c) && std::string_view(" \t\r+-.eE").find(c) == std::string_view::npos) return false;
        digit = digit || isDigit(c);
    }
    return digit;
}

// A zone begins with its number ("54S").
bool readableZone(std::string_view field) {
    size_t at = field.find_first_not_of(" \t");
    return at != std::string_view::npos && isDigit(field[at]);
}

void reportSkippedLines(UserPrompt& prompt, const std::string& path, size_t skipped) {
    if (skipped == 0) return;
    prompt.message(path + "\n" + std::to_string(skipped) +
                       (skipped == 1 ? " line without a readable position was skipped."
                                     : " lines without a readable position were skipped."),
                   kAppCaption, Icon::Warning);
}

}  // namespace

std::string waypointTextDatumLine(const Datum& datum) {
    const DatumRow& row = datum.row();
    char shifts[64];
    std::snprintf(shifts, sizeof shifts, ",%d,%d,%d", int(row.dx), int(row.dy), int(row.dz));
    return cut("DATUM=" + row.name.substr(0, 63) + "," + row.ellipsoidName.substr(0, 63) + "," +
                   FormatFixed(row.da, 3) + "," + FormatFixed(row.df * 10000.0, 8) + shifts,
               kLineBuffer - 1);
}

std::string waypointTextLine(const WaypointRecord& w, bool utm, const TransverseMercator& tm) {
    std::string line = withoutLineBreaks(w.identifier.view()) + ",";
    if (utm) {
        int16_t zone = 0;
        char letter = 'N';
        double northing = 0, easting = 0;
        tm.LatLonToUtm(w.latitude, w.longitude, zone, letter, northing, easting);
        char z[32];
        std::snprintf(z, sizeof z, "%d%c,", int(zone), letter);
        line += z + FormatFixed(easting, 2) + "," + FormatFixed(northing, 2) + ",";
    } else {
        line += DegreeValue(w.latitude).FormatDms() + "," + DegreeValue(w.longitude).FormatDms() + ",";
    }
    char sym[16];
    std::snprintf(sym, sizeof sym, ",%d", int(w.symbol));
    return cut(line + withoutLineBreaks(w.comment.view()) + sym, kLineBuffer - 1);
}

bool exportWaypointText(const std::string& path, const Datum& datum, const TransverseMercator& tm,
                        std::span<const WaypointRecord> waypoints, bool utm, UserPrompt& prompt, const CodePage* cp) {
    (void)cp;  // record text is written as stored
    AtomicFile file(path);
    if (!file.open()) {
        reportFileError(prompt, path, path, file.error());
        return false;
    }
    file.write(waypointTextDatumLine(datum));
    file.write("\r\n");
    for (const auto& w : waypoints) {
        if (!file.write(waypointTextLine(w, utm, tm)) || !file.write("\r\n")) break;
    }
    if (!file.ok() || !file.commit()) {
        reportFileError(prompt, "Save", path, file.error());
        return false;
    }
    return true;
}

WaypointTextLine parseWaypointTextLine(std::string_view line, bool utm, const TransverseMercator& tm,
                                       const CodePage* cp, WaypointRecord& out) {
    if (line.size() < 20) return WaypointTextLine::Skip;
    FieldSplitter fields(line, ",\t");
    std::optional<std::string_view> first = fields.first();
    if (!first) return WaypointTextLine::End;
    // A name is stored up to its first NUL byte: one that starts with NUL is
    // an empty name, and such a line is skipped like any without a name.
    const std::string_view name = first->substr(0, first->find('\0'));
    if (name.empty() || name.substr(0, 6) == "DATUM=") return WaypointTextLine::Skip;
    std::string identifier(name.substr(0, cp ? cp->cutLength(name, 6) : 6));

    // A line without a readable position used to become a waypoint at 0, 0.
    double latitude = 0, longitude = 0;
    if (utm) {
        auto zoneField = fields.next();
        auto eastField = zoneField ? fields.next() : std::nullopt;
        auto northField = eastField ? fields.next() : std::nullopt;
        if (!northField || !readableZone(*zoneField) || !readableNumber(*eastField) || !readableNumber(*northField))
            return WaypointTextLine::NoPosition;
        int zone = parseInteger(*zoneField);
        char letter = zoneField->size() >= 2 ? zoneField->back() : 'N';
        if (zone < INT16_MIN || zone > INT16_MAX) zone = 0;
        tm.UtmToLatLon(parseDouble(*northField), parseDouble(*eastField), int16_t(zone), letter, latitude, longitude);
    } else {
        auto latField = fields.next();
        auto lonField = latField ? fields.next() : std::nullopt;
        if (!lonField || !readableDegrees(*latField) || !readableDegrees(*lonField))
            return WaypointTextLine::NoPosition;
        latitude = degreesFromField(*latField, cp);
        longitude = degreesFromField(*lonField, cp);
    }
    // A position that is no place on Earth (a damaged number) would be kept
    // and then written back as an empty field.
    if (!(std::fabs(latitude) <= 90 && std::fabs(longitude) <= 180)) return WaypointTextLine::NoPosition;
    std::string comment;
    int16_t symbol = 0;
    if (auto c = fields.next()) {
        comment = std::string(c->substr(0, 40));
        if (auto s = fields.next()) {
            int v = parseInteger(*s);
            symbol = int16_t(v < INT16_MIN ? INT16_MIN : v > INT16_MAX ? INT16_MAX : v);
        }
    }
    out = makeWaypointRecord(identifier, latitude, longitude, comment, symbol, 0, 0, 0, cp);
    return WaypointTextLine::Waypoint;
}

bool importWaypointText(const std::string& path, WaypointList& list, bool utm, const TransverseMercator& tm,
                        UserPrompt& prompt, const CodePage* cp) {
    IFTxtFile reader(prompt, '\n');
    if (!reader.open(path)) return false;
    std::string line;
    size_t skipped = 0;
    while (reader.readLine(line, int(kLineBuffer)) >= 0) {
        WaypointRecord w;
        WaypointTextLine kind = parseWaypointTextLine(line, utm, tm, cp, w);
        if (kind == WaypointTextLine::End) break;
        skipped += kind == WaypointTextLine::NoPosition;
        if (kind != WaypointTextLine::Waypoint) continue;
        if (!list.add(prompt, w)) break;
    }
    reportSkippedLines(prompt, path, skipped);
    return true;
}

bool readWaypointText(const std::string& path, std::vector<WaypointRecord>& out, bool utm,
                      const TransverseMercator& tm, UserPrompt& prompt, const CodePage* cp) {
    IFTxtFile reader(prompt, '\n');
    if (!reader.open(path)) return false;
    std::vector<WaypointRecord> records;
    std::string line;
    size_t skipped = 0;
    while (reader.readLine(line, int(kLineBuffer)) >= 0) {
        WaypointRecord w;
        WaypointTextLine kind = parseWaypointTextLine(line, utm, tm, cp, w);
        if (kind == WaypointTextLine::End) break;
        skipped += kind == WaypointTextLine::NoPosition;
        if (kind == WaypointTextLine::Waypoint) records.push_back(w);
    }
    reportSkippedLines(prompt, path, skipped);
    out = std::move(records);
    return true;
}

}  // namespace korvance::files
