// The main window under the offscreen platform: the whole menu with its texts
// and ids, the nine accelerators, the routing that disables what nobody
// handles, the close path with the "Confirm" question, the About box, a track
// downloaded from the receiver simulator and saved and opened through the
// menu, and the single-instance rule in one process and across two.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/CommandIds.h"
#include "maps/MapCommands.h"
#include "maps/MapTestUtil.h"
#include "qtplatform/QtUserPrompt.h"
#include "gui/MainFrame.h"
#include "gui/SingleInstance.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/testing/RecordingSound.h"
#include "platform/testing/ScriptedPrompt.h"
#include "settings/Settings.h"
#include "sim/garmin/ReceiverSimulator.h"
#include "sim/nmea/NmeaSentences.h"
#include "support/DocFixture.h"
#include "view/MonitorLink.h"
#include "qtplatform/TestApplication.h"
#include "support/QtWait.h"

using namespace korvance;
using korvance::testing::waitUntil;


namespace {

QApplication& app() { return testApplication("gui_tests"); }


struct Shell : korvance::testing::DocFixture {
    Shell() : frame((app(), doc), prompt, chooser, prompt, sound) {}
    RecordingSound sound;
    MainFrame frame;
};

struct Item {
    QString menu, text;
    int id;
};

std::vector<Item> menuOf(const MainFrame& frame) {
    std::vector<Item> items;
    for (QAction* top : frame.menuBar()->actions()) {
        QMenu* menu = top->menu();
        if (!menu) continue;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) items.push_back({top->text(), a->text(), a->data().toInt()});
    }
    return items;
}

}  // namespace

TEST(MainFrame, EveryMenuItemWithItsTextAndId) {
    Shell s;
    const std::vector<Item> expected = {
        {"&File", "&Open... Ctrl+O", 57601},
        {"&File", "Save &As... Ctrl+S", 57604},
        {"&File", "Load &Map...", 32771},
        {"&File", "&Discard Map", 32796},
        {"&File", "Read &POT File...", 32783},
        {"&File", "Write POT &Track...", 32784},
        {"&File", "Write POT &Waypoint...", 32785},
        {"&File", "Write POT &Route...", 32789},
        {"&File", "Import &GPX...", 32900},
        {"&File", "&Export GPX...", 32901},
        {"&File", "About &Korvan CE...", 57664},
        {"&File", "E&xit", 57665},
        {"&View/Edit", "View &Track", 32790},
        {"&View/Edit", "View &Waypoint", 32791},
        {"&View/Edit", "View &Route", 32792},
        {"&View/Edit", "View &Data Field", 32797},
        {"&View/Edit", "&Edit Waypoint...", 32778},
        {"&View/Edit", "Ed&it Route...", 32787},
        {"&View/Edit", "&Create Route", 32786},
        {"&View/Edit", "&Mark Waypoint...", 32817},
        {"&View/Edit", "&Jump...", 32799},
        {"&View/Edit", "&Zoom Ctrl+Z", 32794},
        {"&GPS", "Download &Track", 32772},
        {"&GPS", "Download &Waypoint", 32773},
        {"&GPS", "Download &Route", 32788},
        {"&GPS", "Up&load Track", 32802},
        {"&GPS", "&Upload Waypoint", 32779},
        {"&GPS", "U&pload Route", 32793},
        {"&GPS", "&Current Position", 32807},
        {"&GPS", "&Goto...  Ctrl+G", 32798},
        {"&GPS", "R&oute Navigation...", 32800},
        {"&GPS", "&Navigation  Ctrl+N", 32774},
        {"&GPS", "N&MEA Navigation  Ctrl+M", 32795},
        {"&Option", "&Preference...", 32777},
        {"&Option", "&GPS...", 32816},
        {"&Option", "Pen(&1)...", 32809},
        {"&Option", "&Alarm...", 32782},
        {"&Option", "&Import Waypoint from Text...", 32805},
        {"&Option", "&Export Waypoint to Text...", 32806},
        {"&Option", "Register &NMEA Monitor...", 32813},
        {"&Option", "&Run NMEA Monitor", 32814},
        {"&Option", "&Shift", 32810},
        {"&Option", "&Ctrl", 32811},
    };
    // Every item has its handler; these two wait for a moved map and a navigation mode.
    const std::set<int> disabledAtStart = {cmd::CurrentPosition, cmd::MarkWaypoint};
    const std::vector<Item> got = menuOf(s.frame);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].menu, expected[i].menu) << i;
        EXPECT_EQ(got[i].text, expected[i].text) << i;
        EXPECT_EQ(got[i].id, expected[i].id) << expected[i].text.toStdString();
        const QAction* action = s.frame.actionFor(uint16_t(got[i].id));
        EXPECT_EQ(action->isEnabled(), !disabledAtStart.count(got[i].id)) << expected[i].text.toStdString();
        // Keys belong to the accelerator table, never to a menu item.
        EXPECT_TRUE(action->shortcut().isEmpty());
    }
    // Alt and one letter choose one item: no letter twice in a menu.
    std::set<std::pair<QString, QChar>> letters;
    for (const Item& item : got) {
        const qsizetype amp = item.text.indexOf('&');
        ASSERT_GE(amp, 0) << item.text.toStdString();
        EXPECT_TRUE(letters.insert({item.menu, item.text[amp + 1].toLower()}).second) << item.text.toStdString();
    }
    // Ctrl+F without route navigation does nothing.
    EXPECT_TRUE(s.frame.routeCommand(cmd::NextRoutePoint));
    EXPECT_TRUE(s.prompt.shown.empty());
    EXPECT_TRUE(s.chooser.calls.empty());
}

