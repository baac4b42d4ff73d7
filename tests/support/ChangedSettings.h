#pragma once
// A settings record with every stored field unlike its default, for round
// trips through a store. Paths carry blanks and backslashes, as INI files
// must keep them.

#include "settings/AppSettings.h"

namespace korvance::testing {

inline AppSettings changedSettings() {
    AppSettings s;
    s.CommDebug = 1;
    s.Comm_WriteFile_Wait = 7;
    s.CommOpenWait = 8;
    s.CommRetryWait = 9;
    s.DatumName = "Tokyo";
    s.DataPath = "/home/u/data dir";
    s.MapPath = "C:\\maps\\area";
    s.CenteringAlways = 1;
    s.WaypointAlarm = 1;
    s.WaypointAlarmDistance = 9999999;
    s.CommPort = 3;
    s.MaxWaypointCount = 1000;
    s.MaxRouteCount = 5;
    s.MaxRouteWaypointCount = 50;
    s.GPSModel = "GPS12XL(2)";
    s.GPSModelID = 96;
    s.GPSCharSet = 2;
    s.ReachDistance = 42;
    s.PenWidth = 3;
    s.MaxLogCount = 100;
    s.NMEASentence = "RMC;GGA";
    s.SaveOnlyValidNMEA = 0;
    s.LogInterval = 5000;
    s.CoordinateUTM = 1;
    s.Unit = 2;
    s.PenColor = 0x123456;
    s.WaypointColor = 0x654321;
    s.NMEAMonitorPath = "/usr/bin/monitor";
    s.AutoMapChange = 0;
    s.BlinkNavigationCursor = 0;
    s.RouteColor = 0x010203;
    s.NMEABaudrate = 9600;
    s.CommLimitBaudrate = 38400;
    s.AlarmFile = "/usr/share/sounds/bell one.wav";
    s.TrackPlotCount = 64;
    s.CommDevice = "/dev/ttyUSB0";
    s.CodePage = "CP932";
    return s;
}

}  // namespace korvance::testing
