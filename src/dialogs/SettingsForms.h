#pragma once
// The forms of the settings dialogs: "&Preference...", "&GPS...", "Pen(&1)..."
// and "&Alarm...". Each is a fresh copy of the values taken when the dialog
// opens; validate() is what OK checks (a clear message naming the allowed
// range, the dialog stays open), and store() copies the values back, which
// the command does only after OK.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileChooser.h"
#include "platform/UserPrompt.h"
#include "settings/AppSettings.h"

namespace korvance {

inline constexpr const char* kPreferenceTitle = "Preference";
inline constexpr const char* kGpsSettingTitle = "GPS Setting";
inline constexpr const char* kPenTitle = "Pen";
inline constexpr const char* kAlarmTitle = "Alarm";

// A number field: its text, the range of its arrows and the range OK accepts.
struct NumberField {
    std::string text;
    int64_t spinMin = 0;
    int64_t spinMax = 0;
    int64_t min = 0;
    int64_t max = 0;
    bool read(UserPrompt& prompt) const;
    int64_t value() const;  // after read() passed
};

struct PreferenceForm {
    std::vector<std::string> datumNames;  // the datum table, in its (alphabetical) order
    int datum = 0;
    std::vector<std::string> units;  // "Metric", "Statute", "Nautical"
    int unit = 0;
    NumberField logInterval;  // "Log Interval[sec]": arrows 1..30000, OK 1..999
    std::string nmeaSentence;  // "Save NMEA"; at most 127 characters are taken
    bool saveOnlyValidNmea = false;
    bool centeringAlways = false;
    bool coordinateUtm = false;
    bool autoMapChange = false;
    bool blinkNavigationCursor = false;

    static constexpr size_t kNmeaSentenceChars = 127;
    static PreferenceForm from(const AppSettings& settings);
    bool validate(UserPrompt& prompt) const;
    std::string datumName() const;
    void store(AppSettings& settings) const;
};

struct GpsSettingForm {
    std::vector<std::string> models;  // the receiver models, in table order
    int model = 0;
    NumberField commPort;  // "COM Port": 1..9
    std::vector<std::string> baudRates;  // "115200" ... "9600"
    int baudRate = 0;
    std::string commDevice;  // the CommDevice setting: a device path that wins over the port number

    // The device a port number stands for on this machine, shown beside it.
    std::string portDevice(int port) const;

    // Opening the dialog first puts a CommLimitBaudrate outside 9600..115200
    // back to 115200 in the settings themselves, whatever the dialog's end.
    static GpsSettingForm open(AppSettings& settings);
    bool validate(UserPrompt& prompt) const;
    void store(AppSettings& settings) const;
};

struct PenForm {
    // Rows "Track", "Wpt", "Rte": PenColor, WaypointColor, RouteColor.
    static constexpr std::array<const char*, 3> kRows = {"Track", "Wpt", "Rte"};
    struct Colour {
        NumberField red, green, blue;  // 0..255 each
    };
    std::array<Colour, 3> colours;
    NumberField width;  // "Pen Width": 1..99

    static PenForm from(const AppSettings& settings);
    bool validate(UserPrompt& prompt) const;
    void store(AppSettings& settings) const;
};

struct AlarmForm {
    bool waypointAlarm = false;
    NumberField distance;  // "Waypoint Alarm Distance[m]": 0..9999999
    std::string alarmFile;
    std::string storedAlarmFile;  // where "..." starts

    static AlarmForm from(const AppSettings& settings);
    // "...": the file chooser over wave files, starting at the stored alarm
    // file; a chosen path goes into the text box.
    void browse(FileChooser& chooser);
    bool validate(UserPrompt& prompt) const;
    void store(AppSettings& settings) const;
};

// Baud rates of the "Max Baudrate" list, highest first.
inline constexpr std::array<uint32_t, 6> kLimitBaudRates = {115200, 57600, 38400, 19200, 14400, 9600};

// "Register &NMEA Monitor...": the filters of its file chooser.
std::vector<FileFilter> nmeaMonitorFilters();
std::vector<FileFilter> alarmFileFilters();

}  // namespace korvance