TEST(MainFrame, EachAcceleratorSendsItsCommand) {
    Shell s;
    // Ctrl+N and Ctrl+M try this port and are refused: no navigation keeps Ctrl+O from asking.
    s.doc.settings().CommDevice = "/nonexistent/korvance-receiver";
    std::vector<uint16_t> sent;
    s.frame.commandIssued = [&](uint16_t id) { sent.push_back(id); };
    s.frame.show();
    s.frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&s.frame));
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        uint16_t id;
    } cases[] = {
        {Qt::Key_B, Qt::ControlModifier, 32815}, {Qt::Key_F, Qt::ControlModifier, 32801},
        {Qt::Key_G, Qt::ControlModifier, 32798}, {Qt::Key_M, Qt::ControlModifier, 32795},
        {Qt::Key_N, Qt::ControlModifier, 32774}, {Qt::Key_O, Qt::ControlModifier, 57601},
        {Qt::Key_S, Qt::ControlModifier, 57603}, {Qt::Key_Escape, Qt::NoModifier, 32807},
        {Qt::Key_Z, Qt::ControlModifier, 32794},
    };
    for (const auto& c : cases) {
        sent.clear();
        QTest::keyClick(&s.frame, c.key, c.modifiers);
        ASSERT_EQ(sent.size(), 1u) << QKeySequence(c.key | c.modifiers).toString().toStdString();
        EXPECT_EQ(sent[0], c.id) << QKeySequence(c.key | c.modifiers).toString().toStdString();
    }
    // Ctrl+O and Ctrl+S each asked for a file (and were cancelled): Open and Save.
    ASSERT_EQ(s.chooser.calls.size(), 2u);
    EXPECT_FALSE(s.chooser.calls[0].save);
    EXPECT_TRUE(s.chooser.calls[1].save);
    // Other keys send nothing.
    sent.clear();
    QTest::keyClick(&s.frame, Qt::Key_S);
    QTest::keyClick(&s.frame, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(sent.empty());
}

