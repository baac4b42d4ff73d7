// "Ed&it Route...": the route shown and its number, "Rt New" and "Rt Del",
// the row gestures, and Cancel of the command leaving the document's routes.

#include <gtest/gtest.h>

#include "dialogs/DialogCommands.h"
#include "dialogs/RouteEditor.h"
#include "support/DocFixture.h"

using namespace korvance;
using korvance::testing::DocFixture;

namespace {

std::vector<std::string> column(const RouteEditor& e, size_t c) {
    std::vector<std::string> cells;
    for (size_t i = 0; i < e.rowCount(); ++i) cells.push_back(e.cell(i, c));
    return cells;
}

std::vector<std::string> names(const CRouteField& routes) {
    std::vector<std::string> n;
    for (const Route& r : routes.routes()) n.emplace_back(r.name.view());
    return n;
}

}  // namespace

TEST(RouteEditor, RoutesAndTheirNumber) {
    const struct {
        const char* name;
        int routes;  // routes of 2, 3, 4 ... waypoints after ROUTE-00 with 1
        void (*gesture)(RouteEditor&);
        uint32_t shown;
        std::string number;
        std::vector<std::string> names;
        std::vector<std::string> messages;
    } rows[] = {
        // Opening on route 0 is the route editor window's test; a number within the
        // routes showing its route is what the deletions below start from.
        {"a number at or above the route count resets to 0", 3,
         [](RouteEditor& e) {
             e.routeNumberChanged("2");
             e.routeNumberChanged("3");
         },
         0, "0", {"ROUTE-00", "", ""}, {}},
        {"Rt Del with a single route changes nothing", 1, [](RouteEditor& e) { e.deleteRoute(); }, 0, "0",
         {"ROUTE-00"}, {}},
        {"deleting the last of three shows route 1", 3,
         [](RouteEditor& e) {
             e.routeNumberChanged("2");
             e.deleteRoute();
         },
         1, "1", {"ROUTE-00", ""}, {}},
        {"deleting a middle route shows the next at its index", 3,
         [](RouteEditor& e) {
             e.routeNumberChanged("1");
             e.deleteRoute();
         },
         1, "1", {"ROUTE-00", ""}, {}},
        {"Rt New names the new route by its index; the table keeps its route", 2,
         [](RouteEditor& e) {
             e.routeNumberChanged("1");
             e.newRoute();
         },
         1, "1", {"ROUTE-00", "", "ROUTE-02"}, {}},
        {"Rt New at the limit: the overflow, and the last route keeps its name", 20,
         [](RouteEditor& e) { e.newRoute(); }, 0, "0",
         {"ROUTE-00", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""},
         {"Route count overflow!"}},
    };
    for (const auto& r : rows) {
        DocFixture f;
        for (int i = 0; i < r.routes; ++i) f.addRoute(static_cast<uint32_t>(i), i + 1);
        RouteEditor e(f.doc.routes(), f.doc.waypoints(), f.dialogs, f.prompt);
        r.gesture(e);
        EXPECT_EQ(e.shownRoute(), r.shown) << r.name;
        EXPECT_EQ(e.routeNumberText(), r.number) << r.name;
        EXPECT_EQ(names(e.working()), r.names) << r.name;
        // The table shows the shown route.
        EXPECT_EQ(e.rowCount(), e.working().routeWaypointCount(e.shownRoute())) << r.name;
        EXPECT_EQ(f.prompt.texts(), r.messages) << r.name;
        EXPECT_EQ(f.prompt.waitDepth, 0) << r.name;
    }
}

