// "&Edit Waypoint...": the cells of both column sets, the gestures of the
// table, OK rebuilding the list through its own add, and the command's
// effect on the document.

#include <gtest/gtest.h>

#include "dialogs/DialogCommands.h"
#include "dialogs/WaypointEditor.h"
#include "support/DocFixture.h"

using namespace korvance;
using korvance::testing::DocFixture;

namespace {

std::vector<std::string> rowOf(const WaypointEditor& e, size_t row) {
    std::vector<std::string> cells;
    for (size_t c = 0; c < e.columns().size(); ++c) cells.push_back(e.cell(row, c));
    return cells;
}

}  // namespace

TEST(WaypointEditor, ColumnsAndCellsOfBothModes) {
    DocFixture f;
    f.doc.waypoints().add(f.prompt, "TOKYO", 35.0, 139.0, "station", 18, 0, 0, 0);
    f.doc.waypoints().add(f.prompt, "CAPE", -33.9, 18.4, "", -1, 0, 0, 0);
    const struct {
        bool utm;
        std::vector<std::string> titles;
        std::vector<int> widths;
        std::vector<std::string> row0, row1;
    } modes[] = {
        {false,
         {"Waypoint ID", "Latitude", "Longitude", "Comment", "Symbol"},
         {80, 100, 100, 200, 50},
         {"TOKYO", "35^00'00.00\"", "139^00'00.00\"", "station", "18"},
         {"CAPE", "-33^54'00.00\"", "18^24'00.00\"", "", "-1"}},
        {true,
         {"Waypoint ID", "Zone", "Easting", "Northing", "Comment", "Symbol"},
         {80, 40, 70, 70, 200, 50},
         {"TOKYO", "54S", "317483.91", "3874870.63", "station", "18"},
         {"CAPE", "34H", "259583.22", "6245888.05", "", "-1"}},
    };
    for (const auto& m : modes) {
        WaypointEditor e(f.doc.waypoints(), m.utm, f.doc.transverseMercator(), f.dialogs, f.prompt);
        std::vector<std::string> titles;
        std::vector<int> widths;
        for (const EditorColumn& c : e.columns()) {
            titles.emplace_back(c.title);
            widths.push_back(c.width);
        }
        EXPECT_EQ(titles, m.titles);
        EXPECT_EQ(widths, m.widths);
        ASSERT_EQ(e.rowCount(), 2u);
        EXPECT_EQ(rowOf(e, 0), m.row0);
        EXPECT_EQ(rowOf(e, 1), m.row1);
    }
    EXPECT_EQ(f.prompt.waitDepth, 0);
    EXPECT_GT(f.prompt.waitCount, 0);
}

TEST(WaypointEditor, Gestures) {
    const struct {
        const char* name;
        int waypoints;
        void (*gesture)(WaypointEditor&, ScriptedDialogs&);
        std::vector<std::string> ids;  // the identifier column afterwards
        std::vector<std::string> messages;
    } rows[] = {
        {"Add on 12 rows names W00012 even when it exists; Cancel keeps the row", 12,
         [](WaypointEditor& e, ScriptedDialogs&) {
             e.setCell(3, 0, "W00012");
             EXPECT_EQ(e.add(), 12u);
         },
         {"P000", "P001", "P002", "W00012", "P004", "P005", "P006", "P007", "P008", "P009", "P010", "P011", "W00012"},
         {}},
        {"a double tap opens the form on the row; its fields come back on OK", 3,
         [](WaypointEditor& e, ScriptedDialogs& d) {
             d.forms.push_back([](WaypointForm& form) {
                 EXPECT_EQ(form.identifier, "P001");
                 EXPECT_EQ(form.comment, "comment 1");
                 EXPECT_FALSE(form.zoneEnabled());
                 form.identifier = "HOME";
                 return true;
             });
             EXPECT_EQ(e.editRow(1), kDialogOk);
             EXPECT_EQ(e.editRow(3), kDialogCancel);  // outside the table: nothing opens
         },
         {"P000", "HOME", "P002"}, {}},
        {"an edit in place is held to the form's limit", 1,
         [](WaypointEditor& e, ScriptedDialogs&) { e.setCell(0, 0, "ABCDEFGHIJKLMNOP"); }, {"ABCDEFGHIJ"}, {}},
        {"Add at the list's limit shows the overflow and adds no row", 500,
         [](WaypointEditor& e, ScriptedDialogs&) { EXPECT_EQ(e.add(), std::nullopt); }, {}, {"Waypoint overflow!"}},
    };
    for (const auto& r : rows) {
        DocFixture f;
        f.addWaypoints(r.waypoints);
        WaypointEditor e(f.doc.waypoints(), false, f.doc.transverseMercator(), f.dialogs, f.prompt);
        f.prompt.clear();
        r.gesture(e, f.dialogs);
        if (r.waypoints < 500) {
            std::vector<std::string> ids;
            for (size_t i = 0; i < e.rowCount(); ++i) ids.push_back(e.cell(i, 0));
            EXPECT_EQ(ids, r.ids) << r.name;
        }
        EXPECT_EQ(f.prompt.texts(), r.messages) << r.name;
        EXPECT_EQ(f.prompt.waitDepth, 0) << r.name;
    }
}