TEST(MainFrame, ExitAsksOnlyWithUnsavedChangesAndCancelKeepsRunning) {
    const struct {
        const char* name;
        bool modified;
        Answer answer;
        bool closes;
        bool byMenu;  // E&xit, or the window's close button
    } cases[] = {
        {"cancel", true, Answer::Cancel, false, false},
        {"yes, then the file dialog cancelled", true, Answer::Yes, false, true},
        {"no", true, Answer::No, true, false},
        {"nothing to save: no question", false, Answer::Cancel, true, true},
    };
    for (const auto& c : cases) {
        Shell s;
        s.prompt.addAnswer(c.answer);
        s.doc.settings().DataPath = "/data/korvance";
        s.frame.show();
        s.doc.setModified(c.modified);
        EXPECT_EQ(c.byMenu ? s.frame.routeCommand(cmd::AppExit) : s.frame.close(), c.byMenu || c.closes) << c.name;
        EXPECT_EQ(s.frame.isVisible(), !c.closes) << c.name;
        EXPECT_EQ(s.doc.isOpen(), !c.closes) << c.name;
        // The question itself: CKorvanceDoc.SaveModifiedQuestion.
        EXPECT_EQ(s.prompt.texts(), c.modified ? std::vector<std::string>{"Do you wish to save modified?"}
                                               : std::vector<std::string>{})
            << c.name;
        EXPECT_EQ(s.chooser.calls.size(), c.answer == Answer::Yes ? 1u : 0u) << c.name;
        // Closing stores the settings; staying open stores nothing yet.
        EXPECT_EQ(s.store.readString(kSettingsKey, "DataPath").has_value(), c.closes) << c.name;
        if (c.closes) {
            EXPECT_FALSE(s.frame.routeCommand(cmd::DownloadTrack)) << "nothing runs on a closed document";
        }
    }
}

TEST(MainFrame, AboutBox) {
    Shell s;
    QString title;
    QStringList texts;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        for (QLabel* l : box->findChildren<QLabel*>())
            if (!l->text().isEmpty()) texts << l->text();
        static_cast<QDialog*>(box)->accept();
    });
    EXPECT_TRUE(s.frame.routeCommand(cmd::AppAbout));
    EXPECT_EQ(title, "About Korvan CE");
    EXPECT_TRUE(texts.contains("Korvan CE Version 1.80"));
    EXPECT_TRUE(texts.contains("2009/05/15"));
}

TEST(MainFrame, TrackFromTheReceiverSavedAndOpenedThroughTheMenu) {
    auto sim = StartReceiverSimulator(SimProfile::New, {}, false);
    ASSERT_TRUE(sim);
    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath("walk.kvn").toStdString();
    size_t points = 0;
    {
        Shell s;
        // A first start says what to do first, until there is something to show.
        EXPECT_TRUE(s.frame.view()->isEmptyStart());
        EXPECT_EQ(s.frame.windowTitle(), "untitled[*] - korvance");
        AppSettings& settings = s.doc.settings();
        settings.CommDevice = sim->devicePath();
        settings.Comm_WriteFile_Wait = 0;
        settings.CommOpenWait = 0;
        s.frame.actionFor(cmd::DownloadTrack)->trigger();
        ASSERT_NE(s.doc.trackLog().track, nullptr) << (s.prompt.last() ? s.prompt.last()->text : "");
        points = s.doc.trackLog().track->pointCount();
        EXPECT_EQ(points, sim->data().track.size());
        EXPECT_TRUE(s.doc.isModified());
        EXPECT_TRUE(s.frame.isWindowModified());
        EXPECT_FALSE(s.frame.view()->isEmptyStart());

        s.chooser.add(path);
        s.frame.actionFor(cmd::FileSaveAs)->trigger();
        EXPECT_FALSE(s.doc.isModified());
        EXPECT_EQ(s.frame.windowTitle(), "walk.kvn[*] - korvance");
        EXPECT_FALSE(s.frame.isWindowModified());
        ASSERT_TRUE(QFile::exists(QString::fromStdString(path)));
    }
    Shell s;
    s.chooser.add(path);
    s.frame.actionFor(cmd::FileOpen)->trigger();
    ASSERT_NE(s.doc.trackLog().track, nullptr);
    EXPECT_EQ(s.doc.trackLog().track->pointCount(), points);
    EXPECT_FALSE(s.doc.isModified());
}