TEST(RouteEditor, RowGestures) {
    const struct {
        const char* name;
        int listWaypoints;
        void (*gesture)(RouteEditor&, ScriptedDialogs&);
        std::vector<std::string> ids;
        std::vector<std::string> opened;
    } rows[] = {
        {"Insert on row 3 of route 2 names W00203", 3,
         [](RouteEditor& e, ScriptedDialogs&) { EXPECT_EQ(e.insert({4, 3}), 3u); },
         {"R2-0", "R2-1", "R2-2", "W00203", "R2-3", "R2-4"}, {}},
        {"Insert without a selection does nothing", 3,
         [](RouteEditor& e, ScriptedDialogs&) { EXPECT_EQ(e.insert({}), std::nullopt); },
         {"R2-0", "R2-1", "R2-2", "R2-3", "R2-4"}, {}},
        {"Add with an empty waypoint list opens the form directly", 0,
         [](RouteEditor& e, ScriptedDialogs& d) {
             d.forms.push_back([](WaypointForm& form) {
                 EXPECT_EQ(form.identifier, "W00005");
                 EXPECT_EQ(form.firstLabel, "Latitude");
                 form.identifier = "TYPED";
                 return true;
             });
             EXPECT_EQ(e.add(), 5u);
         },
         {"R2-0", "R2-1", "R2-2", "R2-3", "R2-4", "TYPED"}, {"Input Waypoint"}},
        {"Add with the picker cancelled opens the form", 3,
         [](RouteEditor& e, ScriptedDialogs& d) { d.waypointPicks.push_back(std::nullopt); e.add(); },
         {"R2-0", "R2-1", "R2-2", "R2-3", "R2-4", "W00005"}, {"waypoint picker", "Input Waypoint"}},
        {"a Ctrl tap picks into the row", 3,
         [](RouteEditor& e, ScriptedDialogs& d) {
             d.waypointPicks.push_back(0u);
             EXPECT_EQ(e.pickRow(1), kDialogOk);
             EXPECT_EQ(e.pickRow(9), kDialogCancel);
         },
         {"R2-0", "P000", "R2-2", "R2-3", "R2-4"}, {"waypoint picker"}},
        {"a Ctrl tap with an empty list opens nothing", 0,
         [](RouteEditor& e, ScriptedDialogs&) { EXPECT_EQ(e.pickRow(1), kDialogCancel); },
         {"R2-0", "R2-1", "R2-2", "R2-3", "R2-4"}, {}},
        {"Ctrl+Up and Ctrl+Down exchange rows when there is one", 0,
         [](RouteEditor& e, ScriptedDialogs&) {
             EXPECT_TRUE(e.moveRow(1, -1));
             EXPECT_TRUE(e.moveRow(3, +1));
             EXPECT_FALSE(e.moveRow(0, -1));
             EXPECT_FALSE(e.moveRow(4, +1));
         },
         {"R2-1", "R2-0", "R2-2", "R2-4", "R2-3"}, {}},
        {"Delete removes every selected row", 0,
         [](RouteEditor& e, ScriptedDialogs&) { e.deleteRows({0, 4, 2}); }, {"R2-1", "R2-3"}, {}},
        {"a double tap opens the form", 0,
         [](RouteEditor& e, ScriptedDialogs& d) {
             d.forms.push_back([](WaypointForm& form) {
                 EXPECT_EQ(form.identifier, "R2-3");
                 EXPECT_FALSE(form.zoneEnabled());
                 form.identifier = "EDITED";
                 return true;
             });
             EXPECT_EQ(e.editRow(3), kDialogOk);
         },
         {"R2-0", "R2-1", "R2-2", "EDITED", "R2-4"}, {"Input Waypoint"}},
    };
    for (const auto& r : rows) {
        DocFixture f;
        f.addWaypoints(r.listWaypoints);
        f.addRoute(2, 5);
        RouteEditor e(f.doc.routes(), f.doc.waypoints(), f.dialogs, f.prompt);
        e.routeNumberChanged("2");
        r.gesture(e, f.dialogs);
        EXPECT_EQ(column(e, 0), r.ids) << r.name;
        EXPECT_EQ(f.dialogs.opened, r.opened) << r.name;
    }
}

TEST(RouteEditor, SwitchingRoutesSavesTheTableAndKeepsWhatWasNotEdited) {
    DocFixture f;
    f.addRoute(0, 2);
    f.addRoute(1, 3);
    f.doc.routes().setRouteName(1, "COAST");
    f.doc.routes().appendWaypoint(f.prompt, 0, "LONGNAME-OF-21-CHARS", 35.123456789, 139.0,
                                  std::string(60, 'c'), 5, 2, 30.0, 44.0);
    RouteEditor e(f.doc.routes(), f.doc.waypoints(), f.dialogs, f.prompt);
    e.setCell(0, 1, "-12^30'00.00\"");
    e.setRouteName("FIRST");
    e.routeNumberChanged("1");
    EXPECT_EQ(e.routeName(), "COAST");
    e.routeNumberChanged("0");
    EXPECT_EQ(e.routeName(), "FIRST");
    const CRouteField& w = e.working();
    EXPECT_DOUBLE_EQ(w.waypointLatitude(0, 0), -12.5);
    // The row nobody touched is the record it was, to the last bit and byte.
    EXPECT_EQ(*w.routeWaypoint(0, 2), *f.doc.routes().routeWaypoint(0, 2));
    EXPECT_EQ(*w.route(1), *f.doc.routes().route(1));
}

TEST(EditRouteCommand, CancelAfterCreatingAndDeletingRoutesLeavesThemAsTheyWere) {
    DocFixture f;
    f.addRoute(0, 1);
    f.addRoute(2, 2);
    const auto before = f.doc.routes().routes();
    f.dialogs.routeEditors.push_back([](RouteEditor& e) {
        e.newRoute();
        e.routeNumberChanged("2");
        e.deleteRoute();
        return kDialogCancel;
    });
    f.doc.apply(onEditRoute(f.doc, f.dialogs, f.prompt, f.prompt));
    EXPECT_EQ(f.dialogs.opened.size(), 1u);
    EXPECT_EQ(f.doc.routes().routes(), before);
    EXPECT_EQ(f.doc.waypoints().count(), 0u);
    EXPECT_FALSE(f.doc.isModified());
}
