#pragma once
// The single map view of the document, without Qt: its fields, the view
// rectangle, the view commands with their menu states, pen and key input as
// plain events, scrolling and zoom, the input-waypoint flow, the map
// calibration taps, the monitor messages and the paint routine onto a Canvas.
// The host (the GUI's view widget, or the CLI's renderer) gives the client
// rectangle, redraws on request and delivers the events.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/CKorvanceDoc.h"
#include "app/CommandRouter.h"
#include "dialogs/DialogHost.h"
#include "geodesy/Coordinates.h"
#include "maps/MapCommands.h"
#include "maps/MapSet.h"
#include "navigation/NavigationFigures.h"
#include "navigation/NavigationTick.h"
#include "navigation/PositionSources.h"
#include "navigation/RouteNavigator.h"
#include "view/Canvas.h"
#include "view/NavigationHost.h"
#include "view/ViewDialogs.h"

namespace korvance {

class Process;

class ViewHost {
public:
    virtual ~ViewHost() = default;
    virtual ClientRect clientRect() const = 0;
    // Asks for a repaint; `erase` clears the background first.
    virtual void redraw(bool erase) = 0;
    // The token the monitor program gets on its command line, and whether the
    // monitor program started last is still running.
    virtual uint32_t monitorToken() const { return 0; }
    virtual bool monitorRunning() const { return false; }
    // The services of navigation; without them the navigation starts are refused.
    virtual NavigationHost* navigationHost() { return nullptr; }
};

enum class ViewKey { Up, Down, Left, Right, Enter };

// Sizes of the strips that the data field and the status line take.
inline constexpr int kDataFieldWidth = 90;   // landscape, at the right
inline constexpr int kDataFieldHeight = 68;  // portrait, at the bottom
inline constexpr int kStatusLineHeight = 14;

// Monitor messages (wParam values) and the latitude/longitude unit: 1/921600 degree.
inline constexpr int32_t kMonitorLatitude = 101, kMonitorLongitude = 102, kMonitorHeight = 103,
                         kMonitorTime = 104, kMonitorCommit = 1;
inline constexpr double kMonitorDegreesPerUnit = 1.0850694444444444e-6;

// The data field's fonts. "Tahoma" is not on Linux. Values: DejaVu Sans
// Condensed (fonts-dejavu-extra), the closest narrow humanist face. Labels:
// Nimbus Sans Narrow (fonts-urw-base35), as only a face that narrow keeps
// "Bearing[deg]/Pointer" inside the 90-pixel strip and "Bearing[deg]" clear of
// "ETE" at 7.2 points.
inline const CanvasFont kDataFieldLabelFont{"Nimbus Sans Narrow", 72};
inline const CanvasFont kDataFieldValueFont{"DejaVu Sans Condensed", 140};

inline constexpr const char* kMsgReadPositionError = "ReadPosition Error\nContinue Navigation?";
inline constexpr const char* kMsgAllocTrack = "AllocTrackField : can't allocate";

class CKorvanceView : public CommandTarget, public NavigationDisplay {
public:
    CKorvanceView(CKorvanceDoc& doc, ViewHost& host, DialogHost& dialogs, ViewDialogs& viewDialogs,
                  Process* process = nullptr);
    ~CKorvanceView() override;

    // ---- fields
    int ctrlMode = 0;
    int shiftMode = 0;
    int16_t followPosition = 1;
    uint32_t trackStartCount = 0;
    int showDataField = 0;
    int dragging = 0;
    int nmeaNavigation = 0;
    int zoomMode = 0;
    int showRoute = 1;
    int showWaypoint = 1;
    int showTrack = 1;
    int createRouteMode = 0;
    int tickBusy = 0;
    int navigationActive = 0;
    int lastPenX = -9999, lastPenY = -9999;
    CalibrationPoint calibration1, calibration2;
    int calibrateSetsPoint1 = 1;
    int monitorActive = 0;
    // The Goto target, the route navigator and the waypoint alarm: they
    // outlive the navigation modes.
    NavigationState navigation;

    // 1 landscape (wider than high, or square), 2 portrait; taken from the
    // client rectangle when the window is created.
    int orientation = 1;
    void takeOrientation();
    // The host's client area changed size: the map's tile window follows it, so that
    // it covers the view (the data field and status line only make the map area smaller).
    void clientResized();

    bool navigationModeOn() const { return navigationActive || nmeaNavigation || monitorActive; }
    ClientRect viewRect() const;

    // A Garmin link or an NMEA reception runs.
    bool positionLink() const { return garminLink_ != nullptr || nmeaReceiving_; }
    // Told after every navigation tick what it did (the CLI prints it).
    std::function<void(const TickResult&)> ticked;
    // An NMEA position taken on the user-interface thread: runs the tick when
    // NMEA navigation runs and no tick does; true then.
    bool nmeaPosition(const NmeaPosition& position);
    // Route navigation along route `route` as "R&oute Navigation..." starts it
    // once the route is chosen (its messages included); false when it did not start.
    bool beginRouteNavigation(uint32_t route, bool invert);
    // Ends whatever navigation mode runs, as closing the window does: the
    // timer stops, the link and the NMEA reception end, the log stops. A host
    // calls it before its navigation services go away.
    void closeNavigation();

