#pragma once
// A document, its view and a host with a fixed client rectangle, for the view tests.

#include <memory>

#include "files/TempDir.h"
#include "maps/MapTestUtil.h"
#include "navigation/testing/ManualNavigationTimer.h"
#include "platform/testing/RecordingSound.h"
#include "support/DocFixture.h"
#include "view/CKorvanceView.h"
#include "view/testing/RecordingCanvas.h"
#include "view/testing/ScriptedViewDialogs.h"

namespace korvance::testing {

// The host's navigation services: a timer fired by hand, a recording sound,
// and NMEA reception that only records its starts and stops (tests hand
// positions to CKorvanceView::nmeaPosition themselves).
class FixedHost : public ViewHost, public NavigationHost {
public:
    ManualNavigationTimer timer;
    RecordingSound sound_;
    bool nmeaOpens = true;
    int nmeaStarts = 0, nmeaStops = 0;
    NavigationHost* navigationHost() override { return this; }
    NavigationTimer& navigationTimer() override { return timer; }
    Sound& sound() override { return sound_; }
    bool startNmea(AppSettings&, UserPrompt& prompt) override {
        ++nmeaStarts;
        if (!nmeaOpens) prompt.message("/dev/ttyNONE: No such file or directory", "korvance", Icon::Stop);
        return nmeaOpens;
    }
    void stopNmea() override { ++nmeaStops; }
    void showStatus(const std::string&) override {}

    ClientRect client{0, 0, 300, 300};
    int erases = 0;
    bool running = false;
    ClientRect clientRect() const override { return client; }
    void redraw(bool erase) override { erases += erase; }
    uint32_t monitorToken() const override { return 0xbeef; }
    bool monitorRunning() const override { return running; }
};

struct ViewEnv : DocFixture {
    FixedHost host;
    ScriptedViewDialogs viewDialogs;
    CKorvanceView view{doc, host, dialogs, viewDialogs};

    ViewEnv() { doc.fitPending = false; }
    // The window without a map: 300 x 300 pixels over 35..36 N, 139..140 E.
    void plainWindow() { doc.maps().SetWindowGeometry(300, 300, 36, 35, 139, 140); }
    // A map of columns x rows flat tiles over the same ground in a scratch folder, loaded,
    // with its window on tile `centre` unless that is -1.
    TempDir mapDir;
    bool loadFlatMap(int columns, int rows, int tile, int centre = -1) {
        makeFlatMap(mapDir.file("m"), columns, rows, tile, tile, "png");
        return doc.maps().LoadMapInfo(mapDir.file("m/mapinfo.dat"), prompt) == 1 &&
               (centre < 0 || doc.maps().LoadWindow(centre, prompt) == 1);
    }
    void addTrack(std::initializer_list<std::pair<double, double>> points, float altitude = 0) {
        auto& log = doc.trackLog();
        if (!log.track) log.track = TrackField::create(70000);
        for (auto [lat, lon] : points) {
            TrackPoint p;
            p.latitude = lat;
            p.longitude = lon;
            p.altitude = altitude;
            log.track->append(p);
        }
    }
};

}  // namespace korvance::testing
