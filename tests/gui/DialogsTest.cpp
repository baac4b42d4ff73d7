// The dialogs as widgets, opened through the menu of the real main window:
// typed input reaches the document on OK and not on Cancel, the choosers end
// on one choice, every dialog works from the keyboard, and the route
// editor's "UpLoad" puts the route into the receiver simulator.
//
// With KORVANCE_SCREENSHOT_DIR set (and a real display) each dialog is also
// saved as a picture of the screen while it is open.

#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "app/CommandIds.h"
#include "dialogs/Pickers.h"
#include "gui/MainFrame.h"
#include "gui/dialogs/NumberEdit.h"
#include "gui/dialogs/QtDialogHost.h"
#include "platform/SerialPort.h"
#include "platform/testing/RecordingSound.h"
#include "qtplatform/TestApplication.h"
#include "sim/garmin/ReceiverSimulator.h"
#include "support/DocFixture.h"

using namespace korvance;


namespace {

QApplication& app() { return testApplication("gui_dialogs_tests"); }

struct Shell : korvance::testing::DocFixture {
    Shell() : frame((app(), doc), prompt, chooser, prompt, sound) { frame.show(); }
    RecordingSound sound;
    MainFrame frame;
};

// Runs `act` on the next modal dialog as soon as it is open (and saves a
// picture of it when asked to).
void onNextDialog(const char* name, std::function<void(QDialog&)> act) {
    QTimer::singleShot(0, [name, act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << name;
        // Active, as a dialog opened by a person is, so its keys and mnemonics work.
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog)) << name;
        const QByteArray dir = qgetenv("KORVANCE_SCREENSHOT_DIR");
        if (!dir.isEmpty() && QGuiApplication::primaryScreen()) {
            QTest::qWait(200);
            QGuiApplication::primaryScreen()->grabWindow(0).save(QDir(QString::fromLocal8Bit(dir)).filePath(
                QString::fromUtf8(name) + ".png"));
        }
        act(*dialog);
    });
}

template <class W>
W* child(QDialog& d, const char* name) {
    W* w = d.findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Replaces a field's text as a person would: select all, type.
void type(QWidget* field, const QString& text) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

void typeNumber(NumberEdit* field, const QString& text) { type(field->edit(), text); }

// Enter where the dialog's keyboard focus is.
void enter(QDialog& d) { QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d, Qt::Key_Return); }

}  // namespace

