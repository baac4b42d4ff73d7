#include "dialogs/RouteEditor.h"

#include <algorithm>
#include <cstdio>

#include "data/ListMessages.h"
#include "data/TextUtil.h"
#include "dialogs/DialogText.h"
#include "dialogs/WaypointEditor.h"
#include "geodesy/Coordinates.h"

namespace korvance {

namespace {

enum Column { Id, Latitude, Longitude, Comment, Symbol };

constexpr size_t kCellRead = 64;         // characters of a cell read back
constexpr size_t kIdentifierBytes = 16;  // an edited identifier, narrowed
constexpr size_t kCommentBytes = 42;     // an edited comment, narrowed
constexpr size_t kNameChars = 31;        // the name field, on saving
constexpr size_t kNameBytes = 32;
constexpr int64_t kUploadRouteNumberMax = 255;  // what a route header carries

std::string narrow(const CodePage* codePage, const std::string& text, size_t bytes) {
    return uiToOem(codePage, uiLeft(text, kCellRead), bytes + 1);
}

std::string newRouteName(uint32_t index) {
    char text[32];
    std::snprintf(text, sizeof text, "ROUTE-%02u", index);
    return text;
}

}  // namespace

std::optional<int32_t> readUploadRouteNumber(std::string_view text, UserPrompt& prompt) {
    auto n = readIntegerField(text, 0, kUploadRouteNumberMax, prompt);
    if (!n) return std::nullopt;
    return static_cast<int32_t>(*n);
}

std::span<const EditorColumn> RouteEditor::columns() { return geographicColumns(); }

RouteEditor::RouteEditor(const CRouteField& routes, const WaypointList& waypoints, DialogHost& host,
                         UserPrompt& prompt)
    : waypoints_(waypoints),
      host_(host),
      prompt_(prompt),
      working_(0, routes.maximumRoutes(), routes.maximumWaypointsPerRoute(), routes.codePage()),
      table_(columns()) {
    working_.assign(routes.routes());
    fill();
}

void RouteEditor::fill() {
    table_.clear();
    const Route* route = working_.route(shown_);
    name_ = route ? oemToUi(working_.codePage(), route->name.view()) : std::string();
    nameShown_ = name_;
    if (!route) return;
    for (const WaypointRecord& w : route->waypoints) table_.appendShown(geographicCells(w, working_.codePage()), w);
}

WaypointRecord RouteEditor::recordOf(const EditorRow& row) const {
    const CodePage* cp = working_.codePage();
    WaypointRecord w = row.origin ? *row.origin : WaypointRecord{};
    if (!row.unchanged(Id)) w.identifier.set(narrow(cp, row.cells[Id], kIdentifierBytes), cp);
    if (!row.unchanged(Latitude)) w.latitude = DegreeValue::FromText(uiLeft(row.cells[Latitude], kCellRead)).Degrees();
    if (!row.unchanged(Longitude))
        w.longitude = DegreeValue::FromText(uiLeft(row.cells[Longitude], kCellRead)).Degrees();
    if (!row.unchanged(Comment)) w.comment.set(narrow(cp, row.cells[Comment], kCommentBytes), cp);
    if (!row.unchanged(Symbol)) w.symbol = static_cast<int16_t>(parseInteger(narrow(cp, row.cells[Symbol], kCellRead)));
    return w;
}

void RouteEditor::save() {
    if (shown_ >= working_.routeCount()) return;
    working_.clearRouteWaypoints(shown_);
    for (size_t i = 0; i < table_.rowCount(); ++i)
        if (working_.appendWaypoint(prompt_, shown_, recordOf(table_.row(i))) == 0) break;
    if (name_ != nameShown_)
        working_.setRouteName(shown_, narrow(working_.codePage(), uiLeft(name_, kNameChars), kNameBytes));
}

void RouteEditor::routeNumberChanged(const std::string& text) {
    static const std::string kFirst = "0";
    int64_t number = parseInteger(text);
    const bool known = number >= 0 && number < static_cast<int64_t>(working_.routeCount());
    if (!known) number = 0;
    numberText_ = known ? text : kFirst;
    if (working_.routeCount() > 1) {
        WaitCursor wait(prompt_);
        save();
        shown_ = static_cast<uint32_t>(number);
        fill();
    }
}

void RouteEditor::newRoute() {
    const uint32_t before = working_.routeCount();
    const uint32_t after = working_.appendRoute(prompt_);
    // At the limit nothing was appended, and the last route keeps its name.
    if (after == before) return;
    working_.setRouteName(after - 1, newRouteName(after - 1));
}

void RouteEditor::deleteRoute() {
    WaitCursor wait(prompt_);
    const uint32_t count = working_.routeCount();
    if (count <= 1 || shown_ >= count) return;
    working_.deleteRoute(shown_);
    if (shown_ == count - 1) --shown_;
    fill();
    numberText_ = intText(shown_);
}

bool RouteEditor::routeFull() const {
    if (table_.rowCount() < working_.maximumWaypointsPerRoute()) return false;
    showListLimit(prompt_, kMsgRouteWaypointOverflow);
    return true;
}

std::optional<size_t> RouteEditor::add() {
    if (routeFull()) return std::nullopt;
    const size_t row = table_.insertNew(table_.rowCount(), newRowIdentifier(static_cast<long>(table_.rowCount())));
    if (pickRow(row) != kDialogOk) editRow(row);
    return row;
}

std::optional<size_t> RouteEditor::insert(const std::vector<size_t>& selected) {
    if (selected.empty()) return std::nullopt;
    const size_t first = *std::min_element(selected.begin(), selected.end());
    if (first >= table_.rowCount() || routeFull()) return std::nullopt;
    return table_.insertNew(first, newRowIdentifier(static_cast<long>(first + 100 * size_t{shown_})));
}

int RouteEditor::pickRow(size_t row) {
    if (row >= table_.rowCount() || waypoints_.count() == 0) return kDialogCancel;
    const auto chosen = host_.pickWaypoint(waypoints_);
    const WaypointRecord* w = chosen ? waypoints_.record(*chosen) : nullptr;
    if (!w) return kDialogCancel;
    table_.replaceShown(row, geographicCells(*w, waypoints_.codePage()), *w);
    return kDialogOk;
}

int RouteEditor::editRow(size_t row) { return editTableRow(table_, row, false, host_); }

bool RouteEditor::moveRow(size_t row, int direction) {
    if (row >= table_.rowCount()) return false;
    if (direction < 0 && row == 0) return false;
    return table_.swap(row, direction < 0 ? row - 1 : row + 1);
}

bool RouteEditor::ok() {
    const int64_t last = std::max<int64_t>(std::max(working_.maximumRoutes(), working_.routeCount()), 1) - 1;
    if (!readIntegerField(numberText_, 0, last, prompt_)) return false;
    WaitCursor wait(prompt_);
    save();
    return true;
}

}  // namespace korvance
