#pragma once
// "&Edit Waypoint...": the whole waypoint list in a table, edited on a
// working copy that the document takes only on OK. Positions show as
// latitude/longitude text, or as UTM zone, easting and northing when
// CoordinateUTM is on.

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "data/WaypointList.h"
#include "dialogs/DialogHost.h"
#include "dialogs/EditorTable.h"
#include "geodesy/TransverseMercator.h"
#include "platform/UserPrompt.h"

namespace korvance {

inline constexpr const char* kAddButton = "&Add";
inline constexpr const char* kDeleteButton = "&Delete";

// The cell texts of one waypoint in the geographic columns (identifier,
// latitude, longitude, comment, symbol) and in the UTM columns (identifier,
// zone, easting, northing, comment, symbol).
std::vector<std::string> geographicCells(const WaypointRecord& w, const CodePage* codePage);
std::vector<std::string> utmCells(const WaypointRecord& w, const CodePage* codePage, const TransverseMercator& tm);
// The form on one row of a table in these columns (UTM or geographic): the
// row's cells go into the form and come back on OK. kDialogOk or kDialogCancel.
int editTableRow(EditorTable& table, size_t row, bool utm, DialogHost& host);
// The columns of the waypoint tables.
std::span<const EditorColumn> geographicColumns();
std::span<const EditorColumn> utmColumns();

class WaypointEditor {
public:
    // Builds the working copy of `source` (its limit, every record exactly)
    // and the rows. `tm` converts to and from UTM; `host` opens the form.
    WaypointEditor(const WaypointList& source, bool utm, const TransverseMercator& tm, DialogHost& host,
                   UserPrompt& prompt);

    bool utm() const { return utm_; }
    std::span<const EditorColumn> columns() const { return table_.columns(); }
    const EditorTable& table() const { return table_; }
    size_t rowCount() const { return table_.rowCount(); }
    const std::string& cell(size_t row, size_t column) const { return table_.cell(row, column); }
    // An edit in place, held to the form's limit of the column.
    bool setCell(size_t row, size_t column, const std::string& text) { return table_.setCell(row, column, text); }

    // "&Add": a row "W%5.5d" of the row count, then the form on it; the index
    // of the new row. At the list's limit "Waypoint overflow!" and no row.
    std::optional<size_t> add();
    // "&Delete": every selected row in one press.
    void deleteRows(const std::vector<size_t>& selected);
    // The form on one row (a double tap): kDialogOk when the row took the
    // form's fields, kDialogCancel when it stayed as it was or is outside the table.
    int editRow(size_t row);

    // OK: the working list rebuilt from the rows, in order, through the
    // list's own add. False when an add was refused (list full, or a
    // duplicate the person declined): the message has been shown, the
    // document is not touched and the table stays open for a correction.
    bool ok();
    const WaypointList& working() const { return working_; }

private:
    WaypointRecord recordOf(const EditorRow& row) const;

    bool utm_;
    const TransverseMercator& tm_;
    DialogHost& host_;
    UserPrompt& prompt_;
    WaypointList working_;
    EditorTable table_;
};

}  // namespace korvance