TEST(SettingsDialogs, TypedThroughTheMenu) {
    const struct {
        const char* name;
        uint16_t id;
        std::function<void(QDialog&, Shell&)> act;
        std::function<void(Shell&)> check;
    } rows[] = {
        {"preference", cmd::Preference,
         [](QDialog& d, Shell&) {
             EXPECT_EQ(d.windowTitle(), "Preference");
             auto* datum = child<QComboBox>(d, "datum");
             datum->setFocus();
             QTest::keyClicks(datum, "Tokyo");
             typeNumber(child<NumberEdit>(d, "logInterval"), "1000");
             enter(d);  // refused: 1 to 999
             EXPECT_TRUE(d.isVisible());
             typeNumber(child<NumberEdit>(d, "logInterval"), "30");
             enter(d);
         },
         [](Shell& s) {
             EXPECT_EQ(s.doc.datum().name(), "Tokyo");
             EXPECT_EQ(s.doc.settings().DatumName, "Tokyo");
             EXPECT_EQ(s.doc.logInterval, 30u);
             EXPECT_EQ(s.prompt.texts(), std::vector<std::string>{"Please enter an integer between 1 and 999."});
         }},
        {"gps-setting", cmd::GpsOption,
         [](QDialog& d, Shell&) {
             EXPECT_EQ(d.windowTitle(), "GPS Setting");
             typeNumber(child<NumberEdit>(d, "commPort"), "3");
             // The device the number stands for here, as it is typed.
             EXPECT_EQ(child<QLabel>(d, "portDevice")->text().toStdString(), describeSerialPort("", 3));
             QTest::keyClick(&d, Qt::Key_Escape);
         },
         [](Shell& s) { EXPECT_EQ(s.doc.settings().CommPort, 1u); }},
        {"pen", cmd::Pen,
         [](QDialog& d, Shell&) {
             EXPECT_EQ(d.windowTitle(), "Pen");
             // The stored colours split into their fields, red in the low byte.
             EXPECT_EQ(child<NumberEdit>(d, "TrackR")->text() + child<NumberEdit>(d, "TrackG")->text() +
                           child<NumberEdit>(d, "TrackB")->text(),
                       "865218");
             EXPECT_EQ(child<NumberEdit>(d, "RteG")->text(), "255");
             typeNumber(child<NumberEdit>(d, "WptG"), "128");
             typeNumber(child<NumberEdit>(d, "penWidth"), "3");
             enter(d);
         },
         [](Shell& s) {
             EXPECT_EQ(s.doc.settings().PenColor, 0x123456u);
             EXPECT_EQ(s.doc.settings().WaypointColor, 0x0080FFu);
             EXPECT_EQ(s.doc.settings().PenWidth, 3u);
         }},
        {"alarm", cmd::Alarm,
         [](QDialog& d, Shell& s) {
             EXPECT_EQ(d.windowTitle(), "Alarm");
             s.chooser.add("/sounds/bell.wav");
             EXPECT_EQ(child<QLineEdit>(d, "alarmFile")->text(), "/sounds/old.wav");
             QTest::mouseClick(child<QPushButton>(d, "browse"), Qt::LeftButton);
             EXPECT_EQ(child<QLineEdit>(d, "alarmFile")->text(), "/sounds/bell.wav");
             child<QCheckBox>(d, "waypointAlarm")->setFocus();
             QTest::keyClick(child<QCheckBox>(d, "waypointAlarm"), Qt::Key_Space);
             typeNumber(child<NumberEdit>(d, "distance"), "250");
             enter(d);
         },
         [](Shell& s) {
             EXPECT_EQ(s.doc.settings().AlarmFile, "/sounds/bell.wav");
             EXPECT_EQ(s.doc.settings().WaypointAlarm, 1u);
             EXPECT_EQ(s.doc.settings().WaypointAlarmDistance, 250u);
             ASSERT_EQ(s.chooser.calls.size(), 1u);
             EXPECT_FALSE(s.chooser.calls[0].save);
             EXPECT_EQ(s.chooser.calls[0].start, "/sounds/old.wav");
             ASSERT_EQ(s.chooser.calls[0].filters.size(), 2u);
             EXPECT_EQ(s.chooser.calls[0].filters[0].name, "Wave files(*.wav)");
             EXPECT_EQ(s.chooser.calls[0].filters[0].pattern, "*.wav");
             EXPECT_EQ(s.chooser.calls[0].filters[1].name, "all files");
         }},
    };
    for (const auto& r : rows) {
        Shell s;
        s.doc.settings().CommLimitBaudrate = 4800;
        s.doc.settings().PenColor = 0x123456;
        s.doc.settings().AlarmFile = "/sounds/old.wav";  // where the alarm's file dialog starts
        QAction* action = s.frame.actionFor(r.id);
        ASSERT_TRUE(action->isEnabled()) << r.name;
        bool acted = false;
        onNextDialog(r.name, [&](QDialog& d) {
            acted = true;
            r.act(d, s);
        });
        action->trigger();
        EXPECT_TRUE(acted) << r.name;
        r.check(s);
    }
}

