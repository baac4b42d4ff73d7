// Navigation in the program, end to end over real pseudo-terminals: Garmin
// polling against the receiver simulator on the navigation timer, and NMEA
// navigation against the simulator's NMEA source through the reader thread
// and the hand-off to the event loop. Each drives a route to its end with the
// waypoint alarm sounding through the program's Sound; then the receiver is
// pulled away mid-run.

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QTimer>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandIds.h"
#include "files/TempDir.h"
#include "gui/MainFrame.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/testing/RecordingSound.h"
#include "platform/testing/ScriptedPrompt.h"
#include "qtplatform/TestApplication.h"
#include "sim/garmin/ReceiverSimulator.h"
#include "sim/nmea/NmeaSource.h"
#include "support/QtWait.h"
#include "support/TrackPoints.h"

using namespace korvance;
using korvance::testing::waitUntil;

namespace {

// Answers from its script, and notes whether the navigation timer ran while
// a question was open.
class WatchingPrompt : public ScriptedPrompt {
public:
    using ScriptedPrompt::ScriptedPrompt;
    Answer ask(const std::string& text, const std::string& caption, Buttons buttons, Icon icon) override {
        if (timerActive) timerRanDuringQuestion = timerRanDuringQuestion || timerActive();
        return ScriptedPrompt::ask(text, caption, buttons, icon);
    }
    std::function<bool()> timerActive;
    bool timerRanDuringQuestion = false;
};

// A straight track north, 50 m a point, from 35 N 139 E.
constexpr int kPoints = 6;
constexpr double kStepKm = 0.05;
double northOf(double km) { return 35.0 + km / 111.0; }

enum class Source { Garmin, Nmea };

TEST(NavigationGui, DrivesARouteToItsEndWithTheAlarmAndSurvivesThePulledReceiver) {
    testApplication("gui_navigation_tests");
    // Each run drives the route to its end and then pulls the receiver away.
    for (const Source source : {Source::Garmin, Source::Nmea}) {
        const bool nmea = source == Source::Nmea;
        SCOPED_TRACE(nmea ? "NMEA" : "Garmin");
        MemorySettingsStore store;
        SystemClock clock;
        // Garmin polling: a read error asks whether to go on; Yes once, then No.
        WatchingPrompt prompt({nmea ? Answer::No : Answer::Yes, Answer::No}, Answer::No);
        ScriptedFileChooser chooser;
        RecordingSound sound;
        CKorvanceDoc doc(store, clock, prompt);
        MainFrame frame(doc, prompt, chooser, prompt, sound);
        frame.show();
        CKorvanceView& view = frame.view()->view();
        prompt.timerActive = [&] { return frame.view()->navigationTimer().active(); };
        AppSettings& s = doc.settings();
        s.LogInterval = 1;
        s.WaypointAlarm = 1;
        s.WaypointAlarmDistance = 200;
        s.AlarmFile = "alarm.wav";

        // The route: the second, fourth and last point of the track.
        const uint32_t r = doc.routes().appendRoute(prompt) - 1;
        for (int i : {1, 3, kPoints - 1})
            doc.routes().appendWaypoint(prompt, r, "P" + std::to_string(i), northOf(i * kStepKm), 139.0, "", 0, 0, 0, 0);
        // Chosen as a person does: "R&oute Navigation...", a click on the route's name.
        s.ReachDistance = 20;
        QTimer::singleShot(0, [r] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "Select Route by Name");
            auto* list = dialog->findChild<QListWidget*>("list");
            ASSERT_NE(list, nullptr);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(int(r))).center());
        });
        ASSERT_TRUE(frame.routeCommand(cmd::RouteNavigation));
        ASSERT_TRUE(view.navigation.routeNavigator);
        EXPECT_EQ(doc.currentRoute, r);

        korvance::testing::TempDir dir;
        const std::string link = dir.file("usb-receiver");
        std::unique_ptr<ReceiverSimulator> garmin;
        std::unique_ptr<NmeaSource> nmeaSource;
        auto plug = [&] {
            if (nmea) {
                std::vector<NmeaTrackPoint> track;
                for (int i = 0; i < kPoints; ++i)
                    track.push_back({northOf(i * kStepKm), 139.0, 20.0, 1700000000 + i, 180.0, 0.0});
                nmeaSource = std::make_unique<NmeaSource>(track, 10.0, NmeaFaults{}, true);
                ASSERT_TRUE(nmeaSource->start());
                ASSERT_EQ(::symlink(nmeaSource->devicePath().c_str(), link.c_str()), 0);
            } else {
                ReceiverData data;
                data.track = korvance::testing::pointsAlong(kPoints, northOf(0), 139.0, northOf(kStepKm) - northOf(0), 0,
                                                            uint32_t(1700000000 - kReceiverEpochUnix), 1);
                garmin = StartReceiverSimulator(SimProfile::New, data, true);
                ASSERT_TRUE(garmin);
                ASSERT_EQ(::symlink(garmin->devicePath().c_str(), link.c_str()), 0);
            }
        };
        auto pull = [&] {
            nmeaSource.reset();
            garmin.reset();
            ::unlink(link.c_str());
        };
        plug();
        s.CommDevice = link;

        ASSERT_TRUE(frame.routeCommand(nmea ? cmd::NmeaNavigation : cmd::Navigation));
        ASSERT_TRUE(nmea ? view.nmeaNavigation : view.navigationActive);
        const auto points = [&] { return doc.trackLog().track ? doc.trackLog().track->pointCount() : 0u; };
        const auto atEnd = [&] {
            return view.navigation.routeNavigator->current() == 2 && !sound.played.empty() && points() >= kPoints;
        };
        ASSERT_TRUE(waitUntil(atEnd, 30000)) << points() << " points";
        EXPECT_EQ(sound.played.front(), "alarm.wav");

        pull();
        const uint32_t before = points();
        if (nmea) {
            ASSERT_TRUE(waitUntil([&] { return frame.statusBar()->currentMessage().contains("NMEA receiver lost"); }, 10000));
            EXPECT_TRUE(frame.statusBar()->currentMessage().contains(QString::fromStdString(link)));
            EXPECT_TRUE(view.nmeaNavigation);
            plug();  // back under the same name
            ASSERT_TRUE(waitUntil([&] { return points() > before + 3; }, 15000));
            EXPECT_FALSE(frame.statusBar()->currentMessage().contains("NMEA receiver lost"));
        } else {
            // The read error's question, Yes and then No: navigation ends, the track stays.
            ASSERT_TRUE(waitUntil([&] { return !view.navigationActive; }, 20000));
            EXPECT_EQ(points(), before);
            EXPECT_FALSE(prompt.timerRanDuringQuestion);
            EXPECT_FALSE(frame.view()->navigationTimer().active());
            EXPECT_TRUE(doc.isModified());
        }
        if (nmea ? view.nmeaNavigation : view.navigationActive) {
            ASSERT_TRUE(frame.routeCommand(nmea ? cmd::NmeaNavigation : cmd::Navigation));
        }
        EXPECT_FALSE(view.navigationModeOn());
        EXPECT_GE(points(), static_cast<uint32_t>(kPoints));
        EXPECT_TRUE(doc.isModified());
        std::vector<std::string> questions;
        for (const auto& shown : prompt.shown) questions.push_back(shown.text);
        if (nmea) {
            EXPECT_EQ(questions.front(), "Do you wish to save NMEA sentence?");
        } else {
            EXPECT_EQ(questions, (std::vector<std::string>{"ReadPosition Error\nContinue Navigation?",
                                                           "ReadPosition Error\nContinue Navigation?"}));
        }
        doc.setModified(false);  // no save question on close
    }
}

}  // namespace