    // ---- NavigationDisplay: keep the position in sight and redraw
    void follow(const PositionFix& fix) override;
    void redraw() override { host_.redraw(false); }

    // ---- commands (view link of the command chain)
    bool handles(uint16_t id) const override;
    void onCommand(uint16_t id) override;
    void onUpdate(uint16_t id, CommandState& state) override;

    // ---- input
    void keyDown(ViewKey key);
    void character(char32_t c);
    void penDown(int x, int y, bool ctrl, bool shift);
    void penMove(int x, int y, bool leftButton, bool ctrl, bool shift);
    void penUp(int x, int y, bool ctrl, bool shift);
    // A monitor record; true when it was taken (monitorActive and no tick running).
    bool monitorMessage(int32_t item, int32_t value);

    // ---- operations
    void scrollBy(int dx, int dy);
    void zoomAt(int x, int y, bool shift);
    void fitDataToView(uint32_t count);
    int loadMapKeepCentre(const std::string& path);
    void inputWaypointAt(double latitude, double longitude);
    // One calibration tap; false when the point lies on no tile.
    bool CalibrateAt(int x, int y);

    // ---- paint
    void paint(Canvas& canvas);
    void drawCursor(Canvas& canvas, int x, int y, int heading, bool blink);
    void drawStatusLine(Canvas& canvas);
    void drawDataField(Canvas& canvas);
    // The data field's figures now: from the newest track points to the target.
    NavigationFigures navigationFigures();

    // The "Select Map" text of a map path: its last two components.
    static std::string lastTwoComponents(const std::string& path);
    uint64_t blinkCounter = 0;

private:
    void onGoto();
    void onJump();
    void onCreateRoute();
    void onMarkWaypoint();
    void onRunNmeaMonitor();
    void onNavigation();
    void onNmeaNavigation();
    void onRouteNavigation();
    void navigationTimerTick();
    void stopGarminNavigation();
    void stopNmeaNavigation();
    bool startTrackLog();
    void markModifiedWhenGrown();
    void keepMapInView();
    void runTick(PositionSource& source);
    Sound& sound();
    void changeToListEntry(std::optional<std::string> path);
    void drawTrack(Canvas& canvas, const ClientRect& r, uint32_t plotCount);
    void drawDistanceLabels(Canvas& canvas, const ClientRect& r, const CanvasFont& font);
    int trackHeading();

    CKorvanceDoc& doc_;
    ViewHost& host_;
    DialogHost& dialogs_;
    ViewDialogs& viewDialogs_;
    Process* process_;
    BearingMemory bearing_;
    double monitorLatitude_ = 0, monitorLongitude_ = 0, monitorHeight_ = 0;
    int32_t monitorTime_ = 0;
    std::unique_ptr<GarminLink> garminLink_;
    std::unique_ptr<GarminPollSource> garminSource_;
    bool nmeaReceiving_ = false;
    DeliveredPositionSource delivered_;
    // Where the map was last centred; the pole, so that the first tick centres.
    double centredLatitude_ = 90.0, centredLongitude_ = 0.0;

    // The track's window pixels (GeoToWindow) from track point `first` on: they
    // depend on the window's mapping but not on the scroll origin, so a repaint
    // converts only points appended since, and nothing after a scroll.
    struct TrackPixels {
        uint64_t trackId = 0;  // 0: nothing held
        MapSet::WindowMapping mapping;
        uint32_t first = 0;
        std::vector<MapPoint> window;
    };
    std::span<const MapPoint> trackWindowPixels(const TrackField& track, uint32_t first, uint32_t count);
    TrackPixels trackPixels_;
    // The polyline drawn last and what it was made from: a repaint with nothing
    // changed (a blink, an expose) draws it again as it is.
    struct DrawnTrackKey {
        uint64_t trackId = 0;
        MapSet::WindowMapping mapping;
        uint32_t first = 0, count = 0;
        int originX = 0, originY = 0;
        int left = 0, top = 0, right = 0, bottom = 0;
        bool thin = false;
        bool operator==(const DrawnTrackKey&) const = default;
    };
    DrawnTrackKey drawnKey_;
    std::vector<CanvasPoint> drawnTrack_;
};

// The points of a track kept for a thick pen over a map: those near the view
// rectangle `r` (inside: left <= x <= right and top <= y <= bottom).
std::vector<CanvasPoint> ThinTrack(const std::vector<CanvasPoint>& points, const ClientRect& r);

// ThinTrack one point at a time, so a long track is thinned as it is converted
// without a converted copy of the whole track.
class TrackThinner {
public:
    TrackThinner(const ClientRect& r, std::vector<CanvasPoint>& out);
    void add(CanvasPoint p);
    void finish();

private:
    const ClientRect& r_;
    std::vector<CanvasPoint>& out_;
    CanvasPoint q1_, q2_, q3_;
    uint32_t n_ = 0;
    bool skipped_ = false;
};

}  // namespace korvance