TEST(WaypointEditorDialog, AddTypeDeleteOkAndCancel) {
    for (bool ok : {true, false}) {
        Shell s;
        for (const char* id : {"ONE", "TWO", "THREE"}) s.doc.waypoints().add(s.prompt, id, 35, 139, "", 0, 0, 0, 0);
        const auto before = s.doc.waypoints().records();
        onNextDialog(ok ? "edit-waypoint" : "edit-waypoint-cancel", [&](QDialog& d) {
            auto* table = child<QTableView>(d, "table");
            EXPECT_EQ(table->model()->rowCount(), 3);
            EXPECT_EQ(table->model()->headerData(1, Qt::Horizontal).toString(), "Latitude");
            onNextDialog(ok ? "input-waypoint" : "input-waypoint-2", [](QDialog& form) {
                EXPECT_EQ(form.windowTitle(), "Input Waypoint");
                EXPECT_EQ(child<QLineEdit>(form, "identifier")->text(), "W00003");
                EXPECT_FALSE(child<QLineEdit>(form, "zone")->isEnabled());
                type(child<QLineEdit>(form, "first"), "35.5");
                type(child<QLineEdit>(form, "second"), "139 30");
                type(child<QLineEdit>(form, "comment"), "typed");
                enter(form);
            });
            auto* add = child<QPushButton>(d, "add");
            EXPECT_EQ(add->text(), "&Add");
            add->setFocus();
            QTest::keyClick(add, Qt::Key_Space);
            EXPECT_EQ(table->model()->rowCount(), 4);
            // Rows 0 and 1 selected from the keyboard, then the Delete key.
            table->setFocus();
            table->selectRow(0);
            QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
            QTest::keyClick(table, Qt::Key_Delete);
            EXPECT_EQ(table->model()->rowCount(), 2);
            QTest::keyClick(&d, ok ? Qt::Key_Return : Qt::Key_Escape);
        });
        s.frame.actionFor(cmd::EditWaypoint)->trigger();
        if (ok) {
            ASSERT_EQ(s.doc.waypoints().count(), 2u);
            EXPECT_EQ(s.doc.waypoints().identifier(0), "THREE");
            EXPECT_EQ(s.doc.waypoints().identifier(1), "W00003");
            EXPECT_DOUBLE_EQ(s.doc.waypoints().latitude(1), 35.5);
            EXPECT_DOUBLE_EQ(s.doc.waypoints().longitude(1), 139.5);
            EXPECT_EQ(s.doc.waypoints().comment(1), "typed");
            EXPECT_TRUE(s.doc.isModified());
        } else {
            EXPECT_EQ(s.doc.waypoints().records(), before);
            EXPECT_FALSE(s.doc.isModified());
        }
    }
}

