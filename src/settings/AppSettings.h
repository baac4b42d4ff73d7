#pragma once
// The settings record: every user preference and tuning value, named exactly
// as its stored value. Loaded from the store when the document is built and
// written back once at exit.

#include <cstdint>
#include <string>

namespace korvance {

class SettingsStore;

// The key every value lives under.
inline constexpr const char* kSettingsKey = "SOFTWARE\\Ostrel\\Korvance";

struct AppSettings {
    uint32_t DebugControl = 0;           // 0: always 0 after loading
    uint32_t CommDebug = 0;              // 1: nonzero writes the link's traffic log
    uint32_t Comm_WriteFile_Wait = 100;  // 2: ms before each request is written
    uint32_t CommOpenWait = 500;         // 3: ms after opening the port
    uint32_t CommRetryWait = 800;        // 4: held and saved only
    std::string DatumName = "WGS 84";    // 5
    std::string DataPath;                // 6: last folder of documents and NMEA logs
    std::string MapPath;                 // 7: last folder of map files
    uint32_t CenteringAlways = 0;        // 8
    uint32_t WaypointAlarm = 0;          // 9
    uint32_t WaypointAlarmDistance = 1000;  // 10: metres
    uint32_t CommPort = 1;               // 11: port number (n-th serial device)
    uint32_t MaxWaypointCount = 500;     // 12
    uint32_t MaxRouteCount = 20;         // 13
    uint32_t MaxRouteWaypointCount = 30; // 14
    std::string GPSModel = "eTrex";      // 15
    int32_t GPSModelID = 130;            // 16: -1 for "Other Garmin"
    uint32_t GPSCharSet = 1;             // 17: 1 plain, 2 Japanese
    uint32_t ModelCount = 15;            // 18: not stored
    uint32_t ReachDistance = 100;        // 19: metres
    uint32_t PenWidth = 1;               // 20
    uint32_t MaxLogCount = 21600;        // 21
    std::string NMEASentence = "RMC";    // 22
    uint32_t SaveOnlyValidNMEA = 1;      // 23
    uint32_t LogInterval = 1;            // 24: seconds
    uint32_t CoordinateUTM = 0;          // 25
    uint32_t Unit = 0;                   // 26: 0 metric, 1 statute, 2 nautical
    uint32_t PenColor = 0xFF0000;        // 27: red in the low byte (so this is blue)
    uint32_t WaypointColor = 0x0000FF;   // 28: red
    std::string NMEAMonitorPath;         // 29
    uint32_t AutoMapChange = 1;          // 30
    uint32_t BlinkNavigationCursor = 1;  // 31
    uint32_t RouteColor = 0x00FF00;      // 32: green
    uint32_t NMEABaudrate = 4800;        // 33
    uint32_t CommLimitBaudrate = 115200; // 34
    std::string AlarmFile = "\\Windows\\Alarm1.wav";  // 35
    uint32_t TrackPlotCount = 256;       // 36

    // Settings of this platform, stored beside the others.
    std::string CommDevice;              // explicit serial device path; overrides CommPort when set
    std::string CodePage = "CP1252";     // 8-bit code page of records and files (CP932 for Japanese)

    friend bool operator==(const AppSettings&, const AppSettings&) = default;
};

}  // namespace korvance