TEST(SingleInstance, TheSecondAsksTheFirstToComeForward) {
    app();
    QTemporaryDir dir;
    int raised = 0;
    {
        SingleInstance first(dir.path());
        ASSERT_TRUE(first.acquire());
        first.onRaiseRequest([&] { ++raised; });
        SingleInstance second(dir.path());
        EXPECT_FALSE(second.acquire());
        EXPECT_TRUE(waitUntil([&] { return raised == 1; }, 5000));
    }
    // Once the first has ended, the next start is the first again.
    SingleInstance next(dir.path());
    EXPECT_TRUE(next.acquire());
}

TEST(SingleInstance, TheProgramStartedTwiceEndsTheSecondWithoutAWindow) {
    app();
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // Under the sanitizers the system libraries' caches held until exit would
    // count as leaks of the child and change its exit code, which is what is checked.
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    env.insert("XDG_RUNTIME_DIR", dir.path());
    env.insert("KORVANCE_SETTINGS_FILE", QDir(dir.path()).filePath("korvance.ini"));
    const QString program = QString(KORVANCE_BINARY_DIR) + "/src/gui/korvance";
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted(10000));
    const QString socket = QDir(dir.path()).filePath("korvance.socket");
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(socket); }, 20000)) << first.readAllStandardError().toStdString();

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(program, {});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardError().contains("korvance is already running"));
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(10000);
}

namespace {

// Fills the "Input Waypoint" form once it is open and presses OK.
void answerInputWaypoint(const QString& identifier) {
    QTimer::singleShot(50, [identifier] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* d = qobject_cast<QDialog*>(w);
            if (!d || d->windowTitle() != "Input Waypoint" || !d->isVisible()) continue;
            d->findChild<QLineEdit*>("identifier")->setText(identifier);
            d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            return;
        }
        answerInputWaypoint(identifier);  // not open yet
    });
}

}  // namespace

TEST(MainFrame, MenuFollowsTheViewAndCtrlClickAddsAWaypoint) {
    Shell s;
    s.frame.resize(640, 480);
    s.frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&s.frame));
    // The action follows the view's state (the toggles themselves are the view's tests).
    ASSERT_TRUE(s.frame.routeCommand(cmd::ViewDataField));
    EXPECT_TRUE(s.frame.actionFor(cmd::ViewDataField)->isChecked());
    EXPECT_FALSE(s.frame.actionFor(cmd::MarkWaypoint)->isEnabled());
    s.frame.view()->view().monitorActive = 1;
    s.frame.updateActions();
    EXPECT_TRUE(s.frame.actionFor(cmd::MarkWaypoint)->isEnabled());
    s.frame.view()->view().monitorActive = 0;

    // Ctrl+click opens the form; OK adds the waypoint, which the next paint draws.
    s.doc.maps().SetWindowGeometry(300, 300, 36, 35, 139, 140);
    ViewWidget* view = s.frame.view();
    answerInputWaypoint("TAPPED");
    QTest::mouseClick(view, Qt::LeftButton, Qt::ControlModifier, QPoint(150, 150));
    ASSERT_EQ(s.doc.waypoints().count(), 1u);
    EXPECT_EQ(s.doc.waypoints().identifier(0), "TAPPED");
    EXPECT_NEAR(s.doc.waypoints().latitude(0), 35.5, 1e-4);
    EXPECT_TRUE(s.doc.isModified());
    const QImage shot = view->grab().toImage();
    EXPECT_EQ(shot.pixel(150, 150) & 0xFFFFFF, 0xFF0000u);  // the red square of WaypointColor
    EXPECT_EQ(shot.pixel(146, 146) & 0xFFFFFF, 0xFF0000u);
}