TEST(RouteEditorDialog, UpLoadPutsTheRouteIntoTheReceiver) {
    auto sim = StartReceiverSimulator(SimProfile::Old, {}, false);
    ASSERT_TRUE(sim);
    Shell s;
    AppSettings& settings = s.doc.settings();
    settings.CommDevice = sim->devicePath();
    settings.Comm_WriteFile_Wait = 0;
    settings.CommOpenWait = 0;
    // A receiver without a protocol array is known by its model.
    settings.GPSModelID = sim->productId();
    s.doc.waypoints().add(s.prompt, "HUT", 46.5, 7.9, "mountain hut", 0, 0, 0, 0);
    s.doc.routes().appendWaypoint(s.prompt, 0, "BASE", 46.4, 7.8, "", 0, 0, 0, 0);
    s.doc.routes().appendWaypoint(s.prompt, 0, "PASS", 46.45, 7.85, "", 0, 0, 0, 0);

    onNextDialog("edit-route", [&](QDialog& d) {
        EXPECT_EQ(child<NumberEdit>(d, "routeNumber")->text(), "0");
        EXPECT_EQ(child<QLineEdit>(d, "routeName")->text(), "ROUTE-00");
        type(child<QLineEdit>(d, "routeName"), "ALPS");
        auto* table = child<QTableView>(d, "table");
        // "Add": the picker first, and one click on an entry ends it.
        onNextDialog("waypoint-picker", [](QDialog& picker) {
            auto* list = child<QListWidget>(picker, "list");
            ASSERT_EQ(list->count(), 1);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        });
        QTest::mouseClick(child<QPushButton>(d, "add"), Qt::LeftButton);
        ASSERT_EQ(table->model()->rowCount(), 3);
        EXPECT_EQ(table->model()->index(2, 0).data().toString(), "HUT");
        // Ctrl+Up moves the new row above the second; the selection stays on its index.
        table->setFocus();
        table->selectRow(2);
        QTest::keyClick(table, Qt::Key_Up, Qt::ControlModifier);
        EXPECT_EQ(table->model()->index(1, 0).data().toString(), "HUT");
        EXPECT_EQ(table->selectionModel()->selectedRows().at(0).row(), 2);
        onNextDialog("confirm-upload-route", [](QDialog& confirm) {
            EXPECT_EQ(confirm.windowTitle(), "Confirm Upload Route");
            auto* number = child<NumberEdit>(confirm, "number");
            EXPECT_EQ(number->text(), "0");
            typeNumber(number, "5");
            enter(confirm);
        });
        QTest::mouseClick(child<QPushButton>(d, "upload"), Qt::LeftButton);
    });
    s.frame.actionFor(cmd::EditRoute)->trigger();

    // The document took the edits, and the new waypoints joined its list.
    ASSERT_EQ(s.doc.routes().routeWaypointCount(0), 3u);
    EXPECT_EQ(s.doc.routes().routeName(0), "ALPS");
    EXPECT_NEAR(s.doc.routes().waypointLatitude(0, 1), 46.5, 1e-9);  // the picked waypoint's own fields
    EXPECT_NEAR(s.doc.routes().waypointLongitude(0, 1), 7.9, 1e-9);
    EXPECT_EQ(s.doc.routes().waypointComment(0, 1), "mountain hut");
    EXPECT_EQ(s.doc.waypoints().count(), 3u);
    EXPECT_TRUE(s.doc.isModified());
    // The receiver holds exactly that route, under number 5.
    const auto uploads = sim->uploads();
    ASSERT_EQ(uploads.size(), 1u) << (s.prompt.last() ? s.prompt.last()->text : "");
    EXPECT_TRUE(uploads[0].accepted) << uploads[0].reason;
    const ReceiverData data = sim->data();
    ASSERT_GT(data.routes.size(), 5u);
    const Route& got = data.routes[5];
    EXPECT_EQ(got.name.str(), "ALPS");
    const char* ids[] = {"BASE", "HUT", "PASS"};
    ASSERT_EQ(got.waypoints.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(got.waypoints[i].identifier.str(), ids[i]);
}

TEST(Choosers, OneChoiceEndsThemFromMouseOrKeyboard) {
    Shell s;
    QtDialogHost& host = s.frame.dialogs();
    for (const char* id : {"A", "B", "C"}) s.doc.waypoints().add(s.prompt, id, 35, 139, "", 0, 0, 0, 0);
    s.doc.routes().appendRoute(s.prompt);
    s.doc.routes().setRouteName(1, "HOME");

    // Arrow keys move, Enter chooses.
    onNextDialog("picker-keys", [](QDialog& d) {
        auto* list = child<QListWidget>(d, "list");
        list->setFocus();
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
    });
    EXPECT_EQ(host.pickWaypoint(s.doc.waypoints()), 1u);
    onNextDialog("picker-escape", [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    EXPECT_EQ(host.pickWaypoint(s.doc.waypoints()), std::nullopt);

    // "Invert" is read when the entry is chosen.
    onNextDialog("select-route-by-name", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Select Route by Name");
        auto* invert = child<QCheckBox>(d, "invert");
        auto* list = child<QListWidget>(d, "list");
        EXPECT_EQ(list->item(1)->text(), "HOME");
        invert->setChecked(true);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    });
    const auto route = host.selectRouteByName(s.doc.routes());
    ASSERT_TRUE(route);
    EXPECT_EQ(route->index, 1u);
    EXPECT_TRUE(route->invert);

    // 100 is refused with the range message and the chooser stays; 99 is taken.
    onNextDialog("select-route-no", [](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Select Route No.");
        auto* number = child<NumberEdit>(d, "number");
        EXPECT_EQ(number->text(), "0");
        typeNumber(number, "100");
        enter(d);
        EXPECT_TRUE(d.isVisible());
        // The arrows keep to the range: 98, up, up gives 99.
        typeNumber(number, "98");
        QTest::keyClick(number->edit(), Qt::Key_Up);
        QTest::keyClick(number->edit(), Qt::Key_Up);
        EXPECT_EQ(number->text(), "99");
        enter(d);
    });
    EXPECT_EQ(host.selectRouteNumber(), 99);
    EXPECT_EQ(s.prompt.texts(), std::vector<std::string>{"Please enter an integer between 0 and 99."});

    // "Input Waypoint" in UTM form: the zone takes input.
    WaypointForm form = WaypointForm::utm();
    form.identifier = "W00007";
    onNextDialog("input-waypoint-utm", [](QDialog& d) {
        auto* zone = child<QLineEdit>(d, "zone");
        EXPECT_TRUE(zone->isEnabled());
        type(zone, "54S");
        type(child<QLineEdit>(d, "first"), "317483.91");
        enter(d);
    });
    ASSERT_TRUE(host.inputWaypoint(form));
    EXPECT_EQ(form.zone, "54S");
    EXPECT_EQ(form.first, "317483.91");
    EXPECT_EQ(form.identifier, "W00007");
}
