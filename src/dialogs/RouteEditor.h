#pragma once
// "Ed&it Route...": every route of the document in one editor, one route in
// the table at a time, chosen by its number. Edits go to a working copy of
// all routes; OK and "UpLoad" hand it to the document, Cancel drops it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/CRouteField.h"
#include "data/WaypointList.h"
#include "dialogs/DialogHost.h"
#include "dialogs/EditorTable.h"
#include "platform/UserPrompt.h"

namespace korvance {

inline constexpr const char* kRtNewButton = "Rt New";
inline constexpr const char* kRtDelButton = "Rt Del";
inline constexpr const char* kUpLoadButton = "UpLoad";
inline constexpr const char* kInsertButton = "Insert";
inline constexpr const char* kConfirmUploadTitle = "Confirm Upload Route";
inline constexpr const char* kConfirmUploadText = "Do you wish to upload Current Route as Route Number ";

// The number of "Confirm Upload Route" read back on OK: a route number the
// route header can carry (0..255), or nothing after the range message.
std::optional<int32_t> readUploadRouteNumber(std::string_view text, UserPrompt& prompt);

class RouteEditor {
public:
    // Builds the working copy of `routes` (same limits, every route and
    // waypoint exactly) and shows route 0. `waypoints` feeds the picker.
    RouteEditor(const CRouteField& routes, const WaypointList& waypoints, DialogHost& host, UserPrompt& prompt);

    static std::span<const EditorColumn> columns();
    const EditorTable& table() const { return table_; }
    size_t rowCount() const { return table_.rowCount(); }
    const std::string& cell(size_t row, size_t column) const { return table_.cell(row, column); }
    bool setCell(size_t row, size_t column, const std::string& text) { return table_.setCell(row, column, text); }

    // The route number field and the route whose waypoints fill the table.
    const std::string& routeNumberText() const { return numberText_; }
    uint32_t shownRoute() const { return shown_; }
    uint32_t routeCount() const { return working_.routeCount(); }
    // The route name field (at most 31 characters are kept on saving).
    const std::string& routeName() const { return name_; }
    void setRouteName(const std::string& name) { name_ = name; }

    // The number field changed to `text`: a number outside the routes puts
    // the field back to "0"; with more than one route the table is saved into
    // the shown route and refilled from the route of the new number.
    void routeNumberChanged(const std::string& text);
    // "Rt New": a route appended and named "ROUTE-%02d" by its index; the
    // table keeps its route. At the limit "Route count overflow!" and no change.
    void newRoute();
    // "Rt Del": the shown route deleted, when it is not the only one; the
    // table shows the route now at its index, or the one before when it was the last.
    void deleteRoute();

    // "Add": a row "W%5.5d" of the row count, selected; the picker fills it,
    // or the form when the picker is cancelled or the list is empty. The new
    // row's index; at the route's limit "Route waypoint count overflow!" and no row.
    std::optional<size_t> add();
    // "Insert": a row "W%5.5d" of (first selected + 100 x shown route) before
    // the first selected row; nothing without a selection or at the route's limit.
    std::optional<size_t> insert(const std::vector<size_t>& selected);
    // "Delete": every selected row.
    void deleteRows(const std::vector<size_t>& selected) { table_.erase(selected); }
    // A tap with Ctrl: the picker on the row; its five cells become the
    // chosen waypoint's. kDialogCancel (nothing opened) outside the table or
    // with an empty waypoint list.
    int pickRow(size_t row);
    // A double tap: the form (latitude/longitude) on the row.
    int editRow(size_t row);
    // Ctrl+Up (-1) / Ctrl+Down (+1): the row's cells exchanged with the row
    // above or below, when there is one. The selection stays on its index.
    bool moveRow(size_t row, int direction);

    // OK and "UpLoad": the table saved into the shown route. False when the
    // route number is refused (nothing saved, the editor stays open).
    bool ok();
    // The working copy the document takes after OK or "UpLoad".
    const CRouteField& working() const { return working_; }

private:
    void fill();
    void save();
    WaypointRecord recordOf(const EditorRow& row) const;
    bool routeFull() const;

    const WaypointList& waypoints_;
    DialogHost& host_;
    UserPrompt& prompt_;
    CRouteField working_;
    EditorTable table_;
    std::string numberText_ = "0";
    uint32_t shown_ = 0;
    std::string name_;
    std::string nameShown_;  // the name as filled, so an untouched one is kept exactly
};

}  // namespace korvance