TEST(MainFrame, ReplayMonitorDeliversPositionsOverTheLink) {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    // Three positions 0.01 degree apart, as a receiver logs them.
    const QString nme = runtime.filePath("trip.nme");
    {
        std::ofstream f(nme.toStdString(), std::ios::binary);
        for (int i = 0; i < 3; ++i) f << FormatRmc({35.5, 139.51 + 0.01 * i, 0, 1777636810 + i, 18.52, 90});
    }
    qputenv("KORVANCE_REPLAY_NME", nme.toUtf8());
    qputenv("KORVANCE_REPLAY_INTERVAL_MS", "20");
    Shell s;
    s.doc.settings().NMEAMonitorPath = KORVANCE_BINARY_DIR "/src/view/korvance-replay-monitor";
    CKorvanceView& view = s.frame.view()->view();
    std::vector<std::pair<double, double>> got;
    view.ticked = [&](const TickResult& t) { got.emplace_back(t.fix.latitude, t.fix.longitude); };
    ASSERT_TRUE(s.frame.view()->monitorLink().isOpen());

    // Records that arrive while no monitor run is on change nothing.
    const int early = ConnectMonitor(s.frame.view()->monitorToken());
    ASSERT_GE(early, 0);
    uint8_t r[kMonitorRecordSize];
    EncodeMonitorRecord(r, kMonitorCommit, 0);
    ASSERT_EQ(::write(early, r, sizeof r), 8);
    QTest::qWait(60);
    EXPECT_TRUE(got.empty());

    ASSERT_TRUE(s.frame.routeCommand(cmd::RunNmeaMonitor));
    EXPECT_EQ(view.monitorActive, 1);
    EXPECT_TRUE(s.frame.actionFor(cmd::RunNmeaMonitor)->isChecked());
    ::close(early);
    ASSERT_TRUE(waitUntil([&] { return got.size() >= 3; }, 20000)) << got.size();
    EXPECT_NEAR(got[0].first, 35.5, 2e-6);
    EXPECT_NEAR(got[0].second, 139.51, 2e-6);
    EXPECT_NEAR(got[2].second, 139.53, 2e-6);
    // The monitor has ended: the next command ends the run and keeps the track's points.
    ASSERT_TRUE(waitUntil([&] { return !s.frame.view()->monitorRunning(); }, 10000));
    s.frame.routeCommand(cmd::RunNmeaMonitor);
    EXPECT_EQ(view.monitorActive, 0);
    EXPECT_FALSE(s.doc.trackLogging());
    qunsetenv("KORVANCE_REPLAY_NME");
}

// A map opened before the main window is on the screen (from the command line)
// whose window meets three missing tiles: nothing opens while the window is
// hidden, then one box lists all three.
TEST(MainFrame, MissingTilesAtStartShowOneBoxOnceTheWindowIsVisible) {
    app();
    MemorySettingsStore store;
    FixedClock clock;
    ScriptedFileChooser chooser;
    RecordingSound sound;
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/m";
    korvance::testing::makeFlatMap(folder, 3, 3, 16, 16, "png");
    for (int t : {0, 4, 8}) std::filesystem::remove(folder + "/" + std::to_string(t) + ".png");
    QtUserPrompt prompt;
    QtProgress progress;
    CKorvanceDoc doc(store, clock, prompt);
    MainFrame frame(doc, prompt, chooser, progress, sound);
    prompt.setParentWidget(&frame);

    std::vector<std::pair<QString, QString>> boxes;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxes.emplace_back(box->windowTitle(), box->text());
            box->done(QMessageBox::Ok);
        }
    });
    closer.start(10);
    doc.apply(OpenMapOrList(doc.maps(), folder + "/mapinfo.dat", doc.codePage(), doc.settings().MapPath, prompt));
    ASSERT_TRUE(doc.maps().hasMap());
    QTest::qWait(100);
    EXPECT_TRUE(boxes.empty());

    frame.show();
    ASSERT_TRUE(waitUntil([&] { return !boxes.empty(); }, 5000));
    QTest::qWait(200);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, "ERROR: can't load");
    const QString expected = QString::fromStdString(folder + "/0.png\n" + folder + "/4.png\n" + folder + "/8.png");
    EXPECT_EQ(boxes[0].second, expected);
}
