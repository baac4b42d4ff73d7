#include "dialogs/EditorTable.h"

#include <algorithm>
#include <cstdio>

#include "dialogs/DialogText.h"

namespace korvance {

const std::string& EditorTable::cell(size_t row, size_t column) const {
    static const std::string kEmpty;
    if (row >= rows_.size() || column >= rows_[row].cells.size()) return kEmpty;
    return rows_[row].cells[column];
}

bool EditorTable::setCell(size_t row, size_t column, const std::string& text) {
    if (row >= rows_.size() || column >= columns_.size()) return false;
    const size_t limit = columns_[column].editLimit;
    rows_[row].cells.at(column) = limit ? uiLeft(text, limit) : text;
    return true;
}

void EditorTable::appendShown(std::vector<std::string> cells, const WaypointRecord& record) {
    cells.resize(columns_.size());
    rows_.push_back(EditorRow{cells, record, cells});
}

size_t EditorTable::insertNew(size_t at, const std::string& identifier) {
    at = std::min(at, rows_.size());
    EditorRow row;
    row.cells.resize(columns_.size());
    row.cells[0] = identifier;
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), std::move(row));
    return at;
}

void EditorTable::replaceShown(size_t index, std::vector<std::string> cells, const WaypointRecord& record) {
    if (index >= rows_.size()) return;
    cells.resize(columns_.size());
    rows_[index] = EditorRow{cells, record, cells};
}

void EditorTable::erase(std::vector<size_t> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (*it < rows_.size()) rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(*it));
}

bool EditorTable::swap(size_t a, size_t b) {
    if (a >= rows_.size() || b >= rows_.size()) return false;
    std::swap(rows_[a], rows_[b]);
    return true;
}

std::string newRowIdentifier(long number) {
    char text[32];
    std::snprintf(text, sizeof text, "W%5.5ld", number);
    return text;
}

}  // namespace korvance
