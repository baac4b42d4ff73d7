#include "dialogs/WaypointEditor.h"

#include <cstdio>

#include "data/ListMessages.h"
#include "data/TextUtil.h"
#include "dialogs/DialogText.h"
#include "geodesy/Coordinates.h"

namespace korvance {

namespace {

using F = WaypointForm;

constexpr EditorColumn kGeographic[] = {
    {"Waypoint ID", 80, F::kIdentifierChars}, {"Latitude", 100, F::kCoordinateChars},
    {"Longitude", 100, F::kCoordinateChars}, {"Comment", 200, F::kCommentChars}, {"Symbol", 50, F::kNoLimit},
};
constexpr EditorColumn kUtm[] = {
    {"Waypoint ID", 80, F::kIdentifierChars}, {"Zone", 40, F::kNoLimit},
    {"Easting", 70, F::kCoordinateChars},     {"Northing", 70, F::kCoordinateChars},
    {"Comment", 200, F::kCommentChars},       {"Symbol", 50, F::kNoLimit},
};

enum GeoColumn { GeoId, GeoLatitude, GeoLongitude, GeoComment, GeoSymbol };
enum UtmColumn { UtmId, UtmZone, UtmEasting, UtmNorthing, UtmComment, UtmSymbol };

constexpr size_t kIdentifierShown = 24;  // characters of an identifier in a cell
constexpr size_t kCommentShown = 64;
constexpr size_t kCellRead = 64;  // characters of a cell read back on OK

std::string narrow(const CodePage* codePage, const std::string& cell) {
    return uiToOem(codePage, uiLeft(cell, kCellRead), kCellRead + 1);
}

}  // namespace

std::span<const EditorColumn> geographicColumns() { return kGeographic; }
std::span<const EditorColumn> utmColumns() { return kUtm; }

std::vector<std::string> geographicCells(const WaypointRecord& w, const CodePage* codePage) {
    return {oemToUi(codePage, w.identifier.view(), kIdentifierShown), DegreeValue(w.latitude).FormatDms(),
            DegreeValue(w.longitude).FormatDms(), oemToUi(codePage, w.comment.view(), kCommentShown),
            intText(w.symbol)};
}

std::vector<std::string> utmCells(const WaypointRecord& w, const CodePage* codePage, const TransverseMercator& tm) {
    UtmReference r;
    std::string zone, easting, northing;
    if (tm.LatLonToUtm({w.latitude, w.longitude}, r)) {
        zone = intText(r.zone) + r.letter;
        easting = FormatFixed(r.easting, 2);
        northing = FormatFixed(r.northing, 2);
    }
    return {oemToUi(codePage, w.identifier.view(), kIdentifierShown), zone, easting, northing,
            oemToUi(codePage, w.comment.view(), kCommentShown), intText(w.symbol)};
}

WaypointEditor::WaypointEditor(const WaypointList& source, bool utm, const TransverseMercator& tm, DialogHost& host,
                               UserPrompt& prompt)
    : utm_(utm),
      tm_(tm),
      host_(host),
      prompt_(prompt),
      working_(source.maximumCount(), source.codePage()),
      table_(utm ? utmColumns() : geographicColumns()) {
    WaitCursor wait(prompt_);
    working_.assign(source.records());
    for (const WaypointRecord& w : working_.records())
        table_.appendShown(utm_ ? utmCells(w, working_.codePage(), tm_) : geographicCells(w, working_.codePage()), w);
}

std::optional<size_t> WaypointEditor::add() {
    if (table_.rowCount() >= working_.maximumCount()) {
        showListLimit(prompt_, kMsgWaypointOverflow);
        return std::nullopt;
    }
    const size_t row = table_.insertNew(table_.rowCount(), newRowIdentifier(static_cast<long>(table_.rowCount())));
    editRow(row);
    return row;
}

void WaypointEditor::deleteRows(const std::vector<size_t>& selected) {
    WaitCursor wait(prompt_);
    table_.erase(selected);
}

int editTableRow(EditorTable& table, size_t row, bool utm, DialogHost& host) {
    if (row >= table.rowCount()) return kDialogCancel;
    WaypointForm form = utm ? WaypointForm::utm() : WaypointForm::geographic();
    // The form's fields in the order of the row's cells.
    std::vector<std::string*> fields = {&form.identifier, &form.first, &form.second, &form.comment, &form.symbol};
    if (utm) fields.insert(fields.begin() + 1, &form.zone);
    for (size_t c = 0; c < fields.size(); ++c) *fields[c] = table.cell(row, c);
    if (!host.inputWaypoint(form)) return kDialogCancel;
    for (size_t c = 0; c < fields.size(); ++c) table.setCell(row, c, *fields[c]);
    return kDialogOk;
}

int WaypointEditor::editRow(size_t row) { return editTableRow(table_, row, utm_, host_); }

WaypointRecord WaypointEditor::recordOf(const EditorRow& row) const {
    const CodePage* cp = working_.codePage();
    const WaypointRecord none;
    const WaypointRecord& origin = row.origin ? *row.origin : none;
    const size_t idColumn = 0, commentColumn = utm_ ? size_t{UtmComment} : size_t{GeoComment},
                 symbolColumn = utm_ ? size_t{UtmSymbol} : size_t{GeoSymbol};

    double latitude = origin.latitude, longitude = origin.longitude;
    if (utm_) {
        if (!row.unchanged(UtmZone) || !row.unchanged(UtmEasting) || !row.unchanged(UtmNorthing)) {
            const std::string& zone = row.cells[UtmZone];
            // The band letter is the last character of a zone of two or more characters.
            const char letter = zone.size() >= 2 ? zone.back() : 'N';
            latitude = longitude = 0;
            tm_.UtmToLatLon(parseDouble(row.cells[UtmNorthing]), parseDouble(row.cells[UtmEasting]),
                            static_cast<int16_t>(parseInteger(zone)), letter, latitude, longitude);
        }
    } else {
        if (!row.unchanged(GeoLatitude)) latitude = DegreeValue::FromText(row.cells[GeoLatitude]).Degrees();
        if (!row.unchanged(GeoLongitude)) longitude = DegreeValue::FromText(row.cells[GeoLongitude]).Degrees();
    }
    WaypointRecord w = origin;
    w.latitude = latitude;
    w.longitude = longitude;
    if (!row.unchanged(idColumn)) w.identifier.set(narrow(cp, row.cells[idColumn]), cp);
    if (!row.unchanged(commentColumn)) w.comment.set(narrow(cp, row.cells[commentColumn]), cp);
    if (!row.unchanged(symbolColumn))
        w.symbol = static_cast<int16_t>(parseInteger(narrow(cp, row.cells[symbolColumn])));
    return w;
}

bool WaypointEditor::ok() {
    WaitCursor wait(prompt_);
    working_.clear();
    for (size_t i = 0; i < table_.rowCount(); ++i)
        if (working_.add(prompt_, recordOf(table_.row(i))) == 0) return false;
    return true;
}

}  // namespace korvance