TEST(WaypointEditor, OkRebuildsTheListThroughItsAdd) {
    const struct {
        const char* name;
        bool utm;
        void (*edit)(WaypointEditor&);
        bool accepted;
        double latitude, longitude;  // of row 0 afterwards
        std::vector<std::string> messages;
    } rows[] = {
        {"untouched rows come back exactly", false, [](WaypointEditor&) {}, true, 35.0, 139.0, {}},
        {"a zone of one character is in band N", true,
         [](WaypointEditor& e) {
             e.setCell(0, 1, "5");
             e.setCell(0, 2, "500000");
             e.setCell(0, 3, "0");
         },
         true, 0.0, -153.0, {}},
        {"zone 54S", true,
         [](WaypointEditor& e) {
             e.setCell(0, 1, "54S");
             e.setCell(0, 3, "3874870.630");
         },
         true, 35.0, 139.0, {}},
        {"a duplicate the person lets pass is skipped", false, [](WaypointEditor& e) { e.setCell(1, 0, "P000"); },
         true, 35.0, 139.0, {"P000 already exist.\nDo you wish to continue?"}},
    };
    for (const auto& r : rows) {
        DocFixture f;
        f.prompt.addAnswer(Answer::Yes);
        f.doc.waypoints().add(f.prompt, "P000", 35.0, 139.0, "comment", 3, 1, 25.0, 123.456);
        f.doc.waypoints().add(f.prompt, "P001", 35.1, 139.1, "", 0, 0, 0, 0);
        WaypointEditor e(f.doc.waypoints(), r.utm, f.doc.transverseMercator(), f.dialogs, f.prompt);
        r.edit(e);
        EXPECT_EQ(e.ok(), r.accepted) << r.name;
        EXPECT_EQ(f.prompt.texts(), r.messages) << r.name;
        const WaypointList& w = e.working();
        EXPECT_NEAR(w.latitude(0), r.latitude, 1e-6) << r.name;
        EXPECT_NEAR(w.longitude(0), r.longitude, 1e-6) << r.name;
        // Fields the table does not show survive it.
        EXPECT_FLOAT_EQ(static_cast<float>(w.altitude(0)), 123.456f) << r.name;
        EXPECT_EQ(w.displayOption(0), 1) << r.name;
        if (std::string(r.name) == "untouched rows come back exactly") {
            EXPECT_EQ(w.records(), f.doc.waypoints().records());
        }
    }
}

TEST(EditWaypointCommand, ARefusedRowKeepsTheEditorOpenAndTheDocumentWhole) {
    DocFixture f;
    f.addWaypoints(3);
    const auto before = f.doc.waypoints().records();
    f.prompt.addAnswer(Answer::No);  // the duplicate: do not continue
    f.dialogs.waypointEditors = {
        [](WaypointEditor& e) {
            e.setCell(1, 0, "P000");
            return kDialogOk;
        },
        [](WaypointEditor& e) {
            e.setCell(1, 0, "P001");
            return kDialogOk;
        },
    };
    const Changes changes = onEditWaypoint(f.doc, f.dialogs, f.prompt);
    EXPECT_EQ(changes, Changes::Modified | Changes::Redraw);
    f.doc.apply(changes);
    EXPECT_EQ(f.prompt.texts(), std::vector<std::string>{"P000 already exist.\nDo you wish to continue?"});
    EXPECT_EQ(f.doc.waypoints().records(), before);
    EXPECT_TRUE(f.doc.isModified());
}
