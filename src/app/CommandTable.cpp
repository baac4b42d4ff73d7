#include "app/CommandTable.h"

#include <array>

#include "app/CommandIds.h"

namespace korvance {

namespace {

using O = CommandOwner;
constexpr int File = 0, ViewEdit = 1, Gps = 2, Option = 3;

constexpr std::array<const char*, 4> kTitles = {"&File", "&View/Edit", "&GPS", "&Option"};

constexpr MenuItem kItems[] = {
    {File, "&Open... Ctrl+O", cmd::FileOpen, O::Doc},
    {File, "Save &As... Ctrl+S", cmd::FileSaveAs, O::Doc},
    {File, nullptr, 0, O::Framework},
    {File, "Load &Map...", cmd::LoadMap, O::Doc},
    {File, "&Discard Map", cmd::DiscardMap, O::Doc},
    {File, nullptr, 0, O::Framework},
    {File, "Read &POT File...", cmd::ReadPot, O::Doc},
    {File, "Write POT &Track...", cmd::WritePotTrack, O::Doc},
    {File, "Write POT &Waypoint...", cmd::WritePotWaypoint, O::Doc},
    {File, "Write POT &Route...", cmd::WritePotRoute, O::Doc},
    {File, nullptr, 0, O::Framework},
    {File, "Import &GPX...", cmd::ImportGpx, O::Doc},
    {File, "&Export GPX...", cmd::ExportGpx, O::Doc},
    {File, nullptr, 0, O::Framework},
    {File, "About &Korvan CE...", cmd::AppAbout, O::App},
    {File, "E&xit", cmd::AppExit, O::Framework},

    {ViewEdit, "View &Track", cmd::ViewTrack, O::View},
    {ViewEdit, "View &Waypoint", cmd::ViewWaypoint, O::View},
    {ViewEdit, "View &Route", cmd::ViewRoute, O::View},
    {ViewEdit, "View &Data Field", cmd::ViewDataField, O::View},
    {ViewEdit, nullptr, 0, O::Framework},
    {ViewEdit, "&Edit Waypoint...", cmd::EditWaypoint, O::Doc},
    {ViewEdit, "Ed&it Route...", cmd::EditRoute, O::Doc},
    {ViewEdit, "&Create Route", cmd::CreateRoute, O::View},
    {ViewEdit, "&Mark Waypoint...", cmd::MarkWaypoint, O::View},
    {ViewEdit, nullptr, 0, O::Framework},
    {ViewEdit, "&Jump...", cmd::Jump, O::View},
    {ViewEdit, "&Zoom Ctrl+Z", cmd::Zoom, O::View},

    {Gps, "Download &Track", cmd::DownloadTrack, O::Doc},
    {Gps, "Download &Waypoint", cmd::DownloadWaypoint, O::Doc},
    {Gps, "Download &Route", cmd::DownloadRoute, O::Doc},
    {Gps, nullptr, 0, O::Framework},
    {Gps, "Up&load Track", cmd::UploadTrack, O::Doc},
    {Gps, "&Upload Waypoint", cmd::UploadWaypoint, O::Doc},
    {Gps, "U&pload Route", cmd::UploadRoute, O::Doc},
    {Gps, nullptr, 0, O::Framework},
    {Gps, "&Current Position", cmd::CurrentPosition, O::View},
    {Gps, "&Goto...  Ctrl+G", cmd::Goto, O::View},
    {Gps, "R&oute Navigation...", cmd::RouteNavigation, O::View},
    {Gps, "&Navigation  Ctrl+N", cmd::Navigation, O::View},
    {Gps, "N&MEA Navigation  Ctrl+M", cmd::NmeaNavigation, O::View},

    {Option, "&Preference...", cmd::Preference, O::Doc},
    {Option, "&GPS...", cmd::GpsOption, O::Doc},
    {Option, "Pen(&1)...", cmd::Pen, O::Doc},
    {Option, "&Alarm...", cmd::Alarm, O::Doc},
    {Option, nullptr, 0, O::Framework},
    {Option, "&Import Waypoint from Text...", cmd::ImportWaypointText, O::Doc},
    {Option, "&Export Waypoint to Text...", cmd::ExportWaypointText, O::Doc},
    {Option, nullptr, 0, O::Framework},
    {Option, "Register &NMEA Monitor...", cmd::RegisterNmeaMonitor, O::Doc},
    {Option, "&Run NMEA Monitor", cmd::RunNmeaMonitor, O::View},
    {Option, nullptr, 0, O::Framework},
    {Option, "&Shift", cmd::Shift, O::View},
    {Option, "&Ctrl", cmd::Ctrl, O::View},
};

constexpr Accelerator kAccelerators[] = {
    {'B', true, cmd::PreviousRoutePoint}, {'F', true, cmd::NextRoutePoint}, {'G', true, cmd::Goto},
    {'M', true, cmd::NmeaNavigation},     {'N', true, cmd::Navigation},     {'O', true, cmd::FileOpen},
    {'S', true, cmd::FileSave},           {kKeyEscape, false, cmd::CurrentPosition},
    {'Z', true, cmd::Zoom},
};
static_assert(std::size(kAccelerators) == 9);

}  // namespace

std::span<const char* const> menuTitles() { return kTitles; }
std::span<const MenuItem> menuItems() { return kItems; }
std::span<const Accelerator> accelerators() { return kAccelerators; }

const char* menuTextOf(uint16_t id) {
    for (const MenuItem& item : kItems)
        if (item.text && item.id == id) return item.text;
    return "";
}

}  // namespace korvance
