#pragma once
// The program apart from its process: what its command line asks for, the
// document over the settings store that calls for, the main window, and with
// --demo the demo session. main() adds the application object, the
// single-instance rule and the Qt prompts; a test builds the same program over
// prompts of its own.

#include <QStringList>

#include <memory>
#include <string>

#include "app/CKorvanceDoc.h"
#include "gui/DemoSession.h"
#include "gui/MainFrame.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"

namespace korvance {

class FileChooser;
class ProgressSink;
class Sound;
class UserPrompt;

struct ProgramOptions {
    bool demo = false;
    double demoRate = kDemoRate;  // positions a second of the demo's receiver
    std::string map;              // a mapinfo.dat or map list to open ("" none)
};

// Reads the command line (the program's name first). --help and --version
// print and end the process; a value out of range gives false and `error`.
bool ParseProgramOptions(const QStringList& arguments, ProgramOptions& options, std::string& error);

class KorvanceProgram {
public:
    // The settings live in the user's settings file, or for the demo in memory.
    KorvanceProgram(const ProgramOptions& options, std::string programPath, UserPrompt& prompt, FileChooser& chooser,
                    ProgressSink& progress, Sound& sound);
    ~KorvanceProgram();
    KorvanceProgram(const KorvanceProgram&) = delete;
    KorvanceProgram& operator=(const KorvanceProgram&) = delete;

    // Opens what the options name (the demo: its receivers, maps and tour) and
    // shows the main window; the demo's tour then starts moving. Messages go
    // through the prompt, so give it its parent window first.
    void start();

    CKorvanceDoc& doc() { return doc_; }
    MainFrame& frame() { return frame_; }
    const DemoSession& demo() const { return demo_; }

private:
    ProgramOptions options_;
    std::string programPath_;
    UserPrompt& prompt_;
    std::unique_ptr<SettingsStore> store_;
    // In the demo the tick count runs at the tour's pace (the speed is taken from it).
    PacedClock clock_;
    CKorvanceDoc doc_;
    // Ends after the window, whose navigation reads its receiver.
    DemoSession demo_;
    MainFrame frame_;
};

}  // namespace korvance
