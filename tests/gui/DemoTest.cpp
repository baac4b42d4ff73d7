// `korvance --demo` as the program starts it, sped up, over a sound that
// records: within seconds the position drives the tour, the track grows, the
// automatic map change leaves the detailed map, route navigation reaches its
// first waypoint with the alarm, and no question is asked. Then the normal
// menu command stops the demo navigation, the GPS menu downloads the
// simulated Garmin receiver's track, and the command picks the tour up again.
// Nothing is written into the home.

#include <QApplication>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "app/CommandIds.h"
#include "gui/KorvanceProgram.h"
#include "platform/testing/RecordingSound.h"
#include "platform/testing/ScriptedPrompt.h"
#include "qtplatform/TestApplication.h"
#include "support/QtWait.h"

using namespace korvance;
using korvance::testing::waitUntil;

namespace {

// Every file under the home with its time of last change, but for the
// runtime folder (sockets) and caches (fonts).
std::map<std::string, std::filesystem::file_time_type> homeFiles() {
    namespace fs = std::filesystem;
    std::map<std::string, fs::file_time_type> files;
    const fs::path home = std::getenv("HOME");
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(home, ec); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path relative = it->path().lexically_relative(home);
        const std::string top = relative.begin()->string();
        if (top == "run" || top == ".cache") {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(ec)) files[relative.string()] = it->last_write_time(ec);
    }
    return files;
}

TEST(Demo, DrivesTheTourAcrossTheMapsWithTheAlarmAndLeavesTheGarminReceiverToTheMenu) {
    testApplication("gui_navigation_tests");
    const auto before = homeFiles();
    ProgramOptions options;
    std::string error;
    ASSERT_TRUE(ParseProgramOptions({"korvance", "--demo", "--demo-rate", "200"}, options, error)) << error;
    EXPECT_TRUE(options.demo);
    EXPECT_EQ(options.demoRate, 200.0);
    for (const char* bad : {"0", "201", "fast"}) {
        ProgramOptions refused;
        EXPECT_FALSE(ParseProgramOptions({"korvance", "--demo", "--demo-rate", bad}, refused, error)) << bad;
        EXPECT_EQ(error, "--demo-rate wants between 0.2 and 200 positions a second");
    }
    {
        ScriptedPrompt prompt({Answer::Yes});  // "Clear current track log?" when the tour is picked up again
        ScriptedFileChooser chooser;
        RecordingSound sound;
        KorvanceProgram program(options, std::string(KORVANCE_BINARY_DIR) + "/src/gui/korvance", prompt, chooser,
                                prompt, sound);
        program.start();
        CKorvanceDoc& doc = program.doc();
        MainFrame& frame = program.frame();
        CKorvanceView& view = frame.view()->view();
        ASSERT_TRUE(view.nmeaNavigation);
        ASSERT_TRUE(view.navigation.routeNavigator);
        EXPECT_EQ(doc.routes().routeName(0), "DEMO TOUR");
        EXPECT_EQ(view.showDataField, 1);
        const std::string firstMap = doc.maps().mapInfoPath();
        EXPECT_NE(firstMap.find("centre"), std::string::npos) << firstMap;

        const auto points = [&] { return doc.trackLog().track ? doc.trackLog().track->pointCount() : 0u; };
        ASSERT_TRUE(waitUntil([&] { return points() >= 10; }, 10000)) << points();
        // Forty times the receiver's own pace, 5 ms apart, the data field still shows a speed of the
        // drive's order (positions that reach the window in pairs halve it).
        EXPECT_TRUE(waitUntil([&] { return view.navigationFigures().speedKmh > kDemoSpeedKmh / 3; }, 10000))
            << view.navigationFigures().speedKmh;
        const uint32_t early = points();
        ASSERT_TRUE(waitUntil(
            [&] { return doc.maps().mapInfoPath() != firstMap && !sound.played.empty() && points() > early; }, 30000))
            << points() << " points, map " << doc.maps().mapInfoPath() << ", " << sound.played.size() << " sounds";
        EXPECT_NE(doc.maps().mapInfoPath().find("overview"), std::string::npos);
        // The alarm sounded at the tour's first waypoint as it was reached, once.
        EXPECT_GE(view.navigation.routeNavigator->current(), 1);
        EXPECT_EQ(sound.played.front(), doc.settings().AlarmFile);
        EXPECT_EQ(sound.played.size(), 1u);
        EXPECT_TRUE(prompt.shown.empty()) << prompt.shown.front().text;

        // The normal command stops the demo navigation; the GPS menu talks to the Garmin receiver.
        ASSERT_TRUE(frame.routeCommand(cmd::NmeaNavigation));
        EXPECT_FALSE(view.nmeaNavigation);
        doc.settings().Comm_WriteFile_Wait = 0;
        doc.settings().CommOpenWait = 0;
        ASSERT_TRUE(frame.routeCommand(cmd::DownloadTrack));
        ASSERT_TRUE(doc.trackLog().track);
        EXPECT_EQ(doc.trackLog().track->pointCount(), BuiltinReceiverData(SimProfile::New).track.size())
            << (prompt.last() ? prompt.last()->text : "");
        // The same command picks the tour up again, without a log question.
        ASSERT_TRUE(frame.routeCommand(cmd::NmeaNavigation));
        ASSERT_TRUE(view.nmeaNavigation);
        ASSERT_EQ(prompt.shown.size(), 1u);
        EXPECT_EQ(prompt.shown[0].text, "Clear current track log?");
        EXPECT_TRUE(waitUntil([&] { return points() >= 10; }, 10000)) << points();
        doc.setModified(false);  // no save question on close
    }
    EXPECT_EQ(homeFiles(), before);
}

}  // namespace
