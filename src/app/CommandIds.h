#pragma once
// Command ids of the menu and accelerators. The numbers are the ones the
// program has always used; documents, settings and tests refer to them.

#include <cstdint>

namespace korvance::cmd {

enum : uint16_t {
    // Framework commands.
    FileNew = 57600,
    FileOpen = 57601,
    FileSave = 57603,
    FileSaveAs = 57604,
    AppAbout = 57664,
    AppExit = 57665,

    // File menu.
    LoadMap = 32771,
    DiscardMap = 32796,
    ReadPot = 32783,
    WritePotTrack = 32784,
    WritePotWaypoint = 32785,
    WritePotRoute = 32789,

    // View/Edit menu.
    ViewTrack = 32790,
    ViewWaypoint = 32791,
    ViewRoute = 32792,
    ViewDataField = 32797,
    EditWaypoint = 32778,
    EditRoute = 32787,
    CreateRoute = 32786,
    MarkWaypoint = 32817,
    Jump = 32799,
    Zoom = 32794,

    // GPS menu.
    DownloadTrack = 32772,
    DownloadWaypoint = 32773,
    DownloadRoute = 32788,
    UploadTrack = 32802,
    UploadWaypoint = 32779,
    UploadRoute = 32793,
    CurrentPosition = 32807,
    Goto = 32798,
    RouteNavigation = 32800,
    Navigation = 32774,
    NmeaNavigation = 32795,

    // Option menu.
    Preference = 32777,
    GpsOption = 32816,
    Pen = 32809,
    Alarm = 32782,
    ImportWaypointText = 32805,
    ExportWaypointText = 32806,
    RegisterNmeaMonitor = 32813,
    RunNmeaMonitor = 32814,
    Shift = 32810,
    Ctrl = 32811,

    // GPX exchange (File menu), ids of our own beside the others.
    ImportGpx = 32900,
    ExportGpx = 32901,

    // Accelerator only.
    NextRoutePoint = 32801,
    PreviousRoutePoint = 32815,
};

}  // namespace korvance::cmd
