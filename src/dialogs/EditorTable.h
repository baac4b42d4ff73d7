#pragma once
// The rows of a table editor as the exact texts of their cells. Each row
// remembers the record it was built from and the texts first shown for it,
// so a cell nobody edited gives back the record's own value (no rounding
// through the coordinate text, no field cut to the cell's width) and the
// record fields the table does not show (altitude, proximity, display
// option) survive the editor.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/WaypointRecord.h"

namespace korvance {

struct EditorColumn {
    const char* title;
    int width;         // pixels
    size_t editLimit;  // characters an edit may hold (the form's limit; 0: none)
};

struct EditorRow {
    std::vector<std::string> cells;
    std::optional<WaypointRecord> origin;  // the record the row shows, when any
    std::vector<std::string> shown;        // the cells as first built from `origin`

    // True when cell `column` still holds the text built from the origin record.
    bool unchanged(size_t column) const {
        return origin && column < shown.size() && column < cells.size() && cells[column] == shown[column];
    }
};

class EditorTable {
public:
    explicit EditorTable(std::span<const EditorColumn> columns) : columns_(columns) {}

    std::span<const EditorColumn> columns() const { return columns_; }
    size_t rowCount() const { return rows_.size(); }
    const EditorRow& row(size_t index) const { return rows_.at(index); }
    // "" outside the table.
    const std::string& cell(size_t row, size_t column) const;
    // An edit in place: the text cut to the column's limit. False outside the table.
    bool setCell(size_t row, size_t column, const std::string& text);

    void clear() { rows_.clear(); }
    // A row showing `record` with these cells.
    void appendShown(std::vector<std::string> cells, const WaypointRecord& record);
    // A new row holding only its identifier, at `at` (clamped to the end).
    size_t insertNew(size_t at, const std::string& identifier);
    // Replaces row `index` with a row showing `record`.
    void replaceShown(size_t index, std::vector<std::string> cells, const WaypointRecord& record);
    // Deletes every listed row, from the last to the first.
    void erase(std::vector<size_t> rows);
    // Exchanges two rows; false when either is outside the table.
    bool swap(size_t a, size_t b);

private:
    std::span<const EditorColumn> columns_;
    std::vector<EditorRow> rows_;
};

// "W%5.5d": the identifier of a new row.
std::string newRowIdentifier(long number);

}  // namespace korvance
